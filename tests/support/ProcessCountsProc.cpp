#include "ProcessCounts.h"

#include <dirent.h>

namespace {

// Entries of a /proc folder, without "." and "..", and without the descriptor of the
// listing itself.
int CountEntries(const char* path, bool skipOwn) {
    DIR* dir = opendir(path);
    if (!dir) return -1;
    int count = 0;
    while (dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return skipOwn ? count - 1 : count;
}

}  // namespace

int ThreadCount() {
    return CountEntries("/proc/self/task", false);
}

int OpenDescriptorCount() {
    return CountEntries("/proc/self/fd", true);
}
