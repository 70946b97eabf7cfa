// The Wine tests' eyes and hands inside a prefix: "wintool <command> <arguments>" (see Dispatch)
// answers in a line of UTF-8 JSON (control characters raw); a failure: {"error": ...}, exit 1.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/unique_win32.h"

namespace {

using Args = std::vector<std::wstring>;
// The bound of each message sent to another process. Sent without SMTO_ABORTIFHUNG: a thread
// that has just run a sequence for seconds counts as hung until it next reads its queue, which
// the message box it then shows is about to do.
constexpr UINT kSendTimeoutMs = 5000;

std::string Json(const std::wstring& text) {
    std::string utf8(text.size() * 3, '\0'), out = "\"";
    utf8.resize(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                      utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                      nullptr));
    for (const char c : utf8) out += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
    return out + '"';
}
std::string Json(const wchar_t* text) { return Json(std::wstring(text ? text : L"")); }
std::string Json(long long number) { return std::to_string(number); }
std::string Error(const char* what) { return "{\"error\":\"" + std::string(what) + "\"}"; }

// The names in one of the spooler's two-call enumerations, as a JSON list.
template <typename Item, typename Enumerate>
std::string Names(Enumerate enumerate) {
    DWORD needed = 0, count = 0;
    (void)enumerate(nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 1);
    std::string out;
    const auto* items = reinterpret_cast<const Item*>(buffer.data());
    if (!enumerate(buffer.data(), needed, &needed, &count)) count = 0;
    for (DWORD i = 0; i < count; ++i) out += (i ? "," : "") + Json(items[i].pName);
    return "[" + out + "]";
}

// What the spooler holds of ours: the queue (null when missing), ports, drivers of the x86 and
// x64 environments, default printer, spool value ("" when missing).
std::string Spooler(const std::wstring& name) {
    std::string queue = "null";
    HANDLE opened = nullptr;
    DWORD needed = 0, size = MAX_PATH;
    if (::OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &opened, nullptr)) {
        const plat::win32::UniqueWin32Printer printer(plat::win32::g_releaser, opened);
        (void)::GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed + 1);
        const auto* p = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        if (::GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) {
            queue = "[" + Json(p->pShareName) + "," + Json(p->pPortName) + "," +
                    Json(p->pDriverName) + "," + Json(p->pComment) + "," +
                    Json(p->pPrintProcessor) + "," + Json(p->pDatatype) + "," +
                    Json(p->Attributes) + "]";
        }
    }
    wchar_t text[2][MAX_PATH] = {};
    (void)::GetDefaultPrinterW(text[0], &size);
    size = sizeof text[1];
    (void)::RegGetValueW(HKEY_LOCAL_MACHINE,
                         L"SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer",
                         L"SpoolDirectory", RRF_RT_REG_SZ, nullptr, text[1], &size);
    return "{\"queue\":" + queue + ",\"ports\":" +
           Names<PORT_INFO_1W>([](auto... a) { return ::EnumPortsW(nullptr, 1, a...); }) +
           ",\"drivers\":{\"Windows NT x86\":" + Names<DRIVER_INFO_1W>([](auto... a) {
               return ::EnumPrinterDriversW(nullptr, const_cast<wchar_t*>(L"Windows NT x86"), 1,
                                            a...);
           }) +
           ",\"Windows x64\":" + Names<DRIVER_INFO_1W>([](auto... a) {
               return ::EnumPrinterDriversW(nullptr, const_cast<wchar_t*>(L"Windows x64"), 1, a...);
           }) +
           "}" + ",\"default\":" + Json(text[0]) + ",\"spool\":" + Json(text[1]) + "}";
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

template <typename Found>
bool Poll(DWORD timeout_ms, Found found) {
    for (const DWORD start = ::GetTickCount(); !found(); ::Sleep(50)) {
        if (::GetTickCount() - start >= timeout_ms) return false;
    }
    return true;
}

