// The run log, "Velmora.log" in the temporary folder: a header line per install or uninstall
// run, a line per step with its outcome and error code, and the result, so an administrator
// can read afterwards what an unattended run did. Nothing in it changes a run's outcome. One log
// serves the whole process: its file is opened once, and every line, the report thread's too,
// is written through that one handle. Its text is UTF-8, so paths and names in any language read
// right on any Windows; the program's own code page 936 texts are converted on the way in.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace velmora {

inline constexpr char16_t kLogName[] = u"Velmora.log";
// A log that has grown past this is moved aside (one old generation) before a run appends.
inline constexpr plat::DWORD kLogRotateSize = 1024 * 1024;
// The header holds at most this much of the command line (a command line may be 32767
// characters); it says how much more there was.
inline constexpr std::size_t kLoggedCommandSize = 1024;

// A step that failed without the system giving a reason is logged, and shown, with this code of
// the program's own: the customer bit (29) keeps it apart from every code of the system's.
inline constexpr plat::DWORD kErrorNoSystemCode = 0x20000001;

// The last-error value a failed step left, or kErrorNoSystemCode when it left none. The step's
// caller clears the value before the step, so no earlier call's code is taken for its reason.
plat::DWORD FailureCode(plat::Kernel& kernel);

// An error code as the boxes show it: signed decimal, as "%d" formats a last-error value.
std::string ErrorCodeText(plat::DWORD error);

class RunLog;

// Runs one step with the last-error value cleared, so that a step that fails without setting
// one is not logged with an earlier call's code; logs its outcome and passes it on.
template <typename Step>
plat::BOOL Logged(plat::Kernel& kernel, RunLog& log, std::string_view name, Step step);

class RunLog {
  public:
    // Only the kernel's files and clock are used. It must outlive every thread that writes to it.
    explicit RunLog(plat::Kernel& kernel);

    // Opens the log, the first time (see OpenLogFile), then writes the run's header line with
    // the command line as the system gave it.
    void Begin(std::u16string_view command_tail);
    // One line of UTF-8, after the time of day.
    void Write(std::string_view text);
    // One line of code page 936 text (the program's own, the spooler's names), as UTF-8.
    void WriteGbk(std::string_view text);
    // "<step>: ok" or "<step>: failed, error <code>", saying so when the code is the program's,
    // and that the program must be run as administrator when access was denied to a run that
    // was not elevated. The step is UTF-8.
    void Step(std::string_view step, bool ok, plat::DWORD error);
    // The run's result; a negative exit code is left out (runs from the dialog have none).
    void End(bool ok, int exit_code);

  private:
    // Opens the log file; says why an existing one was left alone.
    std::string Open();
    void Append(const std::string& line);

    plat::Kernel& kernel_;
    plat::UniqueFile file_;  // empty when there is no log to write: nothing is logged
    bool opened_ = false;    // whether Open has been tried
    bool elevated_ = true;   // false in a run known not to be elevated
};

template <typename Step>
plat::BOOL Logged(plat::Kernel& kernel, RunLog& log, std::string_view name, Step step) {
    kernel.SetLastError(plat::kErrorSuccess);
    const plat::BOOL ok = step();
    log.Step(name, ok != plat::kFalse, FailureCode(kernel));
    return ok;
}

}  // namespace velmora
