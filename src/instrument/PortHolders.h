#pragma once

#include <optional>
#include <string>

// Programs as the kernel's process folder shows them. Only what this user may look at is
// found: another user's open files stay hidden unless this program is privileged.

struct ProcessName {
    std::string name;
    int pid = 0;
};

// A process other than this one with the device open, or nothing.
std::optional<ProcessName> FindPortHolder(const std::string& devicePath,
                                          const std::string& procRoot = "/proc");

// Whether a process of that name runs (its name as the kernel keeps it, at most 15 characters).
bool ProcessRunning(const std::string& name, const std::string& procRoot = "/proc");
