// The file-level install steps: the program's copy in the Windows directory, removal of a
// previous installation's files, and the driver package installed through the printer-UI
// installer.
#pragma once

#include <string>
#include <string_view>

#include "platform/os.h"

namespace velmora {

// Copies the running program to the Windows directory as "dorvaPrinter.exe", overwriting.
void CopySelfToWindowsDirectory(plat::Kernel& kernel);

// The running program's directory with its trailing backslash; empty when the file name has
// no backslash or cannot be read whole.
std::string GetModuleDirectory(plat::Kernel& kernel);

// The directory part of a code page 936 file name: everything up to and including its last
// separating backslash (a double-byte character's trail byte never is one); empty when it has
// none.
std::string ModuleDirectoryOf(std::string_view file_name);

// Deletes one file from the spooler's print-processor directory; zero when the directory
// cannot be obtained (nothing is then deleted).
plat::BOOL DeletePrintProcessorFile(plat::Spooler& spooler, plat::Kernel& kernel,
                                    const char* file_name);

// Deletes the old driver files, the old settings file and, with the spooler stopped, the old
// print-processor files; restarts the spooler. Reports nothing.
void RemoveStaleDriverFiles(plat::Os& os);

// Runs the printer-UI installer on the driver package beside the program and waits for it.
// Zero only when the installer could not be started, with the last-error value kept.
plat::BOOL CreatePrintDriver(plat::Kernel& kernel);

}  // namespace velmora
