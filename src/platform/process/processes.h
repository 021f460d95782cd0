#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lumetra::platform {

using ProcessId = int;

enum class ProgramLookup {
  asGiven,     // `program` is a path (relative ones resolve against the current directory)
  searchPath,  // a bare name is looked up on PATH
};

// Starts a program that runs on its own and may outlive the web process: in a
// session of its own (no controlling terminal, out of reach of signals sent to
// our process group), with standard input and output on /dev/null, no other
// inherited descriptors (printer sockets and the serial port stay ours),
// default signal handling and an empty signal mask. `arguments` starts with
// argv[0]. Never through a shell. The child is reaped when it exits, so no
// zombie stays behind. nullopt when it could not be started.
std::optional<ProcessId> startDetachedProcess(const std::string& program, const std::vector<std::string>& arguments,
                                              ProgramLookup lookup);

// Whether a process started by startDetachedProcess has not ended yet.
bool detachedProcessRuns(ProcessId process);

// Kills a process started by startDetachedProcess together with everything
// left in its process group, unless it has already been reaped: a reaped
// process's id may belong to a stranger by now.
void killDetachedProcess(ProcessId process);

}  // namespace lumetra::platform
