#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "ESimError.h"
#include "SimFraming.h"
#include "SystemErrorText.h"

namespace sim {

bool StateFile::Load(Registers& registers) const {
    std::error_code error;
    if (!std::filesystem::exists(path_, error) && !error) return false;
    std::ifstream in(path_, std::ios::binary);
    if (!in) throw ESimError("Cannot read the state file " + path_ + ": " + SystemErrorText(errno));
    Registers loaded = registers;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        const auto bad = [&](const std::string& why) {
            return ESimError("State file " + path_ + ", line " + std::to_string(lineNumber) + ": " +
                             why);
        };
        if (line.size() < 5 || line[0] != 'R' || line[4] != '=')
            throw bad("expected R<number>=<16 characters>");
        const std::string number = line.substr(1, 3);
        if (number.find_first_not_of("0123456789") != std::string::npos)
            throw bad("register number " + number + " is not decimal");
        const int index = std::stoi(number);
        if (index >= kRegisterCount) throw bad("there is no register " + number);
        const auto text = FromShownBytes(std::string_view(line).substr(5));
        if (!text || text->size() != kRegisterWidth)
            throw bad("register " + number + " must hold exactly 16 characters");
        loaded[static_cast<std::size_t>(index)] = *text;
    }
    if (in.bad()) throw ESimError("Cannot read the state file " + path_);
    registers = loaded;
    return true;
}

void StateFile::Save(const Registers& registers) const {
    const std::string temporary = path_ + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw ESimError("Cannot write the state file " + temporary + ": " +
                            SystemErrorText(errno));
        out << "# Registers of the simulated instrument, as stored (list texts reversed)\n";
        for (int i = 0; i < kRegisterCount; ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "R%03d=", i);
            out << number << ShowBytes(registers[static_cast<std::size_t>(i)], true) << '\n';
        }
        out.flush();
        if (!out) throw ESimError("Cannot write the state file " + temporary);
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        throw ESimError("Cannot replace the state file " + path_ + ": " + SystemErrorText(error));
    }
}

}  // namespace sim
