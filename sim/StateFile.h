#pragma once

#include <optional>
#include <string>

#include "RegisterMap.h"

namespace sim {

// The registers kept between runs, one line each ("R048=..." with the 16 characters as they
// sit in the register, control characters and "[" written as "[HH]"). Registers the file does
// not mention keep the instrument's defaults.
class StateFile {
public:
    explicit StateFile(std::string path) : path_(std::move(path)) {}

    const std::string& Path() const { return path_; }

    // Loads into `registers`; false when the file does not exist yet. A file that cannot be read
    // or is not in this form raises ESimError and leaves `registers` unchanged.
    bool Load(Registers& registers) const;
    // Writes a new file beside the old one and renames it over it, so a crash never leaves half
    // a file behind. Raises ESimError on failure.
    void Save(const Registers& registers) const;

private:
    std::string path_;
};

}  // namespace sim
