// Copy of the program, stale-file removal and the driver package installer.
#include "install/driver_package.h"

#include <cstring>

#include "common/fixed_text.h"
#include "common/printer_constants.h"
#include "install/service_ops.h"
#include "platform/mbcs.h"

namespace velmora {
namespace {

using plat::BOOL;
using plat::DWORD;
using plat::kFalse;
using plat::kTrue;

constexpr char kCopyName[] = "\\dorvaPrinter.exe";
constexpr char kDriverSubdirectory[] = "\\3\\";
constexpr char kOldSettingsName[] = "\\velmora.ini";
// "STDNAMES.GPD" in the same folder is not ours: every GPD-based driver on the machine
// includes it, so it stays.
constexpr const char* kStaleDriverFiles[] = {
    "QXOEMUI.dll",  "zarvoprinter.GPD", "QXOEMUI.INI",      "zarvoprinter.dll",
    "QXUNIDRV.DLL", "QXUNIDRVUI.DLL",   "zarvoprinter.BUD",
};
constexpr const char* kStaleProcessorFiles[] = {"Qxproc.dll", "Halvoproc.dll", "Fenwoproc.dll"};
// The installer's command line around the model name, the architecture and the INF's bare name.
constexpr char kInstallerCommandStart[] = "rundll32 printui.dll,PrintUIEntry /ia  /m \"";
constexpr char kInstallerQuiet[] = " /q";
constexpr char kInstallerProgram[] = "rundll32.exe";

// The running program's full file name; false when it is missing or did not fit (older
// systems then leave the buffer unterminated).
template <std::size_t N>
bool QueryModuleFileName(plat::Kernel& kernel, char (&buffer)[N]) {
    buffer[0] = '\0';
    const DWORD length = kernel.GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(N));
    return length != 0 && length < N && BoundedLength(buffer) == length;
}

}  // namespace

BOOL CopySelfToWindowsDirectory(plat::Kernel& kernel) {
    char program[plat::kMaxPath];
    char target[plat::kMaxPath];
    if (!QueryModuleFileName(kernel, program)) return kFalse;
    if (!QueryWindowsDirectory(kernel, target) || !AppendAll(target, {kCopyName})) return kFalse;
    // Fails when the program runs from that very file.
    return kernel.CopyFileA(program, target, kFalse);
}

std::string GetModuleDirectory(plat::Kernel& kernel) {
    char path[512];
    if (!QueryModuleFileName(kernel, path)) return std::string();
    return ModuleDirectoryOf(std::string_view(path, BoundedLength(path)));
}

std::string ModuleDirectoryOf(std::string_view file_name) {
    std::size_t end = 0;
    for (std::size_t sep = plat::FindBackslash(file_name.data(), file_name.size());
         sep != std::size_t(-1);
         sep = plat::FindBackslash(file_name.data(), file_name.size(), sep + 1)) {
        end = sep + 1;
    }
    return std::string(file_name.substr(0, end));
}

BOOL DeletePrintProcessorFile(plat::Spooler& spooler, plat::Kernel& kernel, const char* file_name) {
    char path[256] = {};
    DWORD needed = 0;
    if (!spooler.GetPrintProcessorDirectoryA(
            nullptr, nullptr, 1, reinterpret_cast<plat::BYTE*>(path), sizeof path, &needed)) {
        (void)kernel.GetLastError();
        return kFalse;
    }
    if (!AppendAll(path, {"\\", file_name})) return kFalse;
    return kernel.DeleteFileA(path);
}

int RemoveStaleDriverFiles(plat::Spooler& spooler, plat::Kernel& kernel,
                           plat::ServiceManager& services) {
    int deleted = 0;
    char directory[plat::kMaxPath] = {};
    DWORD needed = 0;
    // Without the driver directory there is no path to delete from, so the eight are skipped.
    if (spooler.GetPrinterDriverDirectoryA(nullptr, nullptr, 1,
                                           reinterpret_cast<plat::BYTE*>(directory),
                                           sizeof directory, &needed) &&
        AppendAll(directory, {kDriverSubdirectory})) {
        for (const char* name : kStaleDriverFiles) {
            char file[plat::kMaxPath];
            if (ComposeAll(file, {directory, name}) && kernel.DeleteFileA(file)) ++deleted;
        }
    }

    if (QueryWindowsDirectory(kernel, directory) && AppendAll(directory, {kOldSettingsName})) {
        if (kernel.DeleteFileA(directory)) ++deleted;
    }

    (void)StopServiceAndWait(services, kernel, kSpoolerServiceStale);
    // The print-processor directory is asked for afresh each time, now the spooler is stopped.
    // No print processor is unregistered here: the queue created next names "WinPrint".
    for (const char* name : kStaleProcessorFiles) {
        if (DeletePrintProcessorFile(spooler, kernel, name)) ++deleted;
    }
    (void)StartServiceAndWait(services, kernel, kSpoolerServiceStale);
    return deleted;
}

BOOL CreatePrintDriver(plat::Kernel& kernel, const Architecture& windows, DWORD* exit_code,
                       bool quiet) {
    plat::StartupInfo startup{};
    kernel.GetStartupInfoW(&startup);
    plat::ProcessInformation process{};

    char command[plat::kMaxPath];
    if (!ComposeAll(command, {kInstallerCommandStart, kPrinterName, "\" ", windows.installer,
                              " /f ", kDriverInf, quiet ? kInstallerQuiet : ""})) {
        kernel.SetLastError(plat::kErrorInsufficientBuffer);
        return kFalse;
    }

    // The installer inherits this directory and finds the INF there by its bare name.
    const std::string directory = GetModuleDirectory(kernel);
    (void)kernel.SetCurrentDirectoryA(directory.c_str());

    // Named by full path: a search by bare name would try the program's own directory first,
    // where a planted rundll32.exe would run with the installer's rights.
    char installer[plat::kMaxPath];
    if (!QuerySystemFilePath(kernel, kInstallerProgram, installer)) return kFalse;

    if (!kernel.CreateProcessA(installer, command, nullptr, nullptr, kTrue, 0, nullptr, nullptr,
                               &startup, &process)) {
        return kFalse;
    }
    // Closing the handles does not end the child: one that overran is left to finish alone.
    // Declared thread first, so the process handle is closed before the thread's.
    const plat::UniqueHandle thread(kernel, process.hThread);
    const plat::UniqueHandle child(kernel, process.hProcess);
    const DWORD waited = kernel.WaitForSingleObject(child.get(), kInstallerWaitLimitMs);
    if (waited != plat::kWaitTimeout && exit_code != nullptr) {
        (void)kernel.GetExitCodeProcess(child.get(), exit_code);
    }
    if (waited == plat::kWaitTimeout) {
        kernel.SetLastError(plat::kWaitTimeout);
        return kFalse;
    }
    return kTrue;
}

}  // namespace velmora
