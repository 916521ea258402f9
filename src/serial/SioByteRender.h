#pragma once

#include <cstdint>
#include <string>

// How trace and log files show one byte. All-hex mode: "[0D]" for every byte. Otherwise a
// printable byte is itself (in hex mode a blank counts as unprintable, so it shows as "[20]"),
// and any other byte is "[0D]" in hex mode or its decimal value, "[13]", without it.
// Appends the item to `out` and returns its width in columns.
int AppendRenderedByte(std::string& out, std::uint8_t byte, bool hexMode, bool allHex);
