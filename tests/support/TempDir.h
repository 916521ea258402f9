#pragma once

#include <string>

// A fresh directory under the system's temporary folder, removed with everything in it when the
// object goes. Path() has no trailing separator.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};
