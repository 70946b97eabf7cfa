// Stand-in for the system's printer-UI installer in the Wine test prefixes (Wine's own does not
// implement /ia). It appends its process's command line and current directory to
// C:\printui.log (UTF-16), which the tests compare with the command the program must give;
// when the current directory holds the INF, it registers the driver from the files there, for the
// architecture asked for and for its caller's.
#include <windows.h>
#include <winspool.h>

#include <string>

#include "platform/win32/unique_win32.h"

extern "C" __declspec(dllexport) void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPCWSTR, int) {
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, directory);
    const std::wstring folder(directory, length < MAX_PATH ? length : 0);
    const std::wstring log = std::wstring(::GetCommandLineW()) + L"\n" + folder + L"\n";
    const plat::win32::UniqueWin32File file(
        plat::win32::g_releaser, ::CreateFileW(L"C:\\printui.log", FILE_APPEND_DATA,
                                               FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (!file) return;
    (void)::WriteFile(file.get(), log.data(), static_cast<DWORD>(log.size() * 2), &written,
                      nullptr);
    // The caller sees no result, as with the system's installer: only the driver tells.
    if (::GetFileAttributesW((folder + L"\\zarvoPrinter.inf").c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    std::wstring name = L"Zarvo虚拟打印机", driver = folder + L"\\zvpdrv.dll",
                 data = folder + L"\\zarvoPrinter.ppd", config = folder + L"\\zvpui.dll",
                 dependent = folder + L"\\zvpres.dll" + L'\0', datatype = L"RAW";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = name.data();
    info.pDriverPath = driver.data();
    info.pDataFile = data.data();
    info.pConfigFile = config.data();
    info.pDependentFiles = dependent.data();  // a list, ended by a second null
    info.pDefaultDataType = datatype.data();
    // For the environment "/h" names, as the system's installer registers it; and for the
    // caller's own, where Wine's spooler, inside the 32-bit program, looks for a new queue's
    // driver (a 64-bit Windows spooler looks in its own, x64, one).
    const DWORD flags = APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY;
    if (std::wstring(::GetCommandLineW()).find(L"/h \"x64\"") != std::wstring::npos) {
        info.pEnvironment = const_cast<wchar_t*>(L"Windows x64");
        (void)::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), flags);
        info.pEnvironment = nullptr;
    }
    (void)::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info), flags);
}
