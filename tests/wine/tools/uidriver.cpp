// Drives the windows of other programs on the same Wine desktop for the end-to-end tests:
// finds dialogs and message boxes, reads and changes their controls, clicks, sends commands
// and keys. Every answer is one line of JSON in UTF-8.
//
//   uidriver.exe dismiss-box <timeout_ms>   waits for a message box, prints its caption and
//                                           text, presses its OK button; 1 on timeout
//   uidriver.exe serve                      one tab-separated command per stdin line, one
//                                           JSON answer per line (see Dispatch)
//   uidriver.exe <command> <args...>        a single command of serve mode
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// The static control that carries a message box's text.
constexpr LONG_PTR kMessageBoxTextId = 0xFFFF;
// The bound for one synchronous message to another process.
constexpr UINT kSendTimeoutMs = 5000;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                          nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

// A JSON object built member by member.
class Json {
  public:
    Json& Add(const char* key, const std::string& raw_value) {
        if (body_.size() > 1) body_ += ',';
        body_ += Quote(key) + ':' + raw_value;
        return *this;
    }
    Json& Text(const char* key, const std::wstring& value) { return Add(key, Quote(Utf8(value))); }
    Json& Text(const char* key, const char* value) { return Add(key, Quote(value)); }
    Json& Int(const char* key, long long value) { return Add(key, std::to_string(value)); }
    Json& Bool(const char* key, bool value) { return Add(key, value ? "true" : "false"); }
    std::string Str() const { return body_ + '}'; }

    static std::string Quote(const std::string& text) {
        std::string out = "\"";
        for (unsigned char c : text) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        return out + '"';
    }

  private:
    std::string body_ = "{";
};

std::string Error(const char* what) { return Json().Bool("ok", false).Text("error", what).Str(); }

std::string HandleText(HWND window) {
    return std::to_string(
        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
}

HWND ParseHandle(const std::wstring& text) {
    return reinterpret_cast<HWND>(
        static_cast<std::uintptr_t>(std::wcstoull(text.c_str(), nullptr, 0)));
}

int ParseInt(const std::wstring& text) {
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 0));
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    ::GetClassNameW(window, name, 256);
    return name;
}

// The text of a window of any process: WM_GETTEXT sent directly, in the wide form, which Wine
// marshals across processes (GetWindowText does not ask a foreign window).
std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                               &length)) {
        return {};
    }
    std::vector<wchar_t> buffer(length + 1, L'\0');
    DWORD_PTR copied = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                          reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, kSendTimeoutMs,
                          &copied);
    return std::wstring(buffer.data(), std::min<std::size_t>(copied, length));
}

LRESULT Send(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool* done = nullptr) {
    DWORD_PTR result = 0;
    const bool ok = ::SendMessageTimeoutW(window, message, wparam, lparam, SMTO_ABORTIFHUNG,
                                          kSendTimeoutMs, &result) != 0;
    if (done != nullptr) *done = ok;
    return static_cast<LRESULT>(result);
}

// Returns once the window's thread has handled what was posted to it before: a sent message
// is taken before posted ones, so the second one waits for the next round of the thread's
// message loop.
bool Sync(HWND window) {
    bool done = false;
    for (int i = 0; i < 2; ++i) {
        Send(window, WM_NULL, 0, 0, &done);
        if (!done) return false;
    }
    return true;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// A message box: a visible dialog with the text static of the system's message box.
HWND MessageBoxText(HWND window) {
    if (!::IsWindowVisible(window) || ClassOf(window) != L"#32770") return nullptr;
    for (HWND child : Children(window)) {
        // The exact id: statics of dialog templates with id -1 read as 0xFFFFFFFF or -1.
        if (::GetWindowLongPtrW(child, GWLP_ID) == kMessageBoxTextId &&
            ClassOf(child) == L"Static") {
            return child;
        }
    }
    return nullptr;
}

template <typename Predicate>
HWND WaitForWindow(DWORD timeout_ms, Predicate matches) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        for (HWND window : TopLevelWindows()) {
            if (matches(window)) return window;
        }
        if (::GetTickCount() - start >= timeout_ms) return nullptr;
        ::Sleep(50);
    }
}

bool WaitGone(HWND window, DWORD timeout_ms) {
    const DWORD start = ::GetTickCount();
    while (::IsWindow(window)) {
        if (::GetTickCount() - start >= timeout_ms) return false;
        ::Sleep(50);
    }
    return true;
}

std::string RectJson(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return "[" + std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
           std::to_string(rect.right) + "," + std::to_string(rect.bottom) + "]";
}

