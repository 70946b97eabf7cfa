// Dialog windows as the portable core sees them: running a dialog template modally, the
// messages its window procedure passes on, and the window and control primitives the
// dialog logic uses while the window exists.
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/unique_any.h"

namespace plat {

using HWND = HANDLE;
using HICON = HANDLE;
using HMENU = HANDLE;
using HDC = HANDLE;
using HCURSOR = HANDLE;
using PIDLIST = HANDLE;  // an item id list the shell allocated; freed with CoTaskMemFree

struct Rect {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

constexpr unsigned kBnClicked = 0;
constexpr int kCbErr = -1;
constexpr unsigned kMfString = 0x0000;
constexpr unsigned kMfSeparator = 0x0800;
constexpr int kSmCxIcon = 11;
constexpr int kSmCyIcon = 12;
constexpr unsigned kBifReturnOnlyFsDirs = 0x0001;
constexpr DWORD kOfnEnableSizing = 0x00800000;
constexpr DWORD kOfnExplorer = 0x00080000;

// What GetOpenFileNameA is given; the system's record is filled from it.
struct OpenFileName {
    HWND owner;
    const char* filter;  // pairs of zero-terminated texts, ended by an empty one
    char* file;          // out: the chosen full path, in the system's ANSI code page
    DWORD file_size;
    const char* default_extension;
    DWORD flags;
};

// The live window of one dialog. Control methods take the control's id in the dialog.
class DialogView {
  public:
    virtual ~DialogView() = default;
    virtual HWND Window() = 0;

    // Control texts are settings values: in the system's ANSI code page. The length is at most
    // what the text takes; reading gives -1 when the ANSI code page cannot hold the text.
    virtual int GetWindowTextLengthA(int id) = 0;
    virtual int GetDlgItemTextA(int id, char* buffer, int size) = 0;
    virtual BOOL SetDlgItemTextA(int id, const char* text) = 0;
    virtual BOOL EnableWindow(int id, BOOL enable) = 0;
    // BM_GETCHECK and BM_SETCHECK.
    virtual unsigned GetCheck(int id) = 0;
    virtual void SetCheck(int id, unsigned state) = 0;
    // CB_ADDSTRING, CB_SETCURSEL and CB_SELECTSTRING; each returns the message's result.
    virtual int ComboAddString(int id, const char* text) = 0;
    virtual int ComboSetCurSel(int id, int index) = 0;
    virtual int ComboSelectString(int id, int start_after, const char* text) = 0;

    virtual HMENU GetSystemMenu(BOOL revert) = 0;
    // The item's text is code page 936.
    virtual BOOL AppendMenuA(HMENU menu, unsigned flags, std::uintptr_t id, const char* text) = 0;
    // WM_SETICON.
    virtual void SetIcon(HICON icon, BOOL big) = 0;

    virtual BOOL IsIconic() = 0;
    // BeginPaint and EndPaint of the window; the paint record stays with the view.
    virtual HDC BeginPaint() = 0;
    virtual void EndPaint() = 0;
    // WM_ICONERASEBKGND sent to the window itself.
    virtual void SendIconEraseBkgnd(HDC dc) = 0;
    virtual Rect GetClientRect() = 0;
    virtual BOOL DrawIcon(HDC dc, int x, int y, HICON icon) = 0;

    virtual BOOL EndDialog(std::intptr_t result) = 0;
};

// The messages a dialog's window procedure hands on. Each returns whether it handled the
// message; an unhandled one gets the system's default dialog processing.
class DialogClient {
  public:
    virtual ~DialogClient() = default;
    // The window exists: `view` stays valid until Detach.
    virtual void Attach(DialogView& view) = 0;
    virtual void Detach() = 0;
    // WM_INITDIALOG: the result is the message's (nonzero: the system sets the focus).
    virtual BOOL OnInitDialog() = 0;
    virtual bool OnCommand(unsigned id, unsigned code) = 0;
    virtual bool OnSysCommand(unsigned id, std::intptr_t lparam) = 0;
    virtual bool OnPaint() = 0;
    virtual HICON OnQueryDragIcon() = 0;
};

// Running dialogs, and what the dialog logic needs outside any one window.
class DialogHost {
  public:
    virtual ~DialogHost() = default;
    // DialogBoxParamW with the program's instance; `client` receives the window's messages.
    virtual std::intptr_t DialogBoxParamA(int template_id, HWND owner, DialogClient& client) = 0;
    // LoadIconA with the program's instance.
    virtual HICON LoadIconA(int id) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    // SetCursor(LoadCursorA(nullptr, IDC_WAIT)) and SetCursor; each returns the previous one.
    virtual HCURSOR SetWaitCursor() = 0;
    virtual HCURSOR SetCursor(HCURSOR cursor) = 0;
    // The shell's folder browser rooted at the desktop, with no display-name buffer and no
    // callback; null when the user cancels. The title is code page 936.
    virtual PIDLIST SHBrowseForFolderA(HWND owner, const char* title, unsigned flags) = 0;
    // `path` holds kMaxPath bytes, in the system's ANSI code page; false also when that code page
    // cannot hold the folder's path.
    virtual BOOL SHGetPathFromIDListA(PIDLIST item, char* path) = 0;
    virtual void CoTaskMemFree(PIDLIST item) = 0;
    virtual BOOL GetOpenFileNameA(const OpenFileName& request) = 0;
};

using UniqueItemIdList = UniqueAny<DialogHost, PIDLIST, &DialogHost::CoTaskMemFree>;

// The real system; defined by the Win32 adapters.
DialogHost& SystemDialogHost();

}  // namespace plat
