// User-interface primitives that are not tied to one dialog: common controls, string
// resources, the active window and message boxes.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace plat {

using HWND = HANDLE;

constexpr DWORD kIccWin95Classes = 0xFF;
constexpr unsigned kMbOk = 0x0000;
constexpr unsigned kMbIconMask = 0x00F0;
constexpr unsigned kMbIconExclamation = 0x0030;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// A window station's flags (GetUserObjectInformation with UOI_FLAGS).
constexpr int kUoiFlags = 1;
constexpr DWORD kWsfVisible = 0x0001;
struct UserObjectFlags {  // same layout as the system's USEROBJECTFLAGS
    BOOL fInherit;
    BOOL fReserved;
    DWORD dwFlags;
};

class Ui {
  public:
    virtual ~Ui() = default;
    // InitCommonControlsEx with an INITCOMMONCONTROLSEX of the given size and class mask.
    virtual BOOL InitCommonControlsEx(DWORD size, DWORD classes) = 0;
    virtual int LoadStringA(unsigned id, char* buffer, int size) = 0;
    virtual HWND GetActiveWindow() = 0;
    // MessageBoxIndirect with the program's instance and the given help context. The text is code
    // page 936; the caption, the application's name, comes from its file name: UTF-16.
    virtual int MessageBoxIndirect(HWND owner, const char* text, const char16_t* caption,
                                   DWORD style, DWORD context_help_id) = 0;
    virtual HANDLE GetProcessWindowStation() = 0;
    virtual BOOL GetUserObjectInformationW(HANDLE object, int index, void* information, DWORD size,
                                           DWORD* needed) = 0;
};

}  // namespace plat
