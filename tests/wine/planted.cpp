// A DLL that someone else put beside the program, in the test prefixes: loaded, it leaves
// C:\planted-<its name>.txt behind. It stands in for comctl32.dll (with the one function the
// program imports from it) and for any DLL the program loads at run time.
#include <windows.h>

#include <string>

#include "platform/win32/unique_win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH);
        std::wstring name(path, length);
        name = name.substr(name.find_last_of(L'\\') + 1);
        const plat::win32::UniqueWin32File marker(
            plat::win32::g_releaser,
            ::CreateFileW((L"C:\\planted-" + name + L".txt").c_str(), GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, 0, nullptr));
    }
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI InitCommonControlsEx(const void*) { return TRUE; }