// Returns once the window's thread has handled what was posted to it before (a sent message
// comes before posted ones, so the second waits for the next turn of its message loop), or
// once the window is gone.
std::string Sync(HWND window) {
    bool done = true;
    for (int i = 0; i < 2 && done; ++i) Send(window, WM_NULL, 0, 0, &done);
    return done || Poll(kSendTimeoutMs, [&] { return !::IsWindow(window); })
               ? "{}"
               : Error("window does not answer");
}

std::vector<HWND> VisibleWindows() {
    std::vector<HWND> windows;
    for (HWND w = ::GetTopWindow(nullptr); w; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (::IsWindowVisible(w)) windows.push_back(w);
    }
    return windows;
}

// A message box's text static (a dialog's child of id 0xFFFF), or null.
HWND BoxText(HWND window) {
    HWND text = ClassOf(window) == L"#32770" ? ::GetDlgItem(window, 0xFFFF) : nullptr;
    return text && ClassOf(text) == L"Static" ? text : nullptr;
}

std::string PressOk(HWND box, HWND text) {
    const std::string answer = "[" + Json(TextOf(box)) + "," + Json(TextOf(text)) + "]";
    (void)::PostMessageW(::GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return Poll(kSendTimeoutMs, [&] { return !::IsWindow(box); }) ? answer : Error("box stays");
}

// Runs a program to its end; records the windows it shows and presses OK on its message boxes.
std::string Run(DWORD timeout_ms, std::wstring command) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        return Error("cannot start the program");
    }
    const plat::win32::UniqueWin32Handle thread(plat::win32::g_releaser, process.hThread);
    const plat::win32::UniqueWin32Handle child(plat::win32::g_releaser, process.hProcess);
    std::set<HWND> windows;
    std::string boxes;
    const bool ended = Poll(timeout_ms, [&] {
        for (HWND window : VisibleWindows()) {
            DWORD owner = 0;
            (void)::GetWindowThreadProcessId(window, &owner);
            HWND text = owner == process.dwProcessId ? BoxText(window) : nullptr;
            if (text) boxes += (boxes.empty() ? "" : ",") + PressOk(window, text);
            if (owner == process.dwProcessId && !text) windows.insert(window);
        }
        return ::WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
    });
    DWORD exit_code = 0;
    if (!ended) (void)::TerminateProcess(process.hProcess, 255);
    (void)::GetExitCodeProcess(process.hProcess, &exit_code);
    return ended ? "{\"exit\":" + Json(exit_code) + ",\"boxes\":[" + boxes +
                       "],\"windows\":" + Json(static_cast<long long>(windows.size())) + "}"
                 : Error("the program did not end in time");
}

