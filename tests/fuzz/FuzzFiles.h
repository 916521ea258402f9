#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A folder of this fuzz process's own under the system's temporary folder, made once and
// removed when the process ends.
inline const std::string& FuzzFolder() {
    // Never destroyed: the removal at exit runs after the destructors of statics made later.
    static const std::string* folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        auto* made =
            new std::string(std::string(tmp && *tmp ? tmp : "/tmp") + "/rostermate-fuzz-XXXXXX");
        if (::mkdtemp(made->data()) == nullptr) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(FuzzFolder(), ignored);
        });
        return made;
    }();
    return *folder;
}

// The whole file, or nothing when there is none.
inline bool ReadFuzzFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}
