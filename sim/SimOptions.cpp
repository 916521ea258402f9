#include "SimOptions.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "ESimError.h"

namespace sim {

namespace {

int Number(const std::string& option, const std::string& text, int lowest, int highest) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < lowest ||
        value > highest)
        throw ESimError(option + " needs a whole number from " + std::to_string(lowest) + " to " +
                        std::to_string(highest) + ", not \"" + text + "\"");
    return value;
}

bool GoodEntryText(const std::string& text) {
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code > 126 || c == '!') return false;
    }
    return true;
}

void AddFault(FaultSettings& faults, const std::string& item) {
    const auto equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? item.substr(equals + 1) : "";
    auto count = [&](int fallback, int lowest) {
        return hasValue ? Number("--fault " + name, value, lowest, 1000000) : fallback;
    };
    static const std::pair<const char*, bool FaultSettings::*> kSwitches[] = {
        {"silent", &FaultSettings::silent},
        {"bad-checksum", &FaultSettings::badChecksum},
        {"lower-checksum", &FaultSettings::lowerCaseChecksum},
        {"wrong-case-serial", &FaultSettings::wrongCaseSerial},
        {"no-cr", &FaultSettings::noCarriageReturn},
        {"noise", &FaultSettings::noise},
    };
    for (const auto& [switchName, flag] : kSwitches) {
        if (name != switchName) continue;
        if (hasValue) throw ESimError("The fault \"" + name + "\" takes no number");
        faults.*flag = true;
        return;
    }
    if (name == "split") {
        faults.splitBursts = count(3, 2);
    } else if (name == "drop") {
        faults.dropBytes = count(1, 1);
    } else if (name == "disconnect") {
        faults.disconnectAfter = count(1, 1);
    } else {
        throw ESimError("Unknown fault \"" + name + "\" (see --help)");
    }
}

}  // namespace

SimOptions ParseSimOptions(const std::vector<std::string>& arguments) {
    SimOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw ESimError(option + " needs a value");
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--verbose" || option == "-v") {
            options.verbose = true;
        } else if (option == "--dongle") {
            options.dongle = true;
        } else if (option == "--no-pacing") {
            options.timing.baud = 0;
        } else if (option == "--com") {
            options.comNumber = Number(option, value(), 1, 255);
        } else if (option == "--state") {
            options.stateFile = value();
            if (options.stateFile.empty()) throw ESimError("--state needs a file name");
        } else if (option == "--serial") {
            const std::string& serial = value();
            if (serial.size() != 5 || !GoodEntryText(serial) || serial == "?####")
                throw ESimError("--serial needs 5 printable characters other than \"!\", not \"" +
                                serial + "\"");
            options.identity.serial = serial;
        } else if (option == "--turnaround") {
            options.timing.turnaround = std::chrono::milliseconds(Number(option, value(), 0, 5000));
        } else if (option == "--inquiry-interval") {
            const auto interval = std::chrono::milliseconds(Number(option, value(), 0, 60000));
            options.dongleSettings.firstResult = interval;
            options.dongleSettings.resultInterval = interval;
        } else if (option == "--fault") {
            std::string list = value();
            for (std::size_t start = 0; start <= list.size();) {
                const auto comma = std::min(list.find(',', start), list.size());
                AddFault(options.faults, list.substr(start, comma - start));
                start = comma + 1;
            }
        } else if (option == "--fault-every") {
            options.faults.every = Number(option, value(), 1, 1000000);
        } else if (option == "--seed") {
            options.faults.seed = static_cast<unsigned>(Number(option, value(), 0, 2147483647));
        } else {
            throw ESimError("Unknown option \"" + option + "\" (see --help)");
        }
    }
    // The instrument's friendly name in the inquiry carries its serial number.
    if (!options.dongleSettings.devices.empty())
        options.dongleSettings.devices.front().name = "Tester " + options.identity.serial;
    return options;
}

std::string SimUsage() {
    return R"(Usage: rostermate-sim [options]

Simulates the brake-testing instrument (and optionally its Bluetooth serial dongle) on a
pseudo-terminal, published as a COM port that Rostermate lists and opens.

  --com N              publish as COM<N> (default 9) in the port folder: $ROSTERMATE_PORTS,
                       else $XDG_RUNTIME_DIR/rostermate/ports, else /tmp/rostermate-<uid>/ports
  --serial XXXXX       the instrument's serial number (default A1234)
  --dongle             put a Bluetooth serial dongle in front of the instrument
  --state FILE         keep the registers in FILE between runs
  --verbose, -v        print the conversation; control characters show as [0D]
  --no-pacing          send at full speed instead of 9600 baud
  --turnaround MS      delay before each reply (default 10)
  --inquiry-interval MS  time between Bluetooth inquiry results (default 800 then 900)
  --fault LIST         comma-separated faults applied to the instrument's replies:
                         silent             no reply at all
                         bad-checksum       checksum one too high
                         lower-checksum     checksum letters in lower case
                         wrong-case-serial  serial number letters in the other case
                         no-cr              no carriage return at the end
                         split[=N]          reply in N bursts (default 3) with pauses between
                         noise              junk bytes on the line before the reply
                         drop[=N]           N bytes (default 1) of the reply lost
                         disconnect=N       the line drops after N replies
  --fault-every K      the reply faults hit only every K-th reply (default 1: all)
  --seed N             chooses the noise and the dropped bytes (default 1)
  --help, -h           this text
  --version            print the version

Stop it with Ctrl+C; it removes its COM link on the way out.
)";
}

}  // namespace sim
