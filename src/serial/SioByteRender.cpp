#include "SioByteRender.h"

#include <cstdio>

int AppendRenderedByte(std::string& out, std::uint8_t byte, bool hexMode, bool allHex) {
    const std::uint8_t lowest = hexMode ? 0x21 : 0x20;
    if (!allHex && byte >= lowest && byte <= 0x7E) {
        out.push_back(static_cast<char>(byte));
        return 1;
    }
    char item[8];
    const int width = std::snprintf(item, sizeof item, (allHex || hexMode) ? "[%02X]" : "[%u]",
                                    static_cast<unsigned>(byte));
    out.append(item, static_cast<std::size_t>(width));
    return width;
}
