#pragma once

#include <string>

#include "TempDir.h"

// Points HOME at a fresh temporary folder for the life of the object, so that the documents
// folder (and with it the program's storage folder) lies where the test can see it. The
// previous HOME and XDG settings come back afterwards.
class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Path() const { return dir_.Path(); }
    std::string Documents() const { return dir_.Path() + "/Documents"; }

private:
    TempDir dir_;
    struct Saved {
        const char* name;
        bool present;
        std::string value;
    };
    Saved saved_[3];
};