std::string WindowJson(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return Json()
        .Add("hwnd", HandleText(window))
        .Text("class", ClassOf(window))
        .Text("caption", TextOf(window))
        .Bool("visible", ::IsWindowVisible(window) != FALSE)
        .Bool("enabled", ::IsWindowEnabled(window) != FALSE)
        .Int("pid", pid)
        .Add("owner", HandleText(::GetWindow(window, GW_OWNER)))
        .Add("rect", RectJson(window))
        .Str();
}

std::string BoxJson(HWND box, HWND text) {
    return Json()
        .Bool("ok", true)
        .Add("hwnd", HandleText(box))
        .Text("caption", TextOf(box))
        .Text("text", TextOf(text))
        .Str();
}

// Presses OK the way a click does and waits until the box is gone.
bool PressOk(HWND box, DWORD timeout_ms) {
    HWND ok = ::GetDlgItem(box, IDOK);
    if (ok != nullptr) {
        ::PostMessageW(ok, BM_CLICK, 0, 0);
    } else {
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    return WaitGone(box, timeout_ms);
}

std::string ControlJson(HWND dialog, int id) {
    HWND control = ::GetDlgItem(dialog, id);
    if (control == nullptr) return Error("no such control");
    const std::wstring kind = ClassOf(control);
    Json json;
    json.Bool("ok", true)
        .Add("hwnd", HandleText(control))
        .Text("class", kind)
        .Text("text", TextOf(control))
        .Bool("visible", ::IsWindowVisible(control) != FALSE)
        .Bool("enabled", ::IsWindowEnabled(control) != FALSE)
        .Int("style", static_cast<long long>(::GetWindowLongPtrW(control, GWL_STYLE)) & 0xFFFFFFFF);
    if (kind == L"Button") json.Int("check", Send(control, BM_GETCHECK, 0, 0));
    if (kind == L"ComboBox") {
        const LRESULT count = Send(control, CB_GETCOUNT, 0, 0);
        std::string items = "[";
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = Send(control, CB_GETLBTEXTLEN, i, 0);
            std::vector<wchar_t> text(length > 0 ? length + 1 : 1, L'\0');
            Send(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            if (i > 0) items += ',';
            items += Json::Quote(Utf8(text.data()));
        }
        json.Add("items", items + "]").Int("selected", Send(control, CB_GETCURSEL, 0, 0));
    }
    return json.Str();
}

UINT VirtualKey(const std::wstring& name) {
    if (name == L"esc") return VK_ESCAPE;
    if (name == L"enter") return VK_RETURN;
    if (name == L"tab") return VK_TAB;
    if (name == L"space") return VK_SPACE;
    return 0;
}

// The window with the keyboard focus in the thread that owns `window`.
GUITHREADINFO ThreadInfoOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info)) {
        info.hwndFocus = info.hwndActive = nullptr;
    }
    return info;
}

HWND FocusOf(HWND window) { return ThreadInfoOf(window).hwndFocus; }

