#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The instrument's registers: numbered slots of 16 characters. Registers 40 to 255 hold the
// lists; register 16 the calibration due date.
//
//   40 - 47   Bluetooth addresses      list 6 (Address)
//   48 - 146  vehicle (plant) IDs      list 0 (Plant)
//  147 - 218  trailer IDs              list 1 (Trailer); only 70 of the 72 are transferred
//  219 - 226  Bluetooth friendly names list 7 (Friendly)
//  227 - 234  driver (examiner) names  list 4 (Examiner)
//  235 - 250  site conditions          list 2 (Site)
//  251 - 254  brake types              list 3 (Brake)
//  255        company name             list 5 (Company)
//
// List texts travel reversed, last character first. A Bluetooth address is 13 characters: it
// travels as "000" + the address, reversed.
namespace instrument {

enum ListIndex : int {
    kPlantList = 0,
    kTrailerList = 1,
    kSiteList = 2,
    kBrakeList = 3,
    kExaminerList = 4,
    kCompanyList = 5,
    kAddressList = 6,
    kFriendlyList = 7,
};

inline constexpr std::uint16_t kCalibrationRegister = 16;
inline constexpr std::uint16_t kCompanyRegister = 255;
inline constexpr std::size_t kRegisterWidth = 16;
inline constexpr std::size_t kAddressWidth = 13;

struct RegisterEntry {
    int List = 0;
    int Entry = 0;
};

// The list entry a register holds; nothing for registers outside the lists.
std::optional<RegisterEntry> EntryOfRegister(std::uint16_t reg);

bool IsAddressRegister(std::uint16_t reg);

// Register data for a list text (padded with blanks or cut to 16, then reversed) ...
std::string EncodeEntry(std::string_view text);
// ... and for an address text (padded or cut to 13, "000" in front, reversed).
std::string EncodeAddress(std::string_view text);
// The list text that register data carries: all of it, reversed (also the calibration date) ...
std::string DecodeEntry(std::string_view data);
// ... and the address: its first 13 characters, reversed.
std::string DecodeAddress(std::string_view data);

}  // namespace instrument
