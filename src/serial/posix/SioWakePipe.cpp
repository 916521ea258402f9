#include "SioWakePipe.h"

#include <fcntl.h>
#include <unistd.h>

TSioWakePipe::~TSioWakePipe() {
    Close();
}

bool TSioWakePipe::Create() {
    Close();
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    read_ = ends[0];
    write_ = ends[1];
    return true;
}

void TSioWakePipe::Close() {
    if (read_ >= 0) ::close(read_);
    if (write_ >= 0) ::close(write_);
    read_ = write_ = -1;
}

void TSioWakePipe::Wake() const {
    if (write_ < 0) return;
    const char byte = 1;
    // A full pipe already holds a pending wake.
    [[maybe_unused]] const ssize_t ignored = ::write(write_, &byte, 1);
}

void TSioWakePipe::Drain() const {
    if (read_ < 0) return;
    char bytes[64];
    while (::read(read_, bytes, sizeof bytes) > 0) {
    }
}
