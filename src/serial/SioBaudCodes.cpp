#include <array>

#include "SioDcb.h"

namespace sio {

std::uint32_t BaudFromDcbValue(std::uint32_t value) {
    // Codes 0xFF10..0xFF27 in order; 0 marks a code that names no rate.
    static constexpr std::array<std::uint32_t, 24> rates = {
        110, 300, 600, 1200,  2400, 4800, 9600, 14400,  19200, 0, 0, 38400,
        0,   0,   0,   56000, 0,    0,    0,    128000, 0,     0, 0, 256000};
    if (value == 0xFEFF) return 115200;
    if (value >= 0xFF10 && value <= 0xFF27) {
        const std::uint32_t rate = rates[value - 0xFF10];
        if (rate != 0) return rate;
    }
    return value;
}

}  // namespace sio
