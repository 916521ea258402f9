#include <gtest/gtest.h>

#include "SioWin32Dcb.h"

TEST(SioWin32Dcb, FlagBitsLandInTheDriversFields) {
    TSioDcb settings;
    settings.BaudRate = 9600;
    settings.Flags = sio::dcbBinary | sio::dcbOutxCtsFlow | sio::dcbDtrControlEnable | sio::dcbInX |
                     sio::dcbRtsControlHandshake;
    settings.XonLim = 100;
    settings.XoffLim = 200;
    settings.Parity = sio::EvenParity;
    settings.StopBits = sio::TwoStopBits;
    settings.XoffChar = 0x19;
    const DCB block = SioDcbToWin32(settings);
    EXPECT_EQ(block.DCBlength, sizeof(DCB));
    EXPECT_EQ(block.BaudRate, 9600u);
    EXPECT_EQ(block.fBinary, 1u);
    EXPECT_EQ(block.fParity, 0u);
    EXPECT_EQ(block.fOutxCtsFlow, 1u);
    EXPECT_EQ(block.fOutxDsrFlow, 0u);
    EXPECT_EQ(block.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(block.fOutX, 0u);
    EXPECT_EQ(block.fInX, 1u);
    EXPECT_EQ(block.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
    EXPECT_EQ(block.XonLim, 100);
    EXPECT_EQ(block.XoffLim, 200);
    EXPECT_EQ(block.Parity, EVENPARITY);
    EXPECT_EQ(block.StopBits, TWOSTOPBITS);
    EXPECT_EQ(block.XoffChar, 0x19);
    EXPECT_EQ(SioDcbFromWin32(block), settings);
}

TEST(SioWin32Dcb, DriverFieldsComeBackAsFlagBits) {
    DCB block{};
    block.fDtrControl = DTR_CONTROL_HANDSHAKE;
    block.fRtsControl = RTS_CONTROL_TOGGLE;
    block.fAbortOnError = 1;
    block.fOutxDsrFlow = 1;
    block.ByteSize = 7;
    const TSioDcb settings = SioDcbFromWin32(block);
    EXPECT_EQ(settings.DCBlength, sizeof(TSioDcb));
    EXPECT_EQ(settings.Flags, sio::dcbDtrControlHandshake | sio::dcbRtsControlToggle |
                                  sio::dcbAbortOnError | sio::dcbOutxDsrFlow);
    EXPECT_EQ(settings.ByteSize, 7);
}
