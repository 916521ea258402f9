#pragma once

#include <string>

// Small text helpers shared by the list model, the list files and the instrument conversation.
// Texts are 8-bit: one byte per character, as the instrument and the list files hold them.

// A copy of `text` in which every character a file name cannot hold (codes 0 to 31 and
// " * / : < > ? \ |) becomes "_". The length does not change.
std::string SafeFileName(const std::string& text);

// True exactly for codes 32 (blank) to 126 ("~").
bool IsPrintableChar(char c);

// Replaces every bad character of `text` by a blank and tells whether all were good. A good
// character is printable and, unless `allowBang`, not "!" (which opens every instrument command).
bool FixEntryText(std::string& text, bool allowBang);

// True when `text` is one ASCII letter or digit.
bool IsSingleAlphaNum(const std::string& text);

// True when `text` reads as a whole number from 1 to 9999: optional leading blanks, an optional
// sign, decimal digits or a hexadecimal prefix ("$", "x", "X", "0x", "0X") with hexadecimal
// digits, and nothing after. Text that does not read as a number counts as 0.
bool IsNumber1To9999(const std::string& text);

// The value of an environment variable whose name matches `name` without regard to letter case
// (an exact match wins); empty when there is none.
std::string GetEnvVar(const std::string& name);

// The characters of `text` from the last to the first: register texts travel reversed.
std::string ReverseText(const std::string& text);
