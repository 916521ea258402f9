#include "SioMessageTable.h"

#include <iterator>

namespace {

constexpr std::int32_t Magnitude(std::int32_t code) { return code < 0 ? -code : code; }

// clang-format off
constexpr SioMessageNumberLookupRecord kRows[] = {
    {0, "OK"},

    // File and device input/output.
    {-2, "File not found"},
    {-3, "Path not found"},
    {-4, "Too many open files"},
    {-5, "File access denied"},
    {-6, "Invalid file handle"},
    {-8, "Insufficient memory"},
    {-15, "Invalid drive"},
    {-18, "No more files"},
    {-100, "Attempt to read beyond end of file"},
    {-101, "Disk is full"},
    {-102, "File/device not assigned"},
    {-103, "File/device not open"},
    {-104, "File/device not open for input"},
    {-105, "File/device not open for output"},
    {-150, "Disk is write-protected"},
    {-151, "Unknown disk unit"},
    {-152, "Drive is not ready"},
    {-153, "Unknown command"},
    {-154, "Data error"},
    {-155, "Bad request structure length"},
    {-156, "Seek error"},
    {-157, "Unknown media type"},
    {-158, "Disk sector not found"},
    {-159, "Printer is out of paper"},
    {-160, "Device write error"},
    {-161, "Device read error"},
    {-162, "General failure"},

    // General library errors.
    {-1001, "Bad handle passed to com function"},
    {-1002, "Bad argument passed to function"},
    {-1003, "Got quit message"},
    {-1004, "Terminal buffer greater than 65521"},
    {-1005, "ComPort component not assigned"},
    {-1006, "Internal error creating window class"},
    {-1007, "Modem component not assigned"},
    {-1008, "Phonebook component not assigned"},
    {-1009, "Component not compatible with WinSock"},

    // Opening the port.
    {-2001, "ie_BadId - Specified comport doesn't exist"},
    {-2002, "ie_Baudrate - unsupported baud rate"},
    {-2003, "ie_Bytesize - invalid byte size"},
    {-2004, "ie_Default - error in default parameters"},
    {-2005, "ie_Hardware - Specified comport in use"},
    {-2006, "ie_Memory - unable to allocate queues"},
    {-2007, "ie_NOpen - device not open"},
    {-2008, "ie_Open - device already open"},
    {-2009, "No more handles, can't open port"},
    {-2010, "No timers available"},
    {-2011, "The ComNumber property of the TSioComPort has not been set"},
    {-2012, "Comport was not opened by Tapi"},

    // Serial input/output.
    {-3001, "No device layer specified"},
    {-3002, "Function not supported by driver"},
    {-3003, "EnableCommNotification failed"},
    {-3004, "Failed to put entire block"},
    {-3005, "Failed to get entire block"},
    {-3006, "Output buffer too small for block"},
    {-3007, "Buffer is empty"},
    {-3008, "Tracing not enabled"},
    {-3009, "Logging not enabled"},
    {-3010, "Base address not set"},

    // Triggers.
    {-5001, "No more trigger slots"},
    {-5002, "Data trigger too long"},
    {-5003, "Bad trigger handle"},

    // Dispatch log and trace: header lines.
    {15001, "SIO "},
    {15002, "Compiler : "},
    {15003, "Unknown"},
    {15004, "Operating System : "},
    {15005, "Device: "},
    {15006, "Date/time: "},
    {15007, "Time      Type      SubType       Data      OtherData"},
    {15008, "--------  --------  ------------  --------  ---------"},
    {15011, "Receive: "},
    {15012, "Transmit: "},
    {15013, "Special-"},

    // Record types.
    {15100, "No event"},
    {15101, "Dispatch"},
    {15102, "Trigger"},
    {15103, "Error"},
    {15104, "Thread"},
    {15105, "TrigAllc"},
    {15106, "TrigDisp"},
    {15107, "TrgHdAlc"},
    {15108, "TrgHdDsp"},
    {15109, "TrDatChg"},
    {15110, "Telnet"},
    {15111, "Fax"},
    {15112, "XModem"},
    {15113, "YModem"},
    {15114, "ZModem"},
    {15115, "Kermit"},
    {15116, "Ascii"},
    {15117, "BPlus"},
    {15118, "Packet"},
    {15119, "User"},
    {15120, "Script"},

    // Record subtypes.
    {15200, ""},
    {15201, "ReadCom"},
    {15202, "WriteCom"},
    {15203, "Line status"},
    {15204, "Modem status"},
    {15205, "Avail"},
    {15206, "Timer"},
    {15207, "Data"},
    {15208, "Status"},
    {15209, "Start"},
    {15210, "Exit"},
    {15211, "Sleep"},
    {15212, "Wake"},
    {15213, "Data"},
    {15214, "Timer"},
    {15215, "Status"},
    {15216, "Avail"},
    {15217, "Window"},
    {15218, "Procedure"},
    {15219, "Method"},

    // Status trigger kinds.
    {15300, "(Not active)"},
    {15301, "(Modem status)"},
    {15302, "(Line status)"},
    {15303, "(Output buffer free)"},
    {15304, "(Output buffer used)"},
    {15305, "(Output sent)"},

    // Modem status bits, bit 0 to 7.
    {15400, "DCTS "},
    {15401, "DDSR "},
    {15402, "TERI "},
    {15403, "DDCD "},
    {15404, "CTS "},
    {15405, "DSR "},
    {15406, "RI "},
    {15407, "DCD "},
};
// clang-format on

constexpr bool StrictlyAscendingByMagnitude() {
    for (std::size_t i = 1; i < std::size(kRows); ++i)
        if (Magnitude(kRows[i - 1].Code) >= Magnitude(kRows[i].Code)) return false;
    return true;
}
static_assert(StrictlyAscendingByMagnitude(), "message rows must be sorted by |code|, no repeats");

}  // namespace

std::span<const SioMessageNumberLookupRecord> SioMessageRows() { return kRows; }

const char* SioMessageText(std::int32_t magnitude) {
    int low = 0;
    int high = static_cast<int>(std::size(kRows)) - 1;
    while (low <= high) {
        const int middle = (low + high + 1) / 2;
        const std::int32_t found = Magnitude(kRows[middle].Code);
        if (found == magnitude) return kRows[middle].Text;
        if (found > magnitude)
            high = middle - 1;
        else
            low = middle + 1;
    }
    return nullptr;
}
