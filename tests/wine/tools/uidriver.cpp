// Drives the user interface of a program under test from outside.
// Usage: uidriver dismiss-box <timeout ms>
// Waits for a message box (a top-level dialog with the box's text control), prints one line of
// UTF-8 JSON {"caption": "...", "text": "..."}, presses its OK button and waits until it has
// gone. Exits 0, or 1 when no box came within the timeout.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte >= 0x20) {
            out += c;
        }
    }
    return out + "\"";
}

// Another process's window text: Wine answers only WM_GETTEXT sent directly, in the wide form.
std::wstring TextOf(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 2000, &result);
    return text;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
    wchar_t class_name[16] = {};
    ::GetClassNameW(window, class_name, 16);
    if (std::wcscmp(class_name, L"#32770") != 0 || !::IsWindowVisible(window)) return TRUE;
    if (::GetDlgItem(window, kMessageBoxTextId) == nullptr) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

int DismissBox(DWORD timeout) {
    const DWORD start = ::GetTickCount();
    HWND box = nullptr;
    while (box == nullptr) {
        ::EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box != nullptr) break;
        if (::GetTickCount() - start >= timeout) return 1;
        ::Sleep(50);
    }
    const std::string line = "{\"caption\":" + Json(TextOf(box)) +
                             ",\"text\":" + Json(TextOf(::GetDlgItem(box, kMessageBoxTextId))) +
                             "}\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);

    HWND ok = ::GetDlgItem(box, IDOK);
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    // Gone before we end, so the next call cannot find this box again.
    while (::IsWindow(box) && ::GetTickCount() - start < timeout) ::Sleep(20);
    return ::IsWindow(box) ? 1 : 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv != nullptr && argc >= 3 && std::wcscmp(argv[1], L"dismiss-box") == 0) {
        return DismissBox(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    }
    std::fprintf(stderr, "usage: uidriver dismiss-box <timeout ms>\n");
    return 2;
}
