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
    void Fail(int errorNumber);

    int fd_ = -1;
    std::string buffer_;
    std::int32_t error_ = 0;
};
