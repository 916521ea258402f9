#pragma once

#include <chrono>
#include <string>
#include <vector>

// Runs a program (looked up on PATH) to its end and keeps what it printed. A program still
// running after `limit` is killed and reported with status -1.
struct ProgramRun {
    int status = -1;  // the exit status; -1 when it did not end by itself
    std::string out;
    std::string err;
};

ProgramRun RunProgram(const std::vector<std::string>& arguments,
                      std::chrono::milliseconds limit = std::chrono::seconds(120));
