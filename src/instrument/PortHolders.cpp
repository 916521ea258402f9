#include "PortHolders.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

namespace {

// Processes come and go while their folders are read: an entry that vanishes half-way is
// passed over instead of ending the walk.
void ForEachEntry(const fs::path& folder, const std::function<bool(const fs::path&)>& visit) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (visit(it->path())) return;
}

int ProcessNumber(const fs::path& entry) {
    const std::string name = entry.filename().string();
    int pid = 0;
    const auto [stop, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
    return error == std::errc() && stop == name.data() + name.size() && pid > 0 ? pid : 0;
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The kernel keeps 15 characters of a name; the program's own path says it in full.
std::string NameOf(const fs::path& process) {
    const std::string kept = FirstLine(process / "comm");
    std::ifstream in(process / "cmdline");
    std::string first;
    std::getline(in, first, '\0');
    const std::string program = fs::path(first).filename().string();
    return program.size() > kept.size() && program.compare(0, kept.size(), kept) == 0 ? program
                                                                                      : kept;
}

bool HasOpen(const fs::path& process, const fs::path& device) {
    bool found = false;
    ForEachEntry(process / "fd", [&](const fs::path& fd) {
        std::error_code error;
        found = fs::read_symlink(fd, error) == device && !error;
        return found;
    });
    return found;
}

}  // namespace

std::optional<ProcessName> FindPortHolder(const std::string& devicePath,
                                          const std::string& procRoot) {
    std::error_code error;
    const fs::path device = fs::canonical(devicePath, error);
    if (error) return std::nullopt;
    const int self = static_cast<int>(::getpid());
    std::optional<ProcessName> holder;
    ForEachEntry(procRoot, [&](const fs::path& process) {
        const int pid = ProcessNumber(process);
        if (pid == 0 || pid == self || !HasOpen(process, device)) return false;
        holder = ProcessName{NameOf(process), pid};
        return true;
    });
    return holder;
}

bool ProcessRunning(const std::string& name, const std::string& procRoot) {
    bool running = false;
    ForEachEntry(procRoot, [&](const fs::path& process) {
        running = ProcessNumber(process) != 0 && FirstLine(process / "comm") == name;
        return running;
    });
    return running;
}
