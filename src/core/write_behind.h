// A C stream for a file that is written only forwards, whose bytes reach the
// system through a second thread: the system's work of taking them (copying
// into its cache, reserving blocks) then overlaps the run's own, instead of
// holding the run up at every full buffer. A report of some megabytes costs
// the system milliseconds.
//
// The stream checks like any other: a write that the thread could not make
// fails the stream's next transfer (a full buffer passed on, a flush) or its
// close, with the thread's errno. Closing waits for every byte to be
// written.
#pragma once

#include <cstdio>

namespace quarlo {

class WriteBehind;

struct WriteBehindStream {
    std::FILE* file = nullptr;      // the stream; fclose ends the thread
    WriteBehind* writer = nullptr;  // valid until the stream is closed
};

// A stream writing to fd, which it owns and closes on fclose. With
// `truncate`, the thread first empties the file (what was there goes before
// any byte is written): an old file of megabytes can take the system
// milliseconds to free. A null file (errno set, fd left open) when the
// stream or its thread cannot be made. The stream cannot seek or read.
WriteBehindStream open_write_behind(int fd, bool truncate);

// Waits until every byte the stream has passed on so far is written: 0, or
// the errno of a write that failed. After a flush of the stream, the bytes
// are then in the file for any reader.
int drain(WriteBehind& writer);

} // namespace quarlo
