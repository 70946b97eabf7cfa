// The Wine tests' eyes and hands inside a prefix: "wintool <command> <arguments>" (see Dispatch)
// answers in a line of UTF-8 JSON (control characters raw); a failure: {"error": ...}, exit 1.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/win32/unique_win32.h"

namespace {

// Sent without SMTO_ABORTIFHUNG: a thread back from seconds of a sequence counts as hung until it
// next reads its queue, as the box it then shows is about to do.
constexpr UINT kSendTimeoutMs = 5000;

std::string Json(long long number) { return std::to_string(number); }
std::string Json(const wchar_t* text) {
    const int length = text ? static_cast<int>(std::wcslen(text)) : 0;
    std::string utf8(length * 3, '\0'), out = "\"";
    utf8.resize(
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), length * 3, nullptr, nullptr));
    for (const char c : utf8) out += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    return out + '"';
}
std::string Error(const char* what) { return "{\"error\":\"" + std::string(what) + "\"}"; }

template <typename... Items>
std::string List(const Items&... items) {
    std::string out;
    ((out += (out.empty() ? "" : ",") + Json(items)), ...);
    return "[" + out + "]";
}

// Whether a two-call spooler enumeration of level 1, whose items are a name, lists `name`.
template <typename Enumerate>
bool Has(const std::wstring& name, Enumerate enumerate) {
    DWORD needed = 0, count = 0;
    (void)enumerate(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    if (!enumerate(buffer.data(), needed, &needed, &count)) count = 0;
    const auto* names = reinterpret_cast<const LPWSTR*>(buffer.data());
    return std::find(names, names + count, name) != names + count;
}

// What the spooler holds of ours: [the queue (null when missing), whether the port is listed, the
// environments of x86 and x64 that have the queue's driver, the default printer].
std::string Spooler(std::wstring queue_name, const std::wstring& port) {
    std::string queue = "null", drivers;
    HANDLE opened = nullptr;
    if (::OpenPrinterW(queue_name.data(), &opened, nullptr)) {
        const plat::win32::UniqueWin32Printer printer(plat::win32::g_releaser, opened);
        DWORD needed = 0;
        (void)::GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed + 1);
        const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        if (::GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) {
            queue = List(p->pShareName, p->pPortName, p->pDriverName, p->pComment,
                         p->pPrintProcessor, p->pDatatype, p->Attributes);
        }
    }
    for (const wchar_t* environment : {L"Windows NT x86", L"Windows x64"}) {
        const auto enumerate = [&](auto... a) {
            return ::EnumPrinterDriversW(nullptr, const_cast<wchar_t*>(environment), 1, a...);
        };
        if (Has(queue_name, enumerate)) drivers += (drivers.empty() ? "" : ",") + Json(environment);
    }
    wchar_t default_printer[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    (void)::GetDefaultPrinterW(default_printer, &size);
    const bool listed = Has(port, [](auto... a) { return ::EnumPortsW(nullptr, 1, a...); });
    return "[" + queue + (listed ? ",true,[" : ",false,[") + drivers + "]," +
           Json(default_printer) + "]";
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool* done = nullptr) {
    DWORD_PTR result = 0;
    const bool sent = ::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL,
                                            kSendTimeoutMs, &result) != 0;
    if (done) *done = sent;
    return static_cast<LRESULT>(result);
}

