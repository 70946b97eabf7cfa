// Dialog adapter: the dialog procedure that hands each message to the dialog's logic, the
// window and control calls behind its view, and the system dialogs; one call per method. The
// shell's and the common dialogs' DLLs are loaded when a browse button first needs them.
// Dialogs are Unicode windows: made with the A function, even a template's UTF-16 texts would
// pass through the system's ANSI code page, and "确定" would read "??" on an English Windows.
// The program's own texts (menu, titles) are code page 936; the controls' texts are the
// settings file's values, in the system's ANSI code page.
#include <windows.h>

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <memory>

#include "platform/dialog.h"
#include "platform/win32/lazy_import.h"
#include "platform/win32/text_win32.h"

namespace plat::win32 {
namespace {

constexpr char kShell32Dll[] = "shell32.dll";
LazyDll<kShell32Dll> g_shell32;
LazyFunction<decltype(&::SHBrowseForFolderW), g_shell32> g_browse_for_folder;
LazyFunction<decltype(&::SHGetPathFromIDListW), g_shell32> g_get_path_from_id_list;
// Wine's comdlg32.dll loads winspool.drv with it, which the dialog itself never needs.
constexpr char kComdlg32Dll[] = "comdlg32.dll";
LazyDll<kComdlg32Dll> g_comdlg32;
// COM only for the folder browser: loaded with it.
constexpr char kOle32Dll[] = "ole32.dll";
LazyDll<kOle32Dll> g_ole32;
LazyFunction<decltype(&::CoInitializeEx), g_ole32> g_co_initialize;
LazyFunction<decltype(&::CoTaskMemFree), g_ole32> g_co_task_mem_free;
LazyFunction<decltype(&::GetOpenFileNameW), g_comdlg32> g_get_open_file_name;

// A path the system gave, as a settings value: in the system's ANSI code page, or refused.
plat::BOOL ToAnsi(plat::BOOL got, const wchar_t* path, char* buffer, ::DWORD size) {
    return got && ToCodePage(CP_ACP, path, -1, buffer, size) != 0;
}

class DialogViewWin32 final : public DialogView {
  public:
    void Bind(::HWND window) { window_ = window; }

