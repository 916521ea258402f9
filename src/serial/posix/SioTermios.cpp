#include "SioTermios.h"

#include <cerrno>
#include <utility>

#include "SioErrorCodes.h"

namespace {

constexpr std::pair<std::uint32_t, speed_t> kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},
#ifdef B460800
    {460800, B460800},   {500000, B500000},   {576000, B576000},   {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
#endif
};

bool SpeedForRate(std::uint32_t rate, speed_t& speed) {
    for (const auto& [known, code] : kRates) {
        if (known == rate) {
            speed = code;
            return true;
        }
    }
    return false;
}

std::uint32_t RateForSpeed(speed_t speed) {
    for (const auto& [rate, code] : kRates)
        if (code == speed) return rate;
    return 0;
}

#ifndef CMSPAR
constexpr tcflag_t CMSPAR = 0;  // mark and space parity need it; without it they are refused
#endif

}  // namespace

std::int32_t SioDcbToTermios(const TSioDcb& dcb, termios& settings) {
    speed_t speed;
    if (!SpeedForRate(sio::BaudFromDcbValue(dcb.BaudRate), speed)) return sio::ecBaudRate;
    tcflag_t size;
    switch (dcb.ByteSize) {
        case 5:
            size = CS5;
            break;
        case 6:
            size = CS6;
            break;
        case 7:
            size = CS7;
            break;
        case 8:
            size = CS8;
            break;
        default:
            return sio::ecByteSize;
    }
    tcflag_t parity;
    switch (dcb.Parity) {
        case sio::NoParity:
            parity = 0;
            break;
        case sio::OddParity:
            parity = PARENB | PARODD;
            break;
        case sio::EvenParity:
            parity = PARENB;
            break;
        case sio::MarkParity:
            parity = PARENB | CMSPAR | PARODD;
            break;
        case sio::SpaceParity:
            parity = PARENB | CMSPAR;
            break;
        default:
            return -EINVAL;
    }
    if (dcb.Parity >= sio::MarkParity && CMSPAR == 0) return -EINVAL;
    if (dcb.StopBits > sio::TwoStopBits) return -EINVAL;

    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CLOCAL | CREAD | size | parity;
    // 1.5 stop bits exist only with 5-bit characters, where the UART gives them for CSTOPB.
    if (dcb.StopBits != sio::OneStopBit) settings.c_cflag |= CSTOPB;
    if (dcb.Flags & sio::dcbParity) settings.c_iflag |= INPCK;
    const bool rtsHandshake = (dcb.Flags & sio::dcbRtsControlMask) == sio::dcbRtsControlHandshake;
    if ((dcb.Flags & sio::dcbOutxCtsFlow) || rtsHandshake) settings.c_cflag |= CRTSCTS;
    if (dcb.Flags & sio::dcbOutX) settings.c_iflag |= IXON;
    if (dcb.Flags & sio::dcbInX) settings.c_iflag |= IXOFF;
    settings.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, speed);
    cfsetospeed(&settings, speed);
    return 0;
}

void SioDcbFromTermios(const termios& settings, TSioDcb& dcb) {
    if (const std::uint32_t rate = RateForSpeed(cfgetospeed(&settings))) dcb.BaudRate = rate;
    switch (settings.c_cflag & CSIZE) {
        case CS5:
            dcb.ByteSize = 5;
            break;
        case CS6:
            dcb.ByteSize = 6;
            break;
        case CS7:
            dcb.ByteSize = 7;
            break;
        default:
            dcb.ByteSize = 8;
            break;
    }
    const tcflag_t parity = settings.c_cflag & (PARENB | PARODD | CMSPAR);
    if (!(parity & PARENB))
        dcb.Parity = sio::NoParity;
    else if (CMSPAR != 0 && (parity & CMSPAR))
        dcb.Parity = (parity & PARODD) ? sio::MarkParity : sio::SpaceParity;
    else
        dcb.Parity = (parity & PARODD) ? sio::OddParity : sio::EvenParity;
    if (!(settings.c_cflag & CSTOPB))
        dcb.StopBits = sio::OneStopBit;
    else
        dcb.StopBits = dcb.ByteSize == 5 ? sio::One5StopBits : sio::TwoStopBits;

    auto setFlag = [&dcb](std::uint32_t flag, bool on) {
        dcb.Flags = on ? (dcb.Flags | flag) : (dcb.Flags & ~flag);
    };
    setFlag(sio::dcbBinary, true);
    setFlag(sio::dcbParity, (settings.c_iflag & INPCK) != 0);
    setFlag(sio::dcbOutX, (settings.c_iflag & IXON) != 0);
    setFlag(sio::dcbInX, (settings.c_iflag & IXOFF) != 0);
    // CRTSCTS is both directions of the hardware handshake; a record that asks for either
    // keeps its own choice.
    const bool hardwareFlow = (settings.c_cflag & CRTSCTS) != 0;
    const std::uint32_t rts = dcb.Flags & sio::dcbRtsControlMask;
    const bool recordHasFlow =
        (dcb.Flags & sio::dcbOutxCtsFlow) || rts == sio::dcbRtsControlHandshake;
    if (hardwareFlow && !recordHasFlow) {
        dcb.Flags = (dcb.Flags & ~sio::dcbRtsControlMask) | sio::dcbRtsControlHandshake |
                    sio::dcbOutxCtsFlow;
    } else if (!hardwareFlow) {
        setFlag(sio::dcbOutxCtsFlow, false);
        if (rts == sio::dcbRtsControlHandshake)
            dcb.Flags = (dcb.Flags & ~sio::dcbRtsControlMask) | sio::dcbRtsControlEnable;
    }
    dcb.XonChar = static_cast<char>(settings.c_cc[VSTART]);
    dcb.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
}
