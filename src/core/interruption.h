// An interrupted run cleans up after itself. SIGINT, SIGTERM and SIGHUP end
// the program with status 128 + the signal's number once the run's work
// folder and the temporaries of its staged outputs are removed; the files
// those temporaries would have replaced stay as they were.
#pragma once

#include <mutex>
#include <string>

namespace quarlo::interruption {

// Holds an interruption off while a file that it would remove is created,
// renamed or removed together with its entry below, so that the clean-up
// never finds the one without the other. A thread may hold it again while
// it holds it.
[[nodiscard]] std::unique_lock<std::recursive_mutex> hold();

// The files removed, and the folder emptied and removed, if the run is
// interrupted. The caller holds hold().
void add_file(const std::string& path);
void remove_file(const std::string& path);
void set_folder(const std::string& path); // empty: none

// Called by the program's entry point before any other thread starts:
// blocks the three signals (the threads started later inherit that) and
// starts the thread that waits for them. A signal ignored when the program
// starts (nohup, a background job) stays ignored. A file that grows beyond
// the size limit fails its write instead of ending the program.
void install();

} // namespace quarlo::interruption
