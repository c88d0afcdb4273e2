#pragma once
// The requests to end the process that arrive from outside the window: a desktop session that
// logs out or shuts down, `kill`, Ctrl+C in a terminal, a closed terminal. The window treats
// them as an orderly close, so that the exit save runs.
#include <cstdint>

namespace platform {

// POSIX: SIGTERM, SIGINT and SIGHUP each write one byte to a pipe instead of ending the
// process; the returned descriptor is the pipe's reading end, to be watched by the event loop
// (read it empty when it becomes readable). Installed once; later calls return the same
// descriptor. -1 when the pipe cannot be made, and on Windows, where a windowed program gets
// these requests as window messages instead.
int watchTerminationSignals();
// Reads the pending bytes of that descriptor, so that it is not reported readable again.
void drainTerminationSignals();

// True while a process with this id exists (also one of another user).
bool processRunning(std::int64_t pid);

}  // namespace platform
