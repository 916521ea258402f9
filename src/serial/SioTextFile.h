#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A text file written front to back through a buffer, as the trace and the log are. Failures
// are kept, not thrown: the first one is what Close reports, as a negated runtime I/O code.
class TSioTextFile {
public:
    TSioTextFile() = default;
    ~TSioTextFile();
    TSioTextFile(const TSioTextFile&) = delete;
    TSioTextFile& operator=(const TSioTextFile&) = delete;

    // Appends when asked (creating a missing file), else creates or replaces. 0 or an error code.
    std::int32_t Open(const std::string& path, bool append);
    void Write(std::string_view text);
    // Writes what is buffered and closes; 0, or the first error of the writes or the close.
    std::int32_t Close();

private:
    void Flush();
    // Keeps the first failure (a result code) as the one Close reports.
    void Fail(std::int32_t code);

    // The platform's part (SioTextFilePosix.cpp, SioTextFileWin.cpp). Opens `file_`: 0 or an
    // error code.
    std::int32_t OpenFile(const std::string& path, bool append);
    // Writes some of the bytes: how many (0 when the call should be made again), or an error
    // code.
    std::int64_t WriteSome(const char* data, std::size_t size);
    // Closes `file_`: 0 or an error code.
    std::int32_t CloseFile();

    // The platform's open file: a descriptor, or a Windows handle (-1 is "none" for both).
    std::intptr_t file_ = -1;
    std::string buffer_;
    std::int32_t error_ = 0;
};
