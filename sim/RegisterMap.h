#pragma once

#include <array>
#include <string>

// Where the instrument keeps what: 256 registers of 16 characters. The list registers and the
// calibration date hold their text reversed (last character first); a Bluetooth address holds
// its 13 characters reversed, followed by "000".
namespace sim {

inline constexpr int kRegisterCount = 256;
inline constexpr std::size_t kRegisterWidth = 16;
inline constexpr std::size_t kAddressWidth = 13;

inline constexpr int kCalibrationRegister = 16;
inline constexpr int kFirstAddressRegister = 40;
inline constexpr int kFirstPlantRegister = 48;
inline constexpr int kFirstTrailerRegister = 147;
inline constexpr int kFirstFriendlyRegister = 219;
inline constexpr int kFirstExaminerRegister = 227;
inline constexpr int kFirstSiteRegister = 235;
inline constexpr int kFirstBrakeRegister = 251;
inline constexpr int kCompanyRegister = 255;
// Registers below the lists belong to the instrument; writes leave them unchanged.
inline constexpr int kFirstWritableRegister = kFirstAddressRegister;

using Registers = std::array<std::string, kRegisterCount>;

// A list entry as a register holds it.
std::string EntryToRegister(const std::string& text);
std::string AddressToRegister(const std::string& address);

// The contents of a new instrument: a fleet that differs from the program's default lists, so
// that reading from the instrument visibly changes them.
Registers DefaultRegisters();

}  // namespace sim
