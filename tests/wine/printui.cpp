// The DLL the Wine tests put into their prefixes. As printui.dll it stands in for the system's
// printer-UI installer (Wine's has no /ia): it registers the driver /m names from the INF's folder,
// its current directory, for the architecture /h asks for and its caller's. Planted beside the
// program as a DLL the program loads, it leaves C:\planted-<its name>.txt behind; it imports only
// the C run-time and kernel32, so that it loads whichever DLL it stands for.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    wchar_t path[MAX_PATH] = {};
    const std::wstring name(path, ::GetModuleFileNameW(module, path, MAX_PATH));
    const std::wstring marker = L"C:\\planted-" + name.substr(name.find_last_of(L'\\') + 1);
    if (reason == DLL_PROCESS_ATTACH && marker != L"C:\\planted-printui.dll") {
        if (FILE* file = _wfopen((marker + L".txt").c_str(), L"w")) std::fclose(file);
    }
    return TRUE;
}

// The one function the program imports from comctl32.dll.
extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }

extern "C" __declspec(dllexport) void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPCWSTR, int) {
    wchar_t directory[MAX_PATH] = {};  // left empty if the path is longer
    (void)::GetCurrentDirectoryW(MAX_PATH, directory);
    const std::wstring folder = directory, command = ::GetCommandLineW();
    // The caller sees no result, as with the system's installer: only the driver tells.
    const std::size_t m = command.find(L"/m \""), start = m + 4;
    if (m == std::wstring::npos ||
        ::GetFileAttributesW((folder + L"\\zarvoPrinter.inf").c_str()) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    // The dependent files are a list, ended by a second null.
    std::wstring name = command.substr(start, command.find(L'"', start) - start),
                 driver = folder + L"\\zvpdrv.dll", data = folder + L"\\zarvoPrinter.ppd",
                 config = folder + L"\\zvpui.dll", dependent = folder + L"\\zvpres.dll" + L'\0',
                 datatype = L"RAW";
    DRIVER_INFO_3W info{3,           name.data(),    nullptr, driver.data(),
                        data.data(), config.data(),  nullptr, dependent.data(),
                        nullptr,     datatype.data()};
    // For the environment /h names, as the system's installer does, and the caller's (null), where
    // Wine's spooler in the 32-bit program looks for a new queue's driver (Windows': in x64).
    const auto add =
        reinterpret_cast<decltype(&::AddPrinterDriverExW)>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::LoadLibraryW(L"winspool.drv"), "AddPrinterDriverExW")));
    for (const wchar_t* environment : {L"Windows x64", static_cast<const wchar_t*>(nullptr)}) {
        info.pEnvironment = const_cast<wchar_t*>(environment);
        if (!environment || command.find(L"/h \"x64\"") != std::wstring::npos) {
            (void)add(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                      APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
        }
    }
}
