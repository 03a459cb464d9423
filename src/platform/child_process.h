#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace veltrana {

// How a program run in a process of its own ended.
struct ChildRun {
    enum class End { Exited, Crashed, TimedOut, NotStarted };
    End end;
    int exitCode = 0;  // when it exited
    std::string out;   // what it wrote to standard output
    std::string why;   // the system's words when it did not start
};

// Runs another program in a process of its own and waits for it, so that whatever goes wrong in
// that program (a library reading past its memory, an endless loop) ends that process, never
// this one.
class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // program is a path without the platform's suffix for programs (".exe"). One that runs
    // longer than timeout is killed.
    virtual ChildRun run(const std::string& program, const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout) = 0;
};

}  // namespace veltrana
