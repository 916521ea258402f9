#pragma once

#include <string>

// Where the list files of one instrument live: a folder named after the instrument number (the
// first five characters of its serial number, made safe for a file name) in the storage folder.
namespace lists {

std::string InstrumentNumber(const std::string& serialText);

// storagePath + instrument number + separator. Raises EStorePath when there is no storage
// folder and EInstCode when the number is not a letter or digit followed by 1 to 9999.
std::string InstrumentFolder(const std::string& storagePath, const std::string& serialText);

}  // namespace lists
