#include "InstrumentFolder.h"

#include "CvMiscUtils.h"
#include "EInstCode.h"
#include "EStorePath.h"
#include "StorageDir.h"

namespace lists {

std::string InstrumentNumber(const std::string& serialText) {
    return SafeFileName(serialText.substr(0, 5));
}

std::string InstrumentFolder(const std::string& storagePath, const std::string& serialText) {
    if (storagePath.empty()) throw EStorePath("No path set to save/load IDs");
    const std::string number = InstrumentNumber(serialText);
    if (IsSingleAlphaNum(number.substr(0, 1)) && IsNumber1To9999(number.substr(1)))
        return storagePath + number + kPathSeparator;
    throw EInstCode("Not a valid instrument number \"" + number + "\"");
}

}  // namespace lists
