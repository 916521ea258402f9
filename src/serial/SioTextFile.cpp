#include "SioTextFile.h"

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

TSioTextFile::~TSioTextFile() {
    if (file_ != -1) CloseFile();
}

std::int32_t TSioTextFile::Open(const std::string& path, bool append) {
    if (const std::int32_t code = OpenFile(path, append); code != 0) return code;
    error_ = 0;
    buffer_.clear();
    buffer_.reserve(kBufferSize);
    return 0;
}

void TSioTextFile::Write(std::string_view text) {
    if (file_ == -1 || error_ != 0) return;
    buffer_.append(text);
    if (buffer_.size() >= kBufferSize) Flush();
}

void TSioTextFile::Flush() {
    for (std::size_t done = 0; done < buffer_.size() && error_ == 0;) {
        const std::int64_t n = WriteSome(buffer_.data() + done, buffer_.size() - done);
        if (n < 0)
            Fail(static_cast<std::int32_t>(n));
        else
            done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

void TSioTextFile::Fail(std::int32_t code) {
    if (error_ == 0) error_ = code;
}

std::int32_t TSioTextFile::Close() {
    if (file_ == -1) return error_;
    Flush();
    if (const std::int32_t code = CloseFile(); code != 0) Fail(code);
    file_ = -1;
    return error_;
}
