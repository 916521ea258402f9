#pragma once

#include <termios.h>

#include <cstdint>

#include "SioDcb.h"

// The line settings record translated to and from termios. The record is the one the
// line-setting logic works on; termios holds only part of it (rate, character format, parity
// checking, hardware and XON/XOFF flow), so reading keeps the fields termios cannot hold
// (DTR and DSR handshake, the limits) from the record it is given.

// Fills `settings` from the record, in raw mode: no line editing, echo, signals or output
// processing, modem control lines ignored, receiver on, reads that return at once.
// → 0, sio::ecBaudRate for a rate the system cannot set, sio::ecByteSize for a character size
// outside 5..8, or −EINVAL for an unknown parity or stop-bit code.
std::int32_t SioDcbToTermios(const TSioDcb& dcb, termios& settings);

// Updates the fields of `dcb` that termios holds from `settings`.
void SioDcbFromTermios(const termios& settings, TSioDcb& dcb);
