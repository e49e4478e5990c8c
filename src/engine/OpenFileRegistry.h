#pragma once
// The recovered files being written at this moment, kept where a signal
// handler can reach them without locks or allocation. When the program is
// ended before it can close them (a second Ctrl-C, SIGTERM at logout), the
// handler renames each one to NAME.incomplete, so a half-written file never
// keeps a name that passes it off as complete.

namespace ostrel::openfiles {

// What a file that was not written whole gets after its name.
inline constexpr char kIncompleteSuffix[] = ".incomplete";

// Records the file `name` in the folder open at `dirFd` (the caller keeps
// the descriptor open until release()). Returns a slot for release(), or -1
// when every slot is taken or the name is too long (the file is then simply
// not covered). Any thread.
int track(int dirFd, const char* name);

// Forgets a slot from track(); -1 is ignored. Any thread.
void release(int slot);

// Renames every tracked file to NAME.incomplete (never replacing an existing
// entry) and returns how many were renamed. Async-signal-safe.
int setAsideAll();

// A signal handler for signals that end the program: sets the tracked files
// aside, then dies of the same signal with its default action.
void setAsideAndDie(int signal);

} // namespace ostrel::openfiles
