#include "CommandFrame.h"

#include "InstrumentHex.h"

namespace instrument {

std::string FrameCommand(std::string_view serialText, std::string_view payload) {
    std::string frame = "!";
    frame += serialText.substr(0, kSerialLength);
    frame += payload;
    frame += UpperHex(ByteSum(std::string_view(frame).substr(1)), 2);
    frame += '\r';
    return frame;
}

}  // namespace instrument
