// Copy of the program, stale-file removal and the driver package installer.
#include "install/driver_package.h"

#include <iterator>

#include "common/join.h"
#include "common/printer_constants.h"
#include "common/system_paths.h"
#include "common/text.h"
#include "install/service_ops.h"

namespace velmora {
namespace {

using plat::BOOL;
using plat::DWORD;
using plat::kFalse;
using plat::kTrue;
using plat::Path;

constexpr char16_t kCopyName[] = u"\\dorvaPrinter.exe";
constexpr char16_t kDriverSubdirectory[] = u"\\3\\";
constexpr char16_t kOldSettingsName[] = u"\\velmora.ini";
// "STDNAMES.GPD" in the same folder is not ours: every GPD-based driver on the machine
// includes it, so it stays. ASCII names, widened where they are used.
constexpr const char* kStaleDriverFiles[] = {
    "QXOEMUI.dll",  "zarvoprinter.GPD", "QXOEMUI.INI",      "zarvoprinter.dll",
    "QXUNIDRV.DLL", "QXUNIDRVUI.DLL",   "zarvoprinter.BUD",
};
constexpr const char* kStaleProcessorFiles[] = {"Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll"};
// The installer's command line around the model name, the architecture and the INF's bare name.
constexpr char16_t kInstallerCommandStart[] = u"rundll32 printui.dll,PrintUIEntry /ia  /m \"";
constexpr char16_t kInstallerQuiet[] = u" /q";
constexpr char16_t kInstallerProgram[] = u"rundll32.exe";

// A directory the spooler names (`query` fills a buffer of bytes); empty when it cannot be had.
template <typename Query>
Path SpoolerDirectory(Query query) {
    char16_t directory[plat::kMaxPath] = {};
    DWORD needed = 0;
    if (!query(reinterpret_cast<plat::BYTE*>(directory), DWORD{sizeof directory}, &needed)) {
        return Path();
    }
    return Path(directory, std::char_traits<char16_t>::length(directory));
}

}  // namespace

BOOL CopySelfToWindowsDirectory(plat::Kernel& kernel) {
    const Path program = ModuleFileName(kernel);
    const Path windows = WindowsDirectory(kernel);
    if (program.empty() || windows.empty()) return kFalse;
    // Fails when the program runs from that very file.
    return kernel.CopyFileW(program.c_str(), Join({windows, kCopyName}).c_str(), kFalse);
}

BOOL DeletePrintProcessorFile(plat::Kernel& kernel, const Path& directory,
                              const char16_t* file_name) {
    if (directory.empty()) return kFalse;
    return kernel.DeleteFileW(Join({directory, u"\\", file_name}).c_str());
}

int RemoveStaleDriverFiles(plat::Spooler& spooler, plat::Kernel& kernel,
                           plat::ServiceManager& services, const Architecture& windows) {
    int deleted = 0;
    // A 32-bit program's own environment is x86; under WOW64 the spooler's is another one.
    const char* const environments[] = {windows.wow64 ? windows.environment : nullptr,
                                        kX86Environment};
    // The print processors' directories are asked for now: with the service stopped, every
    // spooler call fails (Wine's spooler, in the program's own process, answers all the same).
    Path processor_directories[std::size(environments)];
    for (int i = 0; i < (windows.wow64 ? 2 : 1); ++i) {
        processor_directories[i] =
            SpoolerDirectory([&](plat::BYTE* buffer, DWORD size, DWORD* needed) {
                return spooler.GetPrintProcessorDirectoryW(nullptr, environments[i], 1, buffer,
                                                           size, needed);
            });
        const Path directory = SpoolerDirectory([&](plat::BYTE* buffer, DWORD size, DWORD* needed) {
            return spooler.GetPrinterDriverDirectoryW(nullptr, environments[i], 1, buffer, size,
                                                      needed);
        });
        // Without the driver directory there is no path to delete from.
        if (directory.empty()) continue;
        for (const char* name : kStaleDriverFiles) {
            const plat::Path file = Join({directory, kDriverSubdirectory, Widen(name)});
            if (kernel.DeleteFileW(file.c_str())) ++deleted;
        }
    }

    const Path windows_directory = WindowsDirectory(kernel);
    if (!windows_directory.empty() &&
        kernel.DeleteFileW(Join({windows_directory, kOldSettingsName}).c_str())) {
        ++deleted;
    }

    // The running spooler holds its print processors loaded. No print processor is unregistered
    // here: the queue created next names "WinPrint".
    (void)StopServiceAndWait(services, kernel, kSpoolerServiceStale);
    for (const Path& directory : processor_directories) {
        for (const char* name : kStaleProcessorFiles) {
            if (DeletePrintProcessorFile(kernel, directory, Widen(name).c_str())) ++deleted;
        }
    }
    (void)StartServiceAndWait(services, kernel, kSpoolerServiceStale);
    return deleted;
}

BOOL CreatePrintDriver(plat::Kernel& kernel, const Architecture& windows, DWORD* exit_code,
                       bool quiet) {
    plat::StartupInfo startup{};
    kernel.GetStartupInfoW(&startup);
    plat::ProcessInformation process{};
    Path command = Join({kInstallerCommandStart, kPrinterNameW, u"\" ", windows.installer, u" /f ",
                         kDriverInf, quiet ? kInstallerQuiet : u""});

    // The installer inherits this directory and finds the INF there by its bare name.
    (void)kernel.SetCurrentDirectoryW(ModuleDirectory(kernel).c_str());

    // Named by full path: a search by bare name would try the program's own directory first,
    // where a planted rundll32.exe would run with the installer's rights.
    const Path installer = SystemFilePath(kernel, kInstallerProgram);
    if (installer.empty()) return kFalse;

    if (!kernel.CreateProcessW(installer.c_str(), command.data(), nullptr, nullptr, kTrue, 0,
                               nullptr, nullptr, &startup, &process)) {
        return kFalse;
    }
    // Closing the handles does not end the child: one that overran is left to finish alone.
    // Declared thread first, so the process handle is closed before the thread's.
    const plat::UniqueHandle thread(kernel, process.hThread);
    const plat::UniqueHandle child(kernel, process.hProcess);
    const DWORD waited = kernel.WaitForSingleObject(child.get(), kInstallerWaitLimitMs);
    if (waited == plat::kWaitTimeout) {
        kernel.SetLastError(plat::kWaitTimeout);
        return kFalse;
    }
    // WAIT_FAILED: nothing is known of the installer; the wait's own error says why.
    if (waited != plat::kWaitObject0) return kFalse;
    if (exit_code != nullptr) (void)kernel.GetExitCodeProcess(child.get(), exit_code);
    return kTrue;
}

}  // namespace velmora
