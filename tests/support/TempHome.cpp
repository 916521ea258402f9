#include "TempHome.h"

#include <cstdlib>

namespace {
const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR"};
}

TempHome::TempHome() {
    for (int i = 0; i < 3; ++i) {
        const char* value = std::getenv(kVariables[i]);
        saved_[i] = {kVariables[i], value != nullptr, value ? value : ""};
        unsetenv(kVariables[i]);
    }
    setenv("HOME", dir_.Path().c_str(), 1);
}

TempHome::~TempHome() {
    for (const Saved& s : saved_) {
        if (s.present)
            setenv(s.name, s.value.c_str(), 1);
        else
            unsetenv(s.name);
    }
}