// Asked of the window itself: GetWindowText does not ask a window of another process.
std::wstring TextOf(HWND window) {
    std::wstring text(Send(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    return ::GetClassNameW(window, name, 64) ? name : L"";
}

// A message box's text static (a dialog's child of id 0xFFFF), or null.
HWND BoxText(HWND window) {
    HWND text = ClassOf(window) == L"#32770" ? ::GetDlgItem(window, 0xFFFF) : nullptr;
    return text && ClassOf(text) == L"Static" ? text : nullptr;
}

// The first visible top-level window that is `wanted`, waited for up to a minute; or null.
template <typename Wanted>
HWND Find(Wanted wanted) {
    for (const DWORD start = ::GetTickCount(); ::GetTickCount() - start < 60000; ::Sleep(50)) {
        for (HWND found = ::GetTopWindow(nullptr); found; found = ::GetWindow(found, GW_HWNDNEXT)) {
            if (::IsWindowVisible(found) && wanted(found)) return found;
        }
    }
    return nullptr;
}

// The window (id 0) and its controls: id, class, style, screen rectangle, text and its size in the
// dialog's font (MS Shell Dlg, 9 points), check, enabled, visible, a combo box's count. Read once
// the window has handled what was posted before: sent messages come first, so the second waits.
std::string Controls(HWND window) {
    bool done = true;
    for (int i = 0; i < 2 && done; ++i) Send(window, WM_NULL, 0, 0, &done);
    if (!done) return Error("window does not answer");
    HDC dc = ::GetDC(window);  // kept, with the font, for the little while the tool still runs
    (void)::SelectObject(
        dc, ::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0,
                          0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg"));
    std::string out;
    for (HWND item = window; item;
         item = ::GetWindow(item, item == window ? GW_CHILD : GW_HWNDNEXT)) {
        RECT r{};
        SIZE size{};
        const std::wstring text = TextOf(item);
        (void)::GetWindowRect(item, &r);
        (void)::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        out += "," + List(item == window ? 0 : ::GetDlgCtrlID(item), ClassOf(item).c_str(),
                          ::GetWindowLongW(item, GWL_STYLE) & 0xFFFF, r.left, r.top, r.right,
                          r.bottom, text.c_str(), size.cx, size.cy, Send(item, BM_GETCHECK, 0, 0),
                          ::IsWindowEnabled(item), ::IsWindowVisible(item),
                          Send(item, CB_GETCOUNT, 0, 0));
    }
    return "[" + out.substr(1) + "]";  // the window comes first, so there is always one
}

// spooler <queue> <port>; box: a message box's caption and text, after which it presses its OK;
// controls <caption>; post <caption> <id> <message> <wparam>; settext <caption> <id> <text>. A
// caption names a dialog (not a message box), an id one of its controls, or 0 the dialog itself.
std::string Dispatch(std::vector<std::wstring> args) {
    args.resize(5);  // an argument not given is empty, or 0
    const auto number = [&](int i) { return std::wcstoll(args[i].c_str(), nullptr, 0); };
    const std::wstring& command = args[0];
    if (command == L"spooler") return Spooler(args[1], args[2]);
    if (command == L"box") {
        HWND box = Find(BoxText);
        if (!box) return Error("no box");
        const std::string answer = List(TextOf(box).c_str(), TextOf(BoxText(box)).c_str());
        (void)::PostMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        for (UINT waited = 0; waited < kSendTimeoutMs && ::IsWindow(box); waited += 50) ::Sleep(50);
        return ::IsWindow(box) ? Error("box stays") : answer;
    }
    HWND window = Find(
        [&](HWND w) { return ClassOf(w) == L"#32770" && !BoxText(w) && TextOf(w) == args[1]; });
    HWND target = number(2) ? ::GetDlgItem(window, static_cast<int>(number(2))) : window;
    if (command == L"controls" && window) return Controls(window);
    // Posted, since the handler may open a modal window or keep the thread busy for seconds.
    if (command == L"post" && target &&
        ::PostMessageW(target, static_cast<UINT>(number(3)), static_cast<WPARAM>(number(4)), 0)) {
        return "{}";
    }
    bool sent = false;
    if (command == L"settext" && target) {
        Send(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[3].c_str()), &sent);
    }
    return sent ? "{}" : Error("unknown command or failed call");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::string answer = Dispatch(std::vector<std::wstring>(argv + 1, argv + argc));
    std::printf("%s\n", answer.c_str());
    return answer.compare(0, 9, "{\"error\":") == 0 ? 1 : 0;
}
