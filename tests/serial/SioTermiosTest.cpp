#include <gtest/gtest.h>

#include <cerrno>

#include "SioErrorCodes.h"
#include "SioTermios.h"

namespace {

TSioDcb Record(std::uint32_t baud, std::uint8_t size, std::uint8_t parity, std::uint8_t stop,
               std::uint32_t flags = sio::dcbBinary | sio::dcbDtrControlEnable |
                                     sio::dcbRtsControlEnable) {
    TSioDcb dcb;
    dcb.BaudRate = baud;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.Flags = flags;
    return dcb;
}

// A terminal as a shell leaves it: line editing, echo, signals, output processing.
termios CookedTerminal() {
    termios t{};
    t.c_iflag = ICRNL | IXON | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | HUPCL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    return t;
}

}  // namespace

TEST(SioTermios, WritesARawLineThatReadsAtOnce) {
    termios t = CookedTerminal();
    ASSERT_EQ(SioDcbToTermios(Record(9600, 8, sio::NoParity, sio::OneStopBit), t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(cfgetispeed(&t), B9600);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | BRKINT | INPCK), 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(SioTermios, EveryFormatAndFlowSettingSurvivesTheRoundTrip) {
    const TSioDcb records[] = {
        Record(9600, 8, sio::NoParity, sio::OneStopBit),
        Record(19200, 7, sio::EvenParity, sio::TwoStopBits, sio::dcbBinary | sio::dcbParity),
        Record(115200, 8, sio::OddParity, sio::OneStopBit,
               sio::dcbBinary | sio::dcbOutxCtsFlow | sio::dcbRtsControlHandshake),
        Record(300, 5, sio::MarkParity, sio::One5StopBits, sio::dcbBinary | sio::dcbOutX),
        Record(57600, 6, sio::SpaceParity, sio::OneStopBit, sio::dcbBinary | sio::dcbInX),
    };
    for (const TSioDcb& written : records) {
        termios t = CookedTerminal();
        ASSERT_EQ(SioDcbToTermios(written, t), 0) << written.BaudRate;
        TSioDcb read = written;
        read.BaudRate = 0;
        read.ByteSize = 0;
        read.Parity = 9;
        read.StopBits = 9;
        SioDcbFromTermios(t, read);
        EXPECT_EQ(read, written) << written.BaudRate;
    }
}

TEST(SioTermios, FlowControlMapsToTheDriversHandshakes) {
    termios t{};
    TSioDcb dcb = Record(9600, 8, sio::NoParity, sio::OneStopBit,
                         sio::dcbBinary | sio::dcbOutX | sio::dcbInX | sio::dcbOutxCtsFlow);
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x22;
    ASSERT_EQ(SioDcbToTermios(dcb, t), 0);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(t.c_cc[VSTART], 0x21);
    EXPECT_EQ(t.c_cc[VSTOP], 0x22);

    // A device switched to hardware flow elsewhere shows as both handshake directions.
    TSioDcb plain = Record(9600, 8, sio::NoParity, sio::OneStopBit);
    SioDcbFromTermios(t, plain);
    EXPECT_NE(plain.Flags & sio::dcbOutxCtsFlow, 0u);
    EXPECT_EQ(plain.Flags & sio::dcbRtsControlMask, sio::dcbRtsControlHandshake);
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    SioDcbFromTermios(t, plain);
    EXPECT_EQ(plain.Flags & sio::dcbOutxCtsFlow, 0u);
    EXPECT_EQ(plain.Flags & sio::dcbRtsControlMask, sio::dcbRtsControlEnable);
}

TEST(SioTermios, RefusesWhatTheLineCannotDoAndLeavesTheSettingsAlone) {
    const termios before = CookedTerminal();
    termios t = before;
    EXPECT_EQ(SioDcbToTermios(Record(12345, 8, sio::NoParity, sio::OneStopBit), t),
              sio::ecBaudRate);
    EXPECT_EQ(SioDcbToTermios(Record(9600, 9, sio::NoParity, sio::OneStopBit), t), sio::ecByteSize);
    EXPECT_EQ(SioDcbToTermios(Record(9600, 8, 7, sio::OneStopBit), t), -EINVAL);
    EXPECT_EQ(SioDcbToTermios(Record(9600, 8, sio::NoParity, 5), t), -EINVAL);
    EXPECT_EQ(t.c_cflag, before.c_cflag);
    EXPECT_EQ(t.c_lflag, before.c_lflag);
    // The driver's rate codes are rates too.
    EXPECT_EQ(SioDcbToTermios(Record(0xFF16, 8, sio::NoParity, sio::OneStopBit), t), 0);
    EXPECT_EQ(cfgetospeed(&t), B9600);
}
