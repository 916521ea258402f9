#include "FrameCheck.h"

#include "InstrumentHex.h"

namespace instrument {

bool CheckFrame(std::string_view frame, std::string_view serial) {
    const std::size_t length = frame.size();
    if (length == 0 || frame[0] != ':') return false;
    if (Positions(frame, 2, 6) != serial) return false;
    const std::uint8_t sum = length >= 10 ? ByteSum(Positions(frame, 8, length - 2)) : 0;
    const std::string_view digits = length >= 2 ? frame.substr(length - 2) : frame;
    return digits == UpperHex(sum, 2);
}

}  // namespace instrument
