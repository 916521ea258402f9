#include "TempDir.h"

#include <cstdio>
#include <filesystem>
#include <random>
#include <stdexcept>

// A new name is tried until one is free (what mkdtemp does, which Windows lacks); creating the
// directory is the test that nobody else has it.
TempDir::TempDir() {
    const auto base = std::filesystem::temp_directory_path();
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "rostermate-test-%012llx",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        const auto path = base / name;
        std::error_code error;
        if (std::filesystem::create_directory(path, error)) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, error);
            path_ = path.string();
            return;
        }
        if (error) throw std::runtime_error("Cannot create a temporary folder: " + error.message());
    }
    throw std::runtime_error("No free name for a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    // A test may have made parts read-only to provoke failures; give them back first.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}
