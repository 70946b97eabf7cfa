// Bench tool run inside Wine: starts a program, waits until a top-level window with the given
// caption is visible, and prints the elapsed milliseconds and the program's peak working set.
// The program is then ended.
#include <windows.h>

#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/unique_win32.h"

namespace {

struct Search {
    const wchar_t* caption;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    wchar_t text[256] = {};
    if (pid == search->pid && ::IsWindowVisible(window) &&
        ::GetWindowTextW(window, text, 256) > 0 && std::wcscmp(text, search->caption) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: launch_timer <caption> <program> [arguments]\n");
        return 2;
    }
    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    for (int i = 3; i < argc; ++i) command += L" " + std::wstring(argv[i]);

    LARGE_INTEGER frequency, start, now;
    ::QueryPerformanceFrequency(&frequency);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process)) {
        std::fprintf(stderr, "cannot start: %lu\n", ::GetLastError());
        return 2;
    }
    const plat::win32::UniqueWin32Handle thread(plat::win32::g_releaser, process.hThread);
    const plat::win32::UniqueWin32Handle child(plat::win32::g_releaser, process.hProcess);
    Search search{argv[1], process.dwProcessId, nullptr};
    double elapsed_ms = 0;
    for (;;) {
        ::EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&search));
        ::QueryPerformanceCounter(&now);
        elapsed_ms = 1000.0 * double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
        if (search.found || elapsed_ms > 60000) break;
        ::Sleep(1);
    }
    ::Sleep(300);  // let the dialog settle before reading its memory
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory);
    ::TerminateProcess(process.hProcess, 0);
    ::WaitForSingleObject(process.hProcess, 10000);
    if (!search.found) {
        std::fprintf(stderr, "no window\n");
        return 1;
    }
    std::printf("%.1f %lu\n", elapsed_ms, static_cast<unsigned long>(memory.PeakWorkingSetSize));
    return 0;
}
