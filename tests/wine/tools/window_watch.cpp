// Watches the visible top-level windows of one program while it runs.
// Usage: window_watch <image name> <timeout ms>
// Prints "ready", waits for a process with that image name to start and to end, then prints one
// line of UTF-8 JSON {"seen": bool, "ended": bool, "windows": [{"class", "title"}, ...]} with
// every visible top-level window that belonged to it meanwhile. Exits 1 when the timeout came
// first.
#include <windows.h>

#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/wine/tools/json_text.h"

namespace {

using tools::Json;

// Ids of the running processes with the given image name.
std::set<DWORD> ProcessesNamed(const wchar_t* image) {
    std::set<DWORD> ids;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry)) {
        if (::_wcsicmp(entry.szExeFile, image) == 0) ids.insert(entry.th32ProcessID);
    }
    ::CloseHandle(snapshot);
    return ids;
}

struct Scan {
    const std::set<DWORD>* ids;
    std::set<std::pair<std::wstring, std::wstring>>* seen;
};

BOOL CALLBACK RecordWindow(HWND window, LPARAM context) {
    auto* scan = reinterpret_cast<Scan*>(context);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (scan->ids->count(process) == 0 || !::IsWindowVisible(window)) return TRUE;
    wchar_t class_name[256] = {};
    wchar_t title[512] = {};
    ::GetClassNameW(window, class_name, 256);
    ::GetWindowTextW(window, title, 512);
    scan->seen->emplace(class_name, title);
    return TRUE;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        std::fprintf(stderr, "usage: window_watch <image name> <timeout ms>\n");
        return 2;
    }
    const wchar_t* image = argv[1];
    const DWORD timeout = static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10));
    std::printf("ready\n");
    std::fflush(stdout);

    std::set<std::pair<std::wstring, std::wstring>> windows;
    bool seen = false;
    bool ended = false;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < timeout) {
        const std::set<DWORD> ids = ProcessesNamed(image);
        if (!ids.empty()) {
            seen = true;
            Scan scan{&ids, &windows};
            ::EnumWindows(RecordWindow, reinterpret_cast<LPARAM>(&scan));
        } else if (seen) {
            ended = true;
            break;
        }
        ::Sleep(50);
    }

    std::string out = std::string("{\"seen\":") + (seen ? "true" : "false") +
                      ",\"ended\":" + (ended ? "true" : "false") + ",\"windows\":[";
    bool first = true;
    for (const auto& [class_name, title] : windows) {
        out += (first ? "" : ",") + std::string("{\"class\":") + Json(class_name.c_str()) +
               ",\"title\":" + Json(title.c_str()) + "}";
        first = false;
    }
    out += "]}\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return ended ? 0 : 1;
}
