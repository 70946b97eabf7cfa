// Stand-in for the system's printer-UI installer in the Wine test prefixes (Wine's own does not
// implement /ia). It appends its process's command line and current directory to
// C:\printui.log (UTF-16), and for "/ia /m <model> ... /f <inf>" with the INF in the current
// directory registers a driver named <model> from the package files there.
#include <windows.h>
#include <winspool.h>

#include <shellapi.h>

#include <string>

extern "C" __declspec(dllexport) void CALLBACK
    PrintUIEntryW(HWND, HINSTANCE, LPCWSTR command, int) {
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH - 1, directory);
    if (length == 0 || length >= MAX_PATH - 1) return;
    if (directory[length - 1] != L'\\') directory[length] = L'\\';
    const std::wstring log = std::wstring(::GetCommandLineW()) + L"\n" + directory + L"\n";
    HANDLE file = ::CreateFileW(L"C:\\printui.log", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, 0, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE) return;
    (void)::WriteFile(file, log.data(), static_cast<DWORD>(log.size() * 2), &written, nullptr);
    (void)::CloseHandle(file);

    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(command, &count);
    std::wstring model, inf;
    bool install = false;
    for (int i = 0; words && i < count; ++i) {
        install = install || ::lstrcmpiW(words[i], L"/ia") == 0;
        if (i + 1 < count && ::lstrcmpiW(words[i], L"/m") == 0) model = words[i + 1];
        if (i + 1 < count && ::lstrcmpiW(words[i], L"/f") == 0) inf = words[i + 1];
    }
    (void)::LocalFree(words);
    const DWORD attributes = ::GetFileAttributesW(inf.c_str());
    // The caller sees no result, as with the system's installer: only the driver tells.
    if (!install || model.empty() || attributes == INVALID_FILE_ATTRIBUTES ||
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return;
    }
    const std::wstring folder = directory;
    std::wstring driver = folder + L"zvpdrv.dll", data = folder + L"zarvoPrinter.ppd",
                 config = folder + L"zvpui.dll", dependent = folder + L"zvpres.dll" + L'\0',
                 datatype = L"RAW";
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = model.data();
    info.pDriverPath = driver.data();
    info.pDataFile = data.data();
    info.pConfigFile = config.data();
    info.pDependentFiles = dependent.data();  // a list, ended by a second null
    info.pDefaultDataType = datatype.data();
    (void)::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&info),
                                APD_COPY_NEW_FILES | APD_COPY_FROM_DIRECTORY);
}