    plat::HWND Window() override { return window_; }
    // Every control message goes through SendMessage: A where the text is the ANSI code page's
    // (the window converts it), W where it is UTF-16, either where there is none.
    LRESULT Send(int id, UINT message, WPARAM wparam, const void* lparam = nullptr) {
        return ::SendMessageA(::GetDlgItem(window_, id), message, wparam,
                              reinterpret_cast<LPARAM>(lparam));
    }
    int TextLength(int id) {
        return static_cast<int>(::SendMessageW(::GetDlgItem(window_, id), WM_GETTEXTLENGTH, 0, 0));
    }
    // At most three bytes a UTF-16 unit in any ANSI code page: two in the double-byte ones,
    // three in UTF-8, which Windows 10 can be set to use.
    int GetWindowTextLengthA(int id) override { return 3 * TextLength(id); }
    // Read as UTF-16 and converted here: the A call would put '?' or a look-alike, silently, for
    // what the ANSI code page cannot hold.
    int GetDlgItemTextA(int id, char* buffer, int size) override {
        const int length = TextLength(id);
        const std::unique_ptr<wchar_t[]> text(new wchar_t[static_cast<unsigned>(length) + 1]());
        (void)::SendMessageW(::GetDlgItem(window_, id), WM_GETTEXT, static_cast<WPARAM>(length + 1),
                             reinterpret_cast<LPARAM>(text.get()));
        const ::DWORD bytes =
            ToCodePage(CP_ACP, text.get(), -1, buffer, static_cast<::DWORD>(size));
        const bool held = bytes != 0 || text[0] == 0;
        return held ? static_cast<int>(bytes) : -1;
    }
    plat::BOOL SetDlgItemTextA(int id, const char* text) override {
        return static_cast<plat::BOOL>(Send(id, WM_SETTEXT, 0, text));
    }
    plat::BOOL EnableWindow(int id, plat::BOOL enable) override {
        return ::EnableWindow(::GetDlgItem(window_, id), enable);
    }
    unsigned GetCheck(int id) override { return static_cast<unsigned>(Send(id, BM_GETCHECK, 0)); }
    void SetCheck(int id, unsigned state) override { (void)Send(id, BM_SETCHECK, state); }
    int ComboAddString(int id, const char* text) override {
        return static_cast<int>(Send(id, CB_ADDSTRING, 0, text));
    }
    int ComboSetCurSel(int id, int index) override {
        return static_cast<int>(Send(id, CB_SETCURSEL, static_cast<WPARAM>(index)));
    }
    int ComboSelectString(int id, int start_after, const char* text) override {
        return static_cast<int>(Send(id, CB_SELECTSTRING, static_cast<WPARAM>(start_after), text));
    }
    plat::HMENU GetSystemMenu(plat::BOOL revert) override {
        return ::GetSystemMenu(window_, revert);
    }
    plat::BOOL AppendMenuA(plat::HMENU menu, unsigned flags, std::uintptr_t id,
                           const char* text) override {
        const Wide wide(text);
        if (!wide.ok()) return Unconvertible();
        return ::AppendMenuW(static_cast<::HMENU>(menu), flags, id, wide.get());
    }
    void SetIcon(plat::HICON icon, plat::BOOL big) override {
        ::SendMessageA(window_, WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                       reinterpret_cast<LPARAM>(icon));
    }
    plat::BOOL IsIconic() override { return ::IsIconic(window_); }
    plat::HDC BeginPaint() override { return ::BeginPaint(window_, &paint_); }
    void EndPaint() override { ::EndPaint(window_, &paint_); }
    void SendIconEraseBkgnd(plat::HDC dc) override {
        ::SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    }
    Rect GetClientRect() override {
        RECT rect{};
        ::GetClientRect(window_, &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }
    plat::BOOL DrawIcon(plat::HDC dc, int x, int y, plat::HICON icon) override {
        return ::DrawIcon(static_cast<::HDC>(dc), x, y, static_cast<::HICON>(icon));
    }
    plat::BOOL EndDialog(std::intptr_t result) override { return ::EndDialog(window_, result); }

  private:
    ::HWND window_ = nullptr;
    PAINTSTRUCT paint_{};
};

// One modal run: the dialog's logic and the view of its window.
struct Session {
    DialogClient* client;
    DialogViewWin32 view;
};

INT_PTR CALLBACK DialogProc(::HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        auto* session = reinterpret_cast<Session*>(lparam);
        ::SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(session));
        session->view.Bind(window);
        session->client->Attach(session->view);
        return session->client->OnInitDialog();
    }
    auto* session = reinterpret_cast<Session*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (session == nullptr) return FALSE;  // messages before WM_INITDIALOG
    DialogClient& client = *session->client;
    switch (message) {
        case WM_COMMAND:
            return client.OnCommand(LOWORD(wparam), HIWORD(wparam)) ? TRUE : FALSE;
        case WM_SYSCOMMAND:
            return client.OnSysCommand(static_cast<unsigned>(wparam), lparam) ? TRUE : FALSE;
        case WM_PAINT:
            return client.OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON:
            // One of the messages whose answer is the dialog procedure's own return value.
            return reinterpret_cast<INT_PTR>(client.OnQueryDragIcon());
    }
    return FALSE;
}

class DialogHostWin32 final : public DialogHost {
  public:
    std::intptr_t DialogBoxParamA(int template_id, plat::HWND owner,
                                  DialogClient& client) override {
        Session session{&client, {}};
        const INT_PTR result = ::DialogBoxParamW(
            ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(template_id), static_cast<::HWND>(owner),
            DialogProc, reinterpret_cast<LPARAM>(&session));
        if (session.view.Window() != nullptr) client.Detach();
        return result;
    }
    // LoadImage with LR_SHARED is what LoadIcon and LoadCursor do, by one import.
    plat::HICON LoadIconA(int id) override {
        return ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0,
                            LR_DEFAULTSIZE | LR_SHARED);
    }
    int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
    plat::HCURSOR SetWaitCursor() override {
        return ::SetCursor(static_cast<::HCURSOR>(::LoadImageW(
            nullptr, MAKEINTRESOURCEW(32514), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED)));
    }
    plat::HCURSOR SetCursor(plat::HCURSOR cursor) override {
        return ::SetCursor(static_cast<::HCURSOR>(cursor));
    }
    PIDLIST SHBrowseForFolderA(plat::HWND owner, const char* title, unsigned flags) override {
        // The shell's browser wants COM on the calling thread; it stays initialised for the
        // rest of the process.
        static const HRESULT com =
            g_co_initialize.CallOr("CoInitializeEx", E_FAIL, nullptr, COINIT_APARTMENTTHREADED);
        (void)com;
        const Wide wide_title(title);
        if (!wide_title.ok()) return nullptr;  // as if cancelled: no folder was chosen
        BROWSEINFOW info{};
        info.hwndOwner = static_cast<::HWND>(owner);
        info.lpszTitle = wide_title.get();
        info.ulFlags = flags;
        return g_browse_for_folder.CallOr("SHBrowseForFolderW", nullptr, &info);
    }
    plat::BOOL SHGetPathFromIDListA(PIDLIST item, char* path) override {
        wchar_t wide[MAX_PATH] = {};
        const BOOL got = g_get_path_from_id_list.CallOr("SHGetPathFromIDListW", FALSE,
                                                        static_cast<PCIDLIST_ABSOLUTE>(item), wide);
        return ToAnsi(got, wide, path, MAX_PATH);
    }
    void CoTaskMemFree(PIDLIST item) override {
        g_co_task_mem_free.CallOr("CoTaskMemFree", 0, item);
    }
    plat::BOOL GetOpenFileNameA(const OpenFileName& request) override {
        // The filter is a list of texts ended by an empty one.
        int filter_length = 0;
        while (request.filter[filter_length] != 0 || request.filter[filter_length + 1] != 0) {
            ++filter_length;
        }
        const Wide filter(request.filter, filter_length + 2);
        const Wide extension(request.default_extension);
        if (!filter.ok() || !extension.ok()) return Unconvertible();
        wchar_t file[MAX_PATH] = {};
        OPENFILENAMEW record{};
        record.lStructSize = sizeof record;
        record.hwndOwner = static_cast<::HWND>(request.owner);
        record.lpstrFilter = filter.get();
        record.nFilterIndex = 1;
        record.lpstrFile = file;
        record.nMaxFile = MAX_PATH;
        record.lpstrDefExt = extension.get();
        record.Flags = request.flags;
        return ToAnsi(g_get_open_file_name.CallOr("GetOpenFileNameW", FALSE, &record), file,
                      request.file, request.file_size);
    }
};

}  // namespace
}  // namespace plat::win32

namespace plat {

DialogHost& SystemDialogHost() {
    // Never destroyed: the process ends without running exit-time code.
    static win32::DialogHostWin32* const host = new win32::DialogHostWin32;
    return *host;
}

}  // namespace plat