std::string Dispatch(const std::vector<std::wstring>& args) {
    if (args.empty()) return Error("no command");
    const std::wstring& command = args[0];
    auto arg = [&](std::size_t i) { return i < args.size() ? args[i] : std::wstring(); };
    const bool have = [&] {
        static const struct {
            const wchar_t* name;
            std::size_t count;
        } arity[] = {{L"windows", 0}, {L"find", 3},       {L"control", 2}, {L"settext", 3},
                     {L"click", 2},   {L"post-click", 2}, {L"command", 2}, {L"syscommand", 2},
                     {L"key", 2},     {L"focus", 1},      {L"box", 1},     {L"dismiss-box", 1},
                     {L"alive", 1},   {L"wait-gone", 2},  {L"sync", 1},    {L"window", 1},
                     {L"move", 3}};
        for (const auto& entry : arity) {
            if (command == entry.name) return args.size() == entry.count + 1;
        }
        return false;
    }();
    if (!have) return Error("unknown command or wrong number of arguments");

    if (command == L"windows") {
        std::string list = "[";
        for (HWND window : TopLevelWindows()) {
            if (list.size() > 1) list += ',';
            list += WindowJson(window);
        }
        return Json().Bool("ok", true).Add("windows", list + "]").Str();
    }
    if (command == L"window") {
        HWND window = ParseHandle(arg(1));
        if (!::IsWindow(window)) return Error("no such window");
        return Json().Bool("ok", true).Add("window", WindowJson(window)).Str();
    }
    if (command == L"find") {  // caption, class ("" = any), timeout
        const std::wstring caption = arg(1), kind = arg(2);
        HWND found = WaitForWindow(static_cast<DWORD>(ParseInt(arg(3))), [&](HWND window) {
            return ::IsWindowVisible(window) && (kind.empty() || ClassOf(window) == kind) &&
                   TextOf(window) == caption;
        });
        if (found == nullptr) return Error("timeout");
        return Json().Bool("ok", true).Add("hwnd", HandleText(found)).Str();
    }
    if (command == L"box" || command == L"dismiss-box") {
        HWND text = nullptr;
        HWND box = WaitForWindow(static_cast<DWORD>(ParseInt(arg(1))), [&](HWND window) {
            text = MessageBoxText(window);
            return text != nullptr;
        });
        if (box == nullptr) return Error("timeout");
        std::string answer = BoxJson(box, text);
        if (command == L"dismiss-box" && !PressOk(box, kSendTimeoutMs)) {
            return Error("message box stayed open");
        }
        return answer;
    }
    if (command == L"alive") {
        return Json().Bool("ok", true).Bool("alive", ::IsWindow(ParseHandle(arg(1)))).Str();
    }
    if (command == L"wait-gone") {
        if (!WaitGone(ParseHandle(arg(1)), static_cast<DWORD>(ParseInt(arg(2))))) {
            return Error("timeout");
        }
        return Json().Bool("ok", true).Str();
    }

    HWND window = ParseHandle(arg(1));
    if (!::IsWindow(window)) return Error("no such window");
    if (command == L"sync") {
        return Sync(window) ? Json().Bool("ok", true).Str() : Error("window does not answer");
    }
    if (command == L"move") {
        ::SetWindowPos(window, nullptr, ParseInt(arg(2)), ParseInt(arg(3)), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return Json().Bool("ok", true).Add("rect", RectJson(window)).Str();
    }
    if (command == L"focus") {
        const GUITHREADINFO info = ThreadInfoOf(window);
        return Json()
            .Bool("ok", true)
            .Add("hwnd", HandleText(info.hwndFocus))
            .Int("id", info.hwndFocus ? ::GetDlgCtrlID(info.hwndFocus) : 0)
            .Add("active", HandleText(info.hwndActive))
            .Add("foreground", HandleText(::GetForegroundWindow()))
            .Str();
    }
    if (command == L"syscommand") {
        ::PostMessageW(window, WM_SYSCOMMAND, static_cast<WPARAM>(ParseInt(arg(2))), 0);
        return Json().Bool("ok", true).Str();
    }
    if (command == L"key") {
        const UINT key = VirtualKey(arg(2));
        if (key == 0) return Error("unknown key");
        HWND focus = FocusOf(window);
        HWND target = focus != nullptr ? focus : window;
        // Posted like typed keys, so that the dialog's message loop gives them to
        // IsDialogMessage for Tab, Enter and Esc processing.
        const UINT scan = ::MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
        ::PostMessageW(target, WM_KEYDOWN, key, 1 | (scan << 16));
        ::PostMessageW(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
        return Json().Bool("ok", true).Add("target", HandleText(target)).Str();
    }

    const int id = ParseInt(arg(2));
    if (command == L"control") return ControlJson(window, id);
    if (command == L"command") {
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
        return Json().Bool("ok", true).Str();
    }
    HWND control = ::GetDlgItem(window, id);
    if (control == nullptr) return Error("no such control");
    if (command == L"settext") {
        const std::wstring text = arg(3);
        bool done = false;
        Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), &done);
        return done ? Json().Bool("ok", true).Str() : Error("control does not answer");
    }
    if (command == L"click") {  // for buttons whose handler returns at once
        bool done = false;
        Send(control, BM_CLICK, 0, 0, &done);
        return done ? Json().Bool("ok", true).Str() : Error("click not finished");
    }
    if (command == L"post-click") {  // for buttons whose handler opens a modal window
        ::PostMessageW(control, BM_CLICK, 0, 0);
        return Json().Bool("ok", true).Str();
    }
    return Error("unknown command");
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::wstring::npos) return fields;
        start = tab + 1;
    }
}

void WriteLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int Serve() {
    std::string line;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::vector<std::wstring> args = SplitTabs(Wide(line));
        line.clear();
        if (args.size() == 1 && args[0] == L"quit") break;
        WriteLine(Dispatch(args));
    }
    return 0;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);

    // Arguments in UTF-16, whatever the ANSI code page.
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);

    if (args.size() == 1 && args[0] == L"serve") return Serve();

    const std::string answer = Dispatch(args);
    if (args.size() == 2 && args[0] == L"dismiss-box") {
        if (answer.find("\"ok\":true") == std::string::npos) {
            WriteLine(answer);
            return 1;
        }
        // The box alone: {"caption": ..., "text": ...}.
        const std::size_t caption = answer.find("\"caption\":");
        WriteLine("{" + answer.substr(caption));
        return 0;
    }
    WriteLine(answer);
    return answer.find("\"ok\":true") == std::string::npos ? 1 : 0;
}
