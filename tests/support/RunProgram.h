#pragma once
// Runs a program of the project as a person would from a shell, for tests of its command line.

#include <string>
#include <vector>

struct ProgramRun {
    int exitCode = -1;  // -1 when it could not start, ended by a signal or was stopped
    std::string output; // standard output and standard error, as they arrived
};

// Runs `argv` (the program's path first) and collects its output for at most `seconds`.
[[nodiscard]] ProgramRun RunProgram(std::vector<std::string> argv, int seconds = 30);
