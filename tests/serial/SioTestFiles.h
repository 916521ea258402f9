#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "SioErrorCodes.h"

// Whole-file helpers for the trace and log tests; files are compared byte for byte.
inline std::string ReadFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

// What writing into a folder that does not exist reports: POSIX finds no such file, Windows
// no such path.
#ifdef _WIN32
inline constexpr std::int32_t kMissingFolderResult = sio::ecPathNotFound;
#else
inline constexpr std::int32_t kMissingFolderResult = sio::ecFileNotFound;
#endif
