// Second baseline for the start-up benchmark, the floor of what Velmora's dialog can cost: the
// program's own resources (manifest, dialog template, icon, texts), the start-up the program
// must make before its dialog (DLL search limited to the system directory, common controls,
// sockets 1.1), and a dialog procedure that only fills the controls, with fixed values in place
// of the settings file.
// winsock2.h before windows.h, which would bring the older winsock.h.
#include <winsock2.h>

#include <commctrl.h>

#include "res/resource.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        wchar_t about[64] = {};
        const HMENU menu = ::GetSystemMenu(dialog, FALSE);
        if (menu != nullptr && ::LoadStringW(nullptr, IDS_ABOUTBOX, about, 64) > 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
        }
        const HICON icon =
            ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
        ::SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        ::SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        ::EnableWindow(::GetDlgItem(dialog, IDC_EXENAME), FALSE);
        ::EnableWindow(::GetDlgItem(dialog, IDC_BROWSE_EXE), FALSE);
        ::SendDlgItemMessageW(dialog, IDC_OUTTYPE, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(L"BMP"));
        ::SendDlgItemMessageW(dialog, IDC_OUTTYPE, CB_SETCURSEL, 0, 0);
        ::SetDlgItemTextW(dialog, IDC_OUTPATH, L"c:\\");
        ::SetDlgItemTextW(dialog, IDC_EXENAME, L"zarvoconv.exe");
        ::CheckDlgButton(dialog, IDC_RUNEXE, BST_UNCHECKED);
        ::CheckDlgButton(dialog, IDC_OVERWRITE, BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
        ::EndDialog(dialog, LOWORD(wparam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Through void (*)(), which GCC lets any function pointer be cast to and from: a direct cast
    // from FARPROC draws -Wcast-function-type.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set_search =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (set_search != nullptr) set_search(LOAD_LIBRARY_SEARCH_SYSTEM32);
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    WSADATA sockets;
    if (::WSAStartup(MAKEWORD(1, 1), &sockets) != 0) return 1;
    return static_cast<int>(
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_VELMORA_DIALOG), nullptr, DialogProc, 0));
}
