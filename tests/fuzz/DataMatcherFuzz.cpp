// The data-trigger matcher with any text and any input, against the plain rule it stands for:
// it fires on exactly the bytes that complete the text (letter case ignored when asked) within
// the input since it last fired or was reset, overlapping starts included.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <string>

#include "FuzzCheck.h"
#include "SioDataMatcher.h"

namespace {

std::string Folded(std::string text, bool ignoreCase) {
    if (ignoreCase)
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider data(bytes, size);
    const bool ignoreCase = data.ConsumeBool();
    const std::string text = data.ConsumeRandomLengthString(30);
    TSioDataMatcher matcher(text, ignoreCase);
    const std::string kept = text.substr(0, TSioDataMatcher::MaxLength);
    FUZZ_CHECK(matcher.Length() == kept.size());
    const std::string wanted = Folded(kept, ignoreCase);
    FUZZ_CHECK(matcher.Text() == wanted);

    std::string since;  // the input since the matcher last fired or was reset
    while (data.remaining_bytes() > 0) {
        if (data.ConsumeIntegralInRange(0, 63) == 0) {
            matcher.Reset();
            since.clear();
            continue;
        }
        const auto byte = data.ConsumeIntegral<std::uint8_t>();
        since += Folded(std::string(1, static_cast<char>(byte)), ignoreCase);
        const bool expected =
            !wanted.empty() && since.size() >= wanted.size() &&
            since.compare(since.size() - wanted.size(), wanted.size(), wanted) == 0;
        FUZZ_CHECK(matcher.Feed(byte) == expected);
        if (expected) since.clear();
    }
    return 0;
}
