// The result-code table and CheckResult for any 32-bit code, loading or not. A code that is not
// negative, or any code while loading, comes back unchanged; every other code raises exactly
// one exception of the common tree: its class with the code itself, the runtime's input/output
// error with the positive number, out-of-memory, or the general exception with code 0. Every
// message is one line of at most 255 characters, the same for a code and its negation.
#include <cstdint>
#include <cstring>
#include <string>

#include "EInOutError.h"
#include "EOutOfMemory.h"
#include "FuzzCheck.h"
#include "SioExcept.h"
#include "SioMessageTable.h"

namespace {

struct LoadingComponent : TSioLoadState {
    bool Loading() const override { return true; }
};

// One line; a text the system gave also without runs of blanks (the table's own column
// titles have them).
void CheckMessage(const std::string& text) {
    FUZZ_CHECK(text.size() <= 255);
    for (const char c : text) FUZZ_CHECK(static_cast<unsigned char>(c) >= 32);
    bool fromTable = false;
    for (const SioMessageNumberLookupRecord& row : SioMessageRows())
        fromTable = fromTable || text == row.Text;
    FUZZ_CHECK(fromTable || text.find("  ") == std::string::npos);
}

template <typename Group>
bool Is(const ESioException& e) {
    return dynamic_cast<const Group*>(&e) != nullptr;
}

// The group a class-raising code belongs to, by its range.
bool InItsGroup(std::int32_t code, const ESioException& e) {
    if (code <= -1002 && code >= -1009) return Is<EGeneral>(e);
    if (code <= -2001 && code >= -2012) return Is<EOpenComm>(e);
    if (code <= -3001 && code >= -3010) return Is<ESerialIO>(e);
    if (code <= -4001 && code >= -4008) return Is<EModem>(e);
    if (code <= -5001 && code >= -5003) return Is<ETrigger>(e);
    if (code == -6006 || code == -6008 || code == -6009) return Is<EProtocol>(e);
    if (code == -7003 || code == -7006 || code == -7012) return Is<EInternal>(e);
    if (code <= -7001 && code >= -7014) return Is<EINI>(e);
    if (code <= -8001 && code >= -8070) return Is<EFax>(e);
    if (code <= -13801 && code >= -13942) return Is<ETapi>(e);
    if (code == -13980) return Is<ERas>(e);
    return false;
}

void CheckRaised(std::int32_t code) {
    try {
        CheckResult(nullptr, code);
        FUZZ_CHECK(!"a negative code returned");
    } catch (const EOutOfMemory&) {
        FUZZ_CHECK(code == -8);
    } catch (const EInOutError& e) {
        FUZZ_CHECK(code >= -162 && code <= -2 && code != -8);
        FUZZ_CHECK(e.ErrorCode() == -code);
        FUZZ_CHECK(e.Message() == ErrorMessageFor(code));
    } catch (const ESioException& e) {
        CheckMessage(e.Message());
        if (e.ErrorCode() == 0) {
            FUZZ_CHECK(std::strcmp(e.ClassName(), "ESioException") == 0);
            FUZZ_CHECK(e.Message() == "Serial port exception");
            FUZZ_CHECK(!InItsGroup(code, e));
        } else {
            FUZZ_CHECK(e.ErrorCode() == code);
            FUZZ_CHECK(InItsGroup(code, e));
            FUZZ_CHECK(e.Message() == ErrorMessageFor(code));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t code;
    std::memcpy(&code, bytes, sizeof code);
    const LoadingComponent loading;
    FUZZ_CHECK(CheckResult(&loading, code) == code);
    if (code >= 0)
        FUZZ_CHECK(CheckResult(nullptr, code) == code);
    else
        CheckRaised(code);
    const std::string message = ErrorMessageFor(code);
    CheckMessage(message);
    // Taken as a 16-bit number, without its sign.
    FUZZ_CHECK(message ==
               ErrorMessageFor(static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(code))));
    FUZZ_CHECK(message == ErrorMessageFor(static_cast<std::int16_t>(code)));
    // Any text put on one line stays there.
    const std::string text(reinterpret_cast<const char*>(bytes) + 4, size - 4);
    const std::string line = SingleLineText(text);
    FUZZ_CHECK(line.size() <= text.size() && SingleLineText(line) == line);
    for (const char c : line) FUZZ_CHECK(static_cast<unsigned char>(c) >= 32);
    FUZZ_CHECK(line.find("  ") == std::string::npos);
    return 0;
}
