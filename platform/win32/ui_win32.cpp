// User-interface adapter: one call per method.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/adapters.h"

namespace plat::win32 {

plat::BOOL UiWin32::InitCommonControlsEx(plat::DWORD size, plat::DWORD classes) {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = size;
    init.dwICC = classes;
    return ::InitCommonControlsEx(&init);
}
int UiWin32::LoadStringA(unsigned id, char* buffer, int size) {
    return ::LoadStringA(::GetModuleHandleA(nullptr), id, buffer, size);
}
plat::HWND UiWin32::GetActiveWindow() { return ::GetActiveWindow(); }
int UiWin32::MessageBoxIndirectA(plat::HWND owner, const char* text, const char* caption,
                                 plat::DWORD style, plat::DWORD context_help_id) {
    MSGBOXPARAMSA params{};
    params.cbSize = sizeof params;
    params.hwndOwner = static_cast<::HWND>(owner);
    params.hInstance = ::GetModuleHandleA(nullptr);
    params.lpszText = text;
    params.lpszCaption = caption;
    params.dwStyle = style;
    params.dwContextHelpId = context_help_id;
    return ::MessageBoxIndirectA(&params);
}
plat::HANDLE UiWin32::GetProcessWindowStation() { return ::GetProcessWindowStation(); }
plat::BOOL UiWin32::GetUserObjectInformationW(plat::HANDLE object, int index, void* information,
                                              plat::DWORD size, plat::DWORD* needed) {
    return ::GetUserObjectInformationW(object, index, information, size,
                                       reinterpret_cast<::DWORD*>(needed));
}

}  // namespace plat::win32