// The dialog's visible controls: class, style, rectangle on the screen, text, and the size of
// the text in the dialog's font ("MS Shell Dlg", 9 points at the screen's DPI), as JSON lists.
std::string Layout(HWND dialog) {
    HDC dc = ::GetDC(dialog);
    HFONT font = ::CreateFontW(-::MulDiv(9, ::GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0,
                               FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    HGDIOBJ old = ::SelectObject(dc, font);
    std::string out;
    for (HWND item = ::GetWindow(dialog, GW_CHILD); item; item = ::GetWindow(item, GW_HWNDNEXT)) {
        RECT rect{};
        SIZE size{};
        const std::wstring text = TextOf(item);
        if (!::IsWindowVisible(item) || !::GetWindowRect(item, &rect)) continue;
        (void)::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        out += std::string(out.empty() ? "[" : ",[") + Json(ClassOf(item)) + "," +
               Json(::GetWindowLongW(item, GWL_STYLE) & 0xFFFF) + "," + Json(rect.left) + "," +
               Json(rect.top) + "," + Json(rect.right) + "," + Json(rect.bottom) + "," +
               Json(text) + "," + Json(size.cx) + "," + Json(size.cy) + "]";
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::ReleaseDC(dialog, dc);
    return "[" + out + "]";
}

std::string Dispatch(const Args& args) {
    const auto number = [&](std::size_t i) {
        return i < args.size() ? std::wcstoll(args[i].c_str(), nullptr, 0) : 0;
    };
    const std::wstring command = args.empty() ? L"" : args[0];
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(number(1)));
    const int id = static_cast<int>(number(2));
    HWND control = ::GetDlgItem(window, id);
    // spooler <queue name>; run <ms> <command line> [NAME=value...] (Wine's own environment
    // takes no TEMP from the host's)
    if (command == L"spooler" && args.size() == 2) return Spooler(args[1]);
    if (command == L"run" && args.size() >= 3) {
        for (std::size_t i = 3; i < args.size(); ++i) {
            const std::size_t equals = args[i].find(L'=');
            (void)::SetEnvironmentVariableW(args[i].substr(0, equals).c_str(),
                                            args[i].substr(equals + 1).c_str());
        }
        return Run(static_cast<DWORD>(number(1)), args[2]);
    }
    if (command == L"layout") return Layout(window);  // <hwnd>
    if (command == L"find" || command == L"box") {    // <ms> <caption>, or <ms> alone
        HWND found = nullptr, text = nullptr;         // a dialog by its caption, or a message box
        const bool seen = Poll(static_cast<DWORD>(number(1)), [&] {
            for (HWND w : VisibleWindows()) {
                text = command == L"box" ? BoxText(w) : nullptr;
                if (text || (args.size() > 2 && ClassOf(w) == L"#32770" && TextOf(w) == args[2])) {
                    return (found = w) != nullptr;
                }
            }
            return false;
        });
        return !seen  ? Error("no such window")
               : text ? PressOk(found, text)
                      : Json(reinterpret_cast<INT_PTR>(found));
    }
    // <hwnd> <wparam>: a hidden button's command, a system menu command, a key (which the
    // dialog's loop takes wherever the focus is); <hwnd> <id>: a click on a control, posted as
    // the others are, since its handler may open a modal window.
    const UINT message = command == L"command"      ? WM_COMMAND
                         : command == L"syscommand" ? WM_SYSCOMMAND
                         : command == L"key"        ? WM_KEYDOWN
                         : command == L"click"      ? BM_CLICK
                                                    : 0;
    HWND target = message == BM_CLICK ? control : window;
    const auto wparam = static_cast<WPARAM>(message == BM_CLICK ? 0 : number(2));
    if (message && target && ::PostMessageW(target, message, wparam, 0)) {
        // A hidden button's handler keeps the window's thread busy for seconds: not waited for.
        return message == WM_COMMAND ? "{}" : Sync(window);
    }
    bool sent = false;
    if (command == L"settext" && control && args.size() == 4) {  // <hwnd> <id> <text>
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args[3].c_str()), &sent);
        return sent ? "{}" : Error("control does not answer");
    }
    RECT rect{};
    if (command == L"control" && ::GetWindowRect(id ? control : window, &rect)) {  // <hwnd> <id>
        HWND item = id ? control : window;  // id 0: the window itself
        return "{\"text\":" + Json(TextOf(item)) +
               ",\"count\":" + Json(Send(item, CB_GETCOUNT, 0, 0)) +
               ",\"check\":" + Json(Send(item, BM_GETCHECK, 0, 0)) +
               ",\"enabled\":" + Json(::IsWindowEnabled(item)) +
               ",\"visible\":" + Json(::IsWindowVisible(item)) + ",\"rect\":[" + Json(rect.left) +
               "," + Json(rect.top) + "," + Json(rect.right) + "," + Json(rect.bottom) + "]}";
    }
    return Error("unknown command or failed call");
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr) return 1;
    const std::string answer = Dispatch(Args(argv + 1, argv + argc));
    std::printf("%s\n", answer.c_str());
    return answer.compare(0, 9, "{\"error\":") == 0 ? 1 : 0;
}
