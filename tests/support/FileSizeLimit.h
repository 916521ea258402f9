#pragma once

#include <sys/resource.h>

#include <cstddef>

// Lets the process write no regular file beyond `bytes` for the life of the object, the way a
// full disk stops a write part-way (root is held to it too, unlike to file permissions).
// Writes past the limit fail with EFBIG ("File too large") instead of raising a signal.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(std::size_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit saved_{};
    void (*savedHandler_)(int) = nullptr;
};
