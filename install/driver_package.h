// The file-level install steps: the program's copy in the Windows directory, removal of a
// previous installation's files, and the driver package installed through the printer-UI
// installer.
#pragma once

#include "common/architecture.h"
#include "platform/os.h"

namespace velmora {

// The longest the installer child is waited for. Installing this package from a local INF takes
// seconds, a slow machine under a start-up script a minute or two; an installer stopped at a
// prompt nobody can answer (an unattended run as the system account) never finishes. Ten
// minutes ends such a run well before the deployment tools' own time-outs (commonly 30 to 60
// minutes), without cutting off a real installation.
inline constexpr plat::DWORD kInstallerWaitLimitMs = 10 * 60 * 1000;

// Copies the running program to the Windows directory as "dorvaPrinter.exe", overwriting.
// Zero when that failed; the sequence goes on either way.
plat::BOOL CopySelfToWindowsDirectory(plat::Kernel& kernel);

// Deletes one file from a print-processor directory the spooler named; zero when there is none
// (the directory could not be obtained, so nothing is deleted).
plat::BOOL DeletePrintProcessorFile(plat::Kernel& kernel, const plat::Path& directory,
                                    const char16_t* file_name);

// Deletes the old driver files, the old settings file and, with the spooler stopped, the old
// print-processor files; restarts the spooler. Under WOW64 the files are looked for in the
// directories of both the spooler's own architecture (`windows`) and x86, where an earlier
// installation of either kind left them. Returns how many files were deleted.
int RemoveStaleDriverFiles(plat::Spooler& spooler, plat::Kernel& kernel,
                           plat::ServiceManager& services, const Architecture& windows);

// Runs the printer-UI installer on the driver package beside the program, for the architecture
// `windows` runs on, and waits for it, at most kInstallerWaitLimitMs. Zero when the installer
// could not be started, could not be waited for, or did not end in time (last error 258; it is
// left to finish on its own), with the last-error value kept. `exit_code` receives the
// installer's exit code when it ended. A `quiet` installer shows no window of its own ("/q").
plat::BOOL CreatePrintDriver(plat::Kernel& kernel, const Architecture& windows,
                             plat::DWORD* exit_code = nullptr, bool quiet = false);

}  // namespace velmora
