// The one way a stage ends the run early: it throws FatalStop, and the main
// driver alone cleans up (work files, report) and sets the exit status.
#pragma once

#include <stdexcept>
#include <string>

namespace quarlo {

// Exit status of the program: 0 after a successful run.
enum ExitStatus : int {
    kExitOk = 0,
    kExitDataErrors = 1,  // errors in data / observation processing / matrix
    kExitSetupFailed = 2, // run abandoned while files were being assigned
    kExitRunTimeError = 3, // a file could not be written: a work file, the report, the
                           // station, height or zenith-distance file (or a work file read)
    kExitOutputFailed = 4, // the report is complete, but a data, map or picture output could
                           // not be written, or a station or zenith-distance file not opened
    kExitInputDropped = 5  // the run completed, but input records were skipped or left out
};

class FatalStop : public std::runtime_error {
public:
    // console_message: the line written to the console between blank lines
    // (for example " Errors in observation processing"); may be empty.
    // finish_report: the driver closes the report with its final page break.
    FatalStop(std::string console_message, int exit_status, bool finish_report = true)
        : std::runtime_error(console_message),
          console_message_(std::move(console_message)),
          exit_status_(exit_status),
          finish_report_(finish_report) {}

    const std::string& console_message() const { return console_message_; }
    int exit_status() const { return exit_status_; }
    bool finish_report() const { return finish_report_; }

private:
    std::string console_message_;
    int exit_status_;
    bool finish_report_;
};

} // namespace quarlo
