// User-interface adapter: one call per method.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/adapters.h"
#include "platform/win32/text_win32.h"

namespace plat::win32 {

plat::BOOL UiWin32::InitCommonControlsEx(plat::DWORD size, plat::DWORD classes) {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = size;
    init.dwICC = classes;
    return ::InitCommonControlsEx(&init);
}
int UiWin32::LoadStringA(unsigned id, char* buffer, int size) {
    wchar_t text[512];
    if (::LoadStringW(::GetModuleHandleW(nullptr), id, text, 512) <= 0) return 0;
    return static_cast<int>(ToGbk(text, -1, buffer, static_cast<::DWORD>(size)));
}
plat::HWND UiWin32::GetActiveWindow() { return ::GetActiveWindow(); }
int UiWin32::MessageBoxIndirect(plat::HWND owner, const char* text, const char16_t* caption,
                                plat::DWORD style, plat::DWORD context_help_id) {
    const Wide wide_text(text);
    if (!wide_text.ok()) return Unconvertible();  // 0: no box, as when it cannot be made
    MSGBOXPARAMSW params{};
    params.cbSize = sizeof params;
    params.hwndOwner = static_cast<::HWND>(owner);
    params.hInstance = ::GetModuleHandleW(nullptr);
    params.lpszText = wide_text.get();
    params.lpszCaption = reinterpret_cast<LPCWSTR>(caption);
    params.dwStyle = style;
    params.dwContextHelpId = context_help_id;
    return ::MessageBoxIndirectW(&params);
}
plat::HANDLE UiWin32::GetProcessWindowStation() { return ::GetProcessWindowStation(); }
plat::BOOL UiWin32::GetUserObjectInformationW(plat::HANDLE object, int index, void* information,
                                              plat::DWORD size, plat::DWORD* needed) {
    return ::GetUserObjectInformationW(object, index, information, size,
                                       reinterpret_cast<::DWORD*>(needed));
}

}  // namespace plat::win32
