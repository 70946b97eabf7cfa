// One pretend Windows for the native tests: files, folders, processes and a virtual clock, the
// machine's named mutexes, the spooler service, the spooler with its queues, ports and drivers by
// environment, registry, INI files, the report server, boxes, dialogs and sockets, kept as state
// in one object that answers with the system's rules. Any fallible call fails on request
// (fail("AddPrinterA", 1802)); every handle given out is tracked until it is closed.
#pragma once

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "app/velmora_app.h"
#include "common/printer_constants.h"
#include "install/sequences.h"
#include "platform/dialog.h"
#include "res/resource.h"
#include "settings/velmora_dlg.h"

namespace fake {
using namespace plat;

constexpr char kDir[] = "C:\\Program Files\\Velmora\\", kX86[] = "Windows NT x86",
               kX64[] = "Windows x64", kLock[] = "Global\\Velmora-install-uninstall";
constexpr char kSpoolKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";
constexpr char kSpool[] = "C:\\windows\\system32\\spool\\";
// The running account's SID, S-1-5-21-1-2-3-1000, and another user's.
const std::string kUserSid(
    "\x01\x05\0\0\0\0\0\x05\x15\0\0\0\x01\0\0\0\x02\0\0\0\x03\0\0\0\xE8\x03\0\0", 28);
const std::string kOtherSid = kUserSid.substr(0, 24) + std::string("\xE9\x03\0\0", 4);

inline HANDLE H(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
inline std::string Str(const char* text) { return text ? text : "-"; }
inline std::string Str(const std::string& text) { return text; }
template <typename N, typename = std::enable_if_t<std::is_arithmetic_v<N>>>
std::string Str(N n) {
    return std::to_string(n);
}
// The values as text, each followed by `sep`; a null text is "-".
template <typename... A>
std::string Say(char sep, const A&... values) {
    return ((Str(values) + sep) + ...);
}
inline std::string Low(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
// `bytes` from one of iconv's encodings to UTF-16 or back; what cannot be converted becomes '?'
// (as the system's conversions make it), and `*whole` says whether there was none.
inline std::string Iconv(const char* to, const char* from, std::string bytes, std::size_t unit,
                         bool* whole = nullptr) {
    iconv_t cd = iconv_open(to, from);
    std::string out(bytes.size() * 4 + 4, '\0');
    char *in = bytes.data(), *at = out.data();
    std::size_t left = bytes.size(), room = out.size(), misses = 0;
    for (; iconv(cd, &in, &left, &at, &room) == std::size_t(-1) && left >= unit; ++misses) {
        in += unit, left -= unit;
        for (char q : std::string(to[3] == '-' ? "?\0" : "?", to[3] == '-' ? 2 : 1)) {
            *at++ = q, --room;
        }
    }
    if (whole) *whole = misses == 0;
    iconv_close(cd);
    return out.substr(0, out.size() - room);
}
inline std::u16string Wide(const std::string& bytes, const char* from) {
    const std::string wide = Iconv("UTF-16LE", from, bytes, 1);
    return std::u16string(reinterpret_cast<const char16_t*>(wide.data()), wide.size() / 2);
}
inline std::string Narrow(std::u16string_view text, const char* to, bool* whole = nullptr) {
    return Iconv(to, "UTF-16LE",
                 std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size()), 2,
                 whole);
}
// Code page 936 and UTF-16 (read as GB18030, which like Windows maps the whole double-byte
// range); UTF-8 (the pretend system's paths, the log) and UTF-16.
inline std::u16string Utf16(const std::string& gbk) { return Wide(gbk, "GB18030"); }
inline std::string Gbk(std::u16string_view text) { return Narrow(text, "GBK"); }
inline std::u16string FromUtf8(const std::string& utf8) { return Wide(utf8, "UTF-8"); }
inline std::string Utf8(const char16_t* text) { return text ? Narrow(text, "UTF-8") : "-"; }
// Copies as the A functions do: at most size - 1 bytes and a terminator; returns the bytes.
inline unsigned Put(const std::string& text, char* buffer, std::size_t size) {
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

// The live window of one dialog run; controls keep their state as the system's would.
struct View : DialogView {
    struct Control {
        std::string text;
        unsigned check = 0;
        bool enabled = true, unsavable = false;  // typed with what the ANSI code page lacks
        std::vector<std::string> items;          // a drop-down list's; its text is the selected
        int sel = -1;
    };
    View(int id, HWND owner, DialogClient& client, HWND window)
        : id(id), owner(owner), client(client), window(window) {}
    const int id;
    const HWND owner;
    DialogClient& client;
    const HWND window;
    std::map<int, Control> c;
    std::vector<std::string> menu;  // the window menu's additions
    std::map<BOOL, HICON> icons;    // by "big"
    bool iconic = false;
    Rect rect{0, 0, 100, 100};
    std::string painted;
    BOOL init = -1;
    std::intptr_t result = -1;  // -1 while the dialog runs

    // The user clicks a button; a check box turns its check over first.
    bool Click(int id, unsigned code = kBnClicked) {
        if (id == IDC_RUNEXE || id == IDC_OVERWRITE) c[id].check ^= 1;
        return client.OnCommand(static_cast<unsigned>(id), code);
    }
    bool List(int i) { return i == IDC_OUTTYPE && id == IDD_VELMORA_DIALOG; }
    std::string Text(int i) {
        return !List(i) ? c[i].text : c[i].sel < 0 ? "" : c[i].items[std::size_t(c[i].sel)];
    }
    HWND Window() override { return window; }
    // A drop-down list's length reads as zero on some systems; it has no text of its own to set.
    int GetWindowTextLengthA(int i) override { return List(i) ? 0 : int(c[i].text.size()); }
    int GetDlgItemTextA(int i, char* b, int n) override {
        return c[i].unsavable ? -1 : int(Put(Text(i), b, n));
    }
    BOOL SetDlgItemTextA(int i, const char* t) override { return List(i) || (c[i].text = t, 1); }
    BOOL EnableWindow(int i, BOOL on) override { return std::exchange(c[i].enabled, on) == 0; }
    unsigned GetCheck(int i) override { return c[i].check; }
    void SetCheck(int i, unsigned state) override { c[i].check = state; }
    int ComboAddString(int i, const char* t) override {
        return c[i].items.push_back(t), int(c[i].items.size()) - 1;
    }
    int ComboSetCurSel(int i, int at) override {
        return c[i].sel = at >= 0 && at < int(c[i].items.size()) ? at : kCbErr;
    }
    // The first entry that begins with the text in any case (searched from the top only).
    int ComboSelectString(int i, int, const char* t) override {
        auto& l = c[i].items;
        auto at =
            std::find_if(l.begin(), l.end(), [&](auto& e) { return !Low(e).rfind(Low(t), 0); });
        return at == l.end() ? kCbErr : c[i].sel = int(at - l.begin());
    }
    HMENU GetSystemMenu(BOOL revert) override { return revert ? nullptr : H(0x5000); }
    BOOL AppendMenuA(HMENU m, unsigned flags, std::uintptr_t id, const char* t) override {
        menu.push_back(flags == kMfSeparator ? "-" : Say(' ', id) + Str(t));
        return m == H(0x5000);
    }
    void SetIcon(HICON icon, BOOL big) override { icons[big] = icon; }
    BOOL IsIconic() override { return iconic; }
    HDC BeginPaint() override { return painted += "begin ", H(0x6000); }
    void EndPaint() override { painted += "end"; }
    void SendIconEraseBkgnd(HDC dc) override { painted += dc == H(0x6000) ? "erase " : "?"; }
    Rect GetClientRect() override { return rect; }
    BOOL DrawIcon(HDC dc, int x, int y, HICON icon) override {
        return painted += Say(' ', dc == H(0x6000) && icon == icons[1] ? "icon" : "?", x, y), 1;
    }
    BOOL EndDialog(std::intptr_t r) override { return result = r, kTrue; }
};

// The eight areas of plat::Os, the dialogs, and the modes the program's entry point binds.
class System : public ServiceManager,
               public Spooler,
               public Kernel,
               public Registry,
               public Profile,
               public Internet,
               public Ui,
               public Sockets,
               public DialogHost,
               public velmora::ModeActions {
  public:
    Os os{*this, *this, *this, *this, *this, *this, *this, *this};
    bool Install(velmora::RunLog& log, velmora::Notices& n) override {
        return velmora::InstallAction(os, log, n);
    }
    bool Uninstall(velmora::RunLog& log) override { return velmora::UninstallAction(os, log); }
    bool Check(velmora::RunLog& log) override { return velmora::CheckAction(os, log); }
    void ShowDialog(velmora::CWinApp& app, velmora::RunLog& log) override {
        velmora::ShowSettingsDialog(app, os, *this, log);
    }

    // From the call after `skip` on, `call` fails and leaves `error` as the last error; with
    // `times`, that many calls only. kNoCode: the failure leaves the last error as it was.
    static constexpr DWORD kNoCode = 0xFFFFFFFE;
    void fail(std::string call, DWORD error = 31, int skip = 0, int times = -1) {
        failing[call] = {error, skip, times};
    }
    std::vector<std::string> log;  // what the system was asked to change, in order
    // The log entries that begin with `prefix`, without it, joined by '|'.
    std::string Log(const std::string& prefix) const {
        std::string out;
        for (const auto& e : log) {
            if (e.rfind(prefix, 0) == 0) out += (out.empty() ? "" : "|") + e.substr(prefix.size());
        }
        return out;
    }
    std::map<HANDLE, std::string> open;  // what each handle given out and not closed is
    int bad_closes = 0;
    // What is still open but the run log, which lives as long as the process, and how many
    // closes named nothing open: "" when all was released.
    std::string Unreleased() const {
        std::string out;
        for (const auto& [h, what] : open) {
            if (what.rfind("file " + temp + "Velmora", 0) != 0) out += what + "; ";
        }
        return bad_closes ? out + Str(bad_closes) + " bad closes" : out;
    }
    // The run log without its byte-order mark and times, lines joined by '|', in code page 936
    // like the tests' texts ('?' for what it cannot hold); "not UTF-8" when it is not that.
    std::string RunLog(const std::string& name = "Velmora.log") {
        std::string text = files[temp + name], out;
        bool whole = false;
        (void)Iconv("UTF-16LE", "UTF-8", text, 1, &whole);
        if (text.empty()) return "";
        if (text.rfind("\xEF\xBB\xBF", 0) != 0 || !whole) return "not UTF-8";
        text = Narrow(FromUtf8(text.substr(3)), "GB18030");
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != text.npos; at = end + 2) {
            const std::size_t from = text.find_first_not_of("0123456789-: ", at);  // no times
            out += (out.empty() ? "" : "|") + text.substr(from, end - from);
        }
        return out;
    }

    // --- Kernel: files (by UTF-8 path), folders, processes and tokens, a virtual clock.
    std::string module = kDir + Str("Velmora.exe"), windows = "C:\\windows",
                system = "C:\\windows\\system32", current = "C:\\", temp = "C:\\Temp\\";
    std::map<std::string, std::string> files = {{module, "MZ velmora"},
                                                {kDir + Str("zarvoPrinter.inf"), "[V]"},
                                                {system + "\\rundll32.exe", "MZ rundll32"}};
    // What the log's checks read of a file; one without an entry is a plain file of ours.
    struct FileFacts {
        DWORD links = 1;
        bool reparse_point = false, disk = true;
        std::string owner = kUserSid;
    };
    std::map<std::string, FileFacts> facts;
    std::map<std::string, std::size_t> read_at;  // where each open file is read next
    DWORD last_error = 0, major = 6, session = 1, elevated = 1;  // session 0: nobody sees it
    bool gbk = true;                       // whether code page 936 is installed
    std::uint64_t clock = 0;               // virtual milliseconds slept and waited
    DWORD child_ms = 250, child_exit = 0;  // the installer child's time (kInfinite: for ever)
    std::pair<std::string, std::string> installing;  // environment and driver the child adds
    std::vector<std::string> commands;               // command lines of the processes created
    std::vector<std::pair<ThreadProc, void*>> threads;
    void RunThreads() {
        for (auto t : std::exchange(threads, {})) t.first(t.second);
    }
    std::u16string command_line;  // Program() puts the program's quoted path before the tail
    std::string account = kUserSid, user_name = "zhang";  // the name in UTF-8
    // What Windows runs on; the program is 32-bit, under WOW64 on anything else.
    WORD machine = kImageFileMachineI386;
    bool has_wow64_process2 = true, has_dll_directories = true;  // Windows 10 1511, 8

    const char16_t* GetCommandLineW() override { return command_line.c_str(); }
    // As Windows XP does, a name that does not fit is cut to the buffer unterminated.
    DWORD GetModuleFileNameW(HMODULE, char16_t* b, DWORD n) override {
        return Copy(FromUtf8(module), b, n, false);
    }
    BOOL IsValidCodePage(unsigned cp) override { return cp == kCodePageGbk && gbk; }
    int MultiByteToWideChar(unsigned cp, DWORD, const char* t, int n, char16_t* b,
                            int size) override {
        const std::u16string wide = cp == kCodePageGbk && gbk ? Utf16({t, std::size_t(n)}) : u"";
        if (wide.size() > std::size_t(size)) return Error(kErrorInsufficientBuffer);
        return std::copy(wide.begin(), wide.end(), b), int(wide.size());
    }
    unsigned GetWindowsDirectoryW(char16_t* b, unsigned n) override {
        return Fails("GetWindowsDirectoryW") ? 0 : Copy(FromUtf8(windows), b, n);
    }
    unsigned GetSystemDirectoryW(char16_t* b, unsigned n) override {
        return Fails("GetSystemDirectoryW") ? 0 : Copy(FromUtf8(system), b, n);
    }
    DWORD GetTempPathW(DWORD n, char16_t* b) override {
        return Fails("GetTempPathW") ? 0 : Copy(FromUtf8(temp), b, n);
    }
    BOOL CopyFileW(const char16_t* from, const char16_t* to, BOOL fail_if_exists) override {
        if (Fails("CopyFileW") || !files.count(Utf8(from))) return Error(kErrorFileNotFound);
        if (fail_if_exists && files.count(Utf8(to))) return Error(80);  // ERROR_FILE_EXISTS
        return files[Utf8(to)] = files[Utf8(from)], Note("copy", Utf8(to));
    }
    BOOL DeleteFileW(const char16_t* path) override {
        // The running spooler holds its print processors loaded: ERROR_SHARING_VIOLATION.
        const bool loaded =
            spooler != kServiceStopped && Utf8(path).rfind(kSpool + Str("prtprocs"), 0) == 0;
        if (Fails("DeleteFileW") || loaded) return Error(32);
        return files.erase(Utf8(path)) ? Note("delete", Utf8(path)) : Error(kErrorFileNotFound);
    }
    BOOL SetCurrentDirectoryW(const char16_t* path) override {
        return *path ? (current = Utf8(path), kTrue) : Error(123);  // ERROR_INVALID_NAME
    }
    void GetStartupInfoW(StartupInfo* info) override { *info = {}, info->cb = sizeof *info; }
    // The child is the printer-UI installer: "/ia /m <model> /h <architecture> ... /f <inf>"
    // adds the model's driver for that architecture by the time it ends, when the INF lies in
    // the directory the child starts in.
    BOOL CreateProcessW(const char16_t* app, char16_t* command, void*, void*, BOOL, DWORD, void*,
                        const char16_t*, StartupInfo* s, ProcessInformation* pi) override {
        if (Fails("CreateProcessW") || !files.count(Utf8(app)) || s->cb != sizeof *s)
            return Error(2);
        const std::string c = commands.emplace_back(Gbk(command));
        const std::size_t m = c.find("/m \"") + 4, f = c.find(" /f ") + 4;
        const bool inf = f > 3 && files.count(current + c.substr(f, c.find(' ', f) - f));
        installing = {c.find("/h \"x64\" /v \"Type 3 - User Mode\"") != c.npos ? kX64 : kX86,
                      inf && c.find(" /ia ") != c.npos ? c.substr(m, c.find('"', m) - m) : ""};
        *pi = {Open("process"), Open("thread"), 1, 2};
        return kTrue;
    }
    // The machine's named mutexes: who made one (its owner), whether its DACL keeps us out, who
    // holds it ("" nobody, "us", or another run), and how long another run still holds it
    // (kInfinite: until it ends without releasing it, which abandons it).
    struct Mutex {
        std::string owner, holder;
        bool denied = false;
        DWORD held_ms = kInfinite;
    };
    std::map<std::string, Mutex> mutexes;
    HANDLE CreateMutexW(const char16_t* sddl, const char16_t* name) override {
        if (Fails("CreateMutexW")) return nullptr;
        const bool existed = mutexes.count(Utf8(name)) != 0;
        Mutex& m = mutexes[Utf8(name)];
        if (!existed) m.owner = account;  // a new object belongs to its creator
        if (m.denied) return Error(kErrorAccessDenied), nullptr;
        last_error = existed ? kErrorAlreadyExists : 0;
        return Open("mutex " + Utf8(name) + " " + Utf8(sddl));
    }
    Mutex& MutexOf(HANDLE h) { return mutexes[What(h).substr(6, What(h).find(' ', 6) - 6)]; }
    BOOL ReleaseMutex(HANDLE h) override {
        return MutexOf(h).holder == "us" ? (MutexOf(h).holder.clear(), kTrue) : Error(288);
    }
    DWORD WaitForSingleObject(HANDLE h, DWORD ms) override {
        if (Fails("WaitForSingleObject")) return 0xFFFFFFFF;  // WAIT_FAILED
        if (What(h) == "process") {
            clock += std::min(child_ms, ms);
            if (child_ms > ms) return kWaitTimeout;
            if (!installing.second.empty()) drivers[installing.first].insert(installing.second);
            return installing = {}, kWaitObject0;
        }
        Mutex& m = MutexOf(h);
        const bool other = !m.holder.empty() && m.holder != "us";
        if (other && m.held_ms != kInfinite && m.held_ms > ms) {
            return clock += ms, m.held_ms -= ms, kWaitTimeout;
        }
        if (other && m.held_ms != kInfinite) clock += m.held_ms;
        m.holder = "us";
        return other && m.held_ms == kInfinite ? kWaitAbandoned : kWaitObject0;
    }
    BOOL CloseHandle(HANDLE h) override { return Close(h); }
    BOOL GetExitCodeProcess(HANDLE, DWORD* code) override { return *code = child_exit, kTrue; }
    // Files open for appending, as the run log opens them: created when missing, or with
    // CREATE_NEW only then; opening one that exists succeeds with ERROR_ALREADY_EXISTS.
    HANDLE CreateFileW(const char16_t* name, DWORD, DWORD, void*, DWORD how, DWORD,
                       HANDLE) override {
        const std::string path = Utf8(name);
        if (Fails("CreateFileW") || (files.count(path) && how == kCreateNew)) {
            return Error(kErrorFileExists), InvalidHandleValue();
        }
        if (files.count(path)) last_error = kErrorAlreadyExists;
        if (!files.count(path) && !facts.count(path)) facts[path].owner = account;  // its creator
        files[path], read_at[path] = 0;
        return Open("file " + path);
    }
    DWORD GetFileType(HANDLE h) override { return facts[FileOf(h)].disk ? kFileTypeDisk : 2; }
    BOOL GetFileInformationByHandle(HANDLE h, FileInformation* info) override {
        if (Fails("GetFileInformationByHandle")) return kFalse;
        const FileFacts& file = facts[FileOf(h)];
        *info = {}, info->dwFileAttributes = file.reparse_point ? kFileAttributeReparsePoint : 0x20;
        return info->nNumberOfLinks = file.links, kTrue;
    }
    BOOL SetFileRenameInformation(HANDLE h, const char16_t* name, BOOL replace) override {
        const std::string target = Utf8(name), from = FileOf(h);
        if (Fails("SetFileRenameInformation")) return kFalse;
        if (!replace && files.count(target)) return Error(kErrorAlreadyExists);
        files[target] = files[from], facts[target] = facts[from];
        files.erase(from), facts.erase(from), open[h] = "file " + target;
        return kTrue;
    }
    // The owner's SID in memory of its own, freed with LocalFree.
    DWORD GetSecurityInfo(HANDLE h, int type, DWORD, void** owner, void** descriptor) override {
        if (Fails("GetSecurityInfo")) return last_error;
        const std::string& sid =
            type == kSeKernelObject ? MutexOf(h).owner : facts[FileOf(h)].owner;
        *descriptor = std::calloc(1, sid.size() + 1);
        open[*descriptor] = "security descriptor";
        *owner = sid.empty() ? nullptr : std::memcpy(*descriptor, sid.data(), sid.size());
        return 0;
    }
    void* LocalFree(void* p) override { return Close(p) ? (std::free(p), nullptr) : p; }
    BOOL ReadFile(HANDLE h, void* data, DWORD n, DWORD* read, void*) override {
        const std::string& text = files[FileOf(h)];
        std::size_t& at = read_at[FileOf(h)];
        *read = DWORD(std::min<std::size_t>(n, text.size() - std::min(at, text.size())));
        return std::memcpy(data, text.data() + std::min(at, text.size()), *read), at += *read, 1;
    }
    // Appended wherever it was read: the log is open for appending only.
    BOOL WriteFile(HANDLE h, const void* data, DWORD n, DWORD* written, void*) override {
        if (Fails("WriteFile")) return kFalse;
        return files[FileOf(h)].append(static_cast<const char*>(data), *written = n), kTrue;
    }
    DWORD GetFileSize(HANDLE h, DWORD* high) override {
        return *high = 0, DWORD(files[FileOf(h)].size());
    }
    void GetLocalTime(SystemTime* t) override { *t = {2026, 12, 1, 7, 10, 11, 12, 0}; }
    HANDLE GetCurrentProcess() override { return H(~std::uintptr_t{0}); }
    DWORD GetCurrentProcessId() override { return 4242; }
    BOOL ProcessIdToSessionId(DWORD id, DWORD* out) override { return *out = session, id == 4242; }
    HMODULE GetModuleHandleW(const char16_t* n) override {
        return Low(Utf8(n)) == "kernel32.dll" ? H(0x7000) : nullptr;
    }
    FARPROC GetProcAddress(HMODULE, const char* name) override {
        const std::string n = name;
        const bool found = n == "IsWow64Process" ||
                           (n == "IsWow64Process2" && has_wow64_process2) ||
                           (n == "SetDefaultDllDirectories" && has_dll_directories);
        return found ? &Abort : nullptr;
    }
    BOOL CallSetDefaultDllDirectories(FARPROC f, DWORD flags) override {
        return f == &Abort && Note("dll search", flags);
    }
    BOOL CallIsWow64Process(FARPROC, HANDLE, BOOL* on) override {
        return *on = machine != kImageFileMachineI386, kTrue;
    }
    BOOL CallIsWow64Process2(FARPROC, HANDLE, WORD* process, WORD* native) override {
        *process = machine != kImageFileMachineI386 ? kImageFileMachineI386 : 0;
        return *native = machine, kTrue;
    }
    WORD GetNativeProcessorArchitecture() override {
        return machine == kImageFileMachineAmd64   ? kProcessorArchitectureAmd64
               : machine == kImageFileMachineArm64 ? kProcessorArchitectureArm64
                                                   : kProcessorArchitectureIntel;
    }
    BOOL OpenProcessToken(HANDLE, DWORD, HANDLE* token) override {
        return Fails("OpenProcessToken") ? kFalse : (*token = Open("token"), kTrue);
    }
    // Elevation, or a TOKEN_USER: the SID's address, its attributes, then the SID.
    BOOL GetTokenInformation(HANDLE, int what, void* info, DWORD size, DWORD* returned) override {
        if (what == kTokenElevation) return *static_cast<DWORD*>(info) = elevated, kTrue;
        auto* bytes = static_cast<unsigned char*>(info);
        if ((*returned = DWORD(2 * sizeof(void*) + account.size())) > size) return kFalse;
        void* sid = std::memcpy(bytes + 2 * sizeof(void*), account.data(), account.size());
        return std::memcpy(bytes, &sid, sizeof sid), kTrue;
    }
    BOOL GetUserNameW(char16_t* b, DWORD* size) override {
        const std::u16string name = FromUtf8(user_name);
        if (Fails("GetUserNameW") || *size <= name.size()) return kFalse;
        return *size = Copy(name, b, *size) + 1, kTrue;
    }
    void Sleep(DWORD ms) override { clock += ms, Note("sleep", ms); }
    DWORD GetLastError() override { return last_error; }
    void SetLastError(DWORD e) override { last_error = e; }
    BOOL GetVersionExA(OsVersionInfo* v) override {
        return v->dwPlatformId = kVerPlatformWin32Nt, v->dwMajorVersion = major, kTrue;
    }
    std::uintptr_t BeginThread(ThreadProc start, unsigned stack, void* arg) override {
        threads.push_back({start, arg});
        return Note("thread", stack, static_cast<char*>(arg));
    }

    // --- Service manager: the spooler service, whose start or stop takes `settle` queries
    // (-1: it never gets there), reporting `hint` meanwhile.
    DWORD spooler = kServiceRunning, hint = 0, target = kServiceRunning;
    int settle = 0, pending = 0;
    SC_HANDLE OpenSCManagerA(const char*, const char*, DWORD) override {
        return Fails("OpenSCManagerA") ? nullptr : Open("manager");
    }
    SC_HANDLE OpenServiceA(SC_HANDLE, const char* name, DWORD) override {
        return Fails("OpenServiceA") || Low(name) != "spooler" ? nullptr : Open("service");
    }
    BOOL StartServiceA(SC_HANDLE, DWORD, const char**) override {
        // ERROR_SERVICE_ALREADY_RUNNING
        return spooler != kServiceStopped ? Error(1056)
                                          : (Change(kServiceRunning, 2), Note("start"));
    }
    BOOL ControlService(SC_HANDLE, DWORD, ServiceStatus* status) override {
        if (spooler == kServiceStopped) return Error(1062);  // ERROR_SERVICE_NOT_ACTIVE
        Change(kServiceStopped, 3);
        return *status = {16, spooler, 0, 0, 0, 0, hint}, Note("stop");
    }
    BOOL QueryServiceStatus(SC_HANDLE, ServiceStatus* status) override {
        if (Fails("QueryServiceStatus")) return kFalse;
        if (pending > 0 && --pending == 0) spooler = target;
        return *status = {16, spooler, 0, 0, 0, 0, hint}, kTrue;
    }
    BOOL CloseServiceHandle(SC_HANDLE h) override { return Close(h); }

    // --- Spooler: ports, drivers by environment, queues with their level-2 record, the
    // default printer, the port monitor.
    struct Queue {
        std::string port, driver, record = "", processor = "WinPrint", datatype = "RAW";
        DWORD attributes = 0;
    };
    std::map<std::string, Queue> queues;
    std::set<std::string> ports = {"LPT1:"};
    std::map<std::string, std::set<std::string>> drivers;
    std::set<HANDLE> doomed;  // handles whose queue goes when they are closed
    DWORD refusal = 0;        // what the port monitor answers, when not its usual
    // The spooler's own environment, and the one a call names (a 32-bit program's by default).
    std::string Native() const {
        return machine == kImageFileMachineAmd64   ? kX64
               : machine == kImageFileMachineArm64 ? "Windows ARM64"
                                                   : kX86;
    }
    static std::string Environment(const char* name) { return name ? name : kX86; }
    // The spooler's folders of `kind` ("drivers", "prtprocs") for an environment.
    static std::string Directory(const std::string& kind, const std::string& environment) {
        return kSpool + kind + (environment == kX64 ? "\\x64" : "\\w32x86");
    }
    // The default printer: win.ini's "device" entry, "name,driver,port".
    std::string& Device() { return ini["win.ini"]["windows"]["device"]; }

    BOOL OpenPrinterA(const char* name, PRINTER_HANDLE* h, const PrinterDefaults*) override {
        if (Fails("OpenPrinterA")) return kFalse;
        if (spooler != kServiceRunning) return Error(1722);  // RPC_S_SERVER_UNAVAILABLE
        const bool xcv = Str(name) == ",XcvMonitor Local Port";
        if (!xcv && !queues.count(name)) return Error(1801);  // ERROR_INVALID_PRINTER_NAME
        return *h = Open(xcv ? "xcv" : "printer " + Str(name)), kTrue;
    }
    BOOL ClosePrinter(PRINTER_HANDLE h) override {
        if (doomed.erase(h)) queues.erase(QueueOf(h)), Note("deleted", QueueOf(h));
        return Close(h);
    }
    PRINTER_HANDLE AddPrinterA(const char* server, DWORD level, BYTE* info) override {
        const auto& r = *reinterpret_cast<PrinterInfo2*>(info);
        const std::string name = r.pPrinterName;
        // A queue takes a driver of the spooler's own architecture only.
        const DWORD refused = spooler != kServiceRunning ? 1722
                              : server || level != 2     ? 87
                              : queues.count(name)       ? kErrorPrinterAlreadyExists
                              : !drivers[Native()].count(Str(r.pDriverName)) ? 1797
                              : !ports.count(Str(r.pPortName))               ? 1796
                              : Str(r.pPrintProcessor) != "WinPrint"         ? 1798
                                                                             : 0;
        if (Fails("AddPrinterA") || refused) return Error(refused), nullptr;
        queues[name] = {r.pPortName,
                        r.pDriverName,
                        Say(',', r.pShareName, r.pComment, r.pLocation, r.pSepFile, r.pParameters,
                            r.pDevMode || r.pSecurityDescriptor, r.Priority),
                        r.pPrintProcessor,
                        Str(r.pDatatype),
                        r.Attributes};
        return Note("add", name), Open("printer " + name);
    }
    BOOL DeletePrinter(PRINTER_HANDLE h) override {
        return Fails("DeletePrinter") ? kFalse : (doomed.insert(h), kTrue);
    }
    BOOL DeletePrinterDriverA(const char*, const char* environment, const char* driver) override {
        if (Fails("DeletePrinterDriverA")) return kFalse;
        const std::string e = Environment(environment);
        for (auto& q : queues) {  // ERROR_PRINTER_DRIVER_IN_USE
            if (q.second.driver == driver && e == Native()) return Error(3001);
        }
        return drivers[e].erase(driver) ? Note("driver deleted", e, driver) : Error(1797);
    }
    // The record's texts point into the queue kept here; a missing one is null.
    BOOL GetPrinterA(PRINTER_HANDLE h, DWORD, BYTE* b, DWORD size, DWORD* needed) override {
        if (Fails("GetPrinterA")) return kFalse;
        Queue& q = queues[QueueOf(h)];
        if ((*needed = sizeof(PrinterInfo2) + 1) > size || !b) return Error(122);
        auto* r = reinterpret_cast<PrinterInfo2*>(b);
        r->pPortName = q.port.empty() ? nullptr : q.port.data();
        r->pPrintProcessor = q.processor.data(), r->pDatatype = q.datatype.data();
        return r->pDriverName = q.driver.data(), r->Attributes = q.attributes, kTrue;
    }
    // The local port monitor: the port name is UTF-16 with its terminator counted; the call
    // succeeds and the monitor's answer is in the status, as Windows gives it: "already exists"
    // for a port added again, "file not found" for one deleted that is not there.
    BOOL XcvDataW(PRINTER_HANDLE h, const char16_t* command, const BYTE* in, DWORD size, BYTE*,
                  DWORD, DWORD*, DWORD* status) override {
        const std::u16string wide(reinterpret_cast<const char16_t*>(in), size / 2), verb(command);
        const bool ok = What(h) == "xcv" && size % 2 == 0 && wide.find(u'\0') + 1 == wide.size();
        if (Fails("XcvDataW") || !ok || !size) return Error(87);
        const std::string port(wide.begin(), wide.end() - 1);
        const bool add = verb == u"AddPort";
        if (refusal) return *status = refusal, kTrue;
        *status = add ? (ports.insert(port).second ? 0 : kErrorAlreadyExists)
                      : (ports.erase(port) ? 0 : kErrorFileNotFound);
        return Note(add ? "AddPort" : "DeletePort", port);
    }
    BOOL GetPrinterDriverDirectoryW(const char*, const char* environment, DWORD, BYTE* b, DWORD n,
                                    DWORD* needed) override {
        return Need(Directory("drivers", Environment(environment)), b, n, needed);
    }
    // Like every spooler call, an RPC to the service: none while it is stopped.
    BOOL GetPrintProcessorDirectoryW(const char*, const char* environment, DWORD, BYTE* b, DWORD n,
                                     DWORD* needed) override {
        if (Fails("GetPrintProcessorDirectoryW")) return kFalse;
        if (spooler != kServiceRunning) return Error(1722);  // RPC_S_SERVER_UNAVAILABLE
        return Need(Directory("prtprocs", Environment(environment)), b, n, needed);
    }
    // Level 1; the names point into the names kept here.
    BOOL EnumPortsA(const char*, DWORD, BYTE* b, DWORD n, DWORD* needed, DWORD* count) override {
        return !Fails("EnumPortsA") && Names(ports, b, n, needed, count);
    }
    BOOL EnumPrinterDriversA(const char*, const char* environment, DWORD, BYTE* b, DWORD n,
                             DWORD* needed, DWORD* count) override {
        return Names(drivers[Environment(environment)], b, n, needed, count);
    }
    BOOL SetDefaultPrinterA(const char* name) override {
        if (Fails("SetDefaultPrinterA")) return kFalse;
        if (!queues.count(name)) return Error(1801);
        return Device() = Say(',', name, queues[name].driver) + queues[name].port, kTrue;
    }

    // --- Registry: keys under HKEY_LOCAL_MACHINE and their values, in UTF-8.
    std::map<std::string, std::map<std::string, std::string>> reg = {{kSpoolKey, {}}};
    LONG RegOpenKeyExW(HKEY root, const char16_t* name, DWORD, DWORD, HKEY* out) override {
        if (root != HkeyLocalMachine() || !reg.count(Utf8(name))) return LONG(kErrorFileNotFound);
        return *out = Open("key " + Utf8(name)), 0;
    }
    // A REG_SZ value: UTF-16 whose size counts its terminator.
    LONG RegSetValueExW(HKEY k, const char16_t* name, DWORD, DWORD type, const BYTE* data,
                        DWORD size) override {
        if (Fails("RegSetValueExW")) return LONG(last_error);
        const auto* text = reinterpret_cast<const char16_t*>(data);
        const bool sz = type == kRegSz && size % 2 == 0 && size && !text[size / 2 - 1];
        if (What(k).rfind("key ", 0) != 0 || !sz) return 6;  // ERROR_INVALID_HANDLE
        reg[What(k).substr(4)][Utf8(name)] = Utf8(std::u16string(text, size / 2 - 1).c_str());
        return Note("set", Utf8(name)), 0;
    }
    LONG RegCloseKey(HKEY key) override {
        const bool root = key == HkeyLocalMachine();
        return Note("close", root ? "HKLM" : What(key)), root || Close(key) ? 0 : 6;
    }

    // --- Profile: INI files as maps (names in lower case) and win.ini's broadcast.
    std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> ini;
    const std::string* Ini(const char* file, const char* section, const char* key) {
        auto& keys = ini[Low(file)][Low(section)];
        return keys.count(Low(key)) ? &keys[Low(key)] : nullptr;
    }
    unsigned GetPrivateProfileIntA(const char* s, const char* k, int def, const char* f) override {
        const std::string* v = Ini(f, s, k);
        return unsigned(v ? std::atoi(v->c_str()) : def);
    }
    DWORD GetPrivateProfileStringA(const char* s, const char* k, const char* def, char* b, DWORD n,
                                   const char* f) override {
        const std::string* v = Ini(f, s, k);
        return Put(v ? *v : Str(def), b, n);
    }
    BOOL WritePrivateProfileStringA(const char* s, const char* k, const char* v,
                                    const char* f) override {
        if (Fails("WritePrivateProfileStringA")) return kFalse;
        ini[Low(f)][Low(s)][Low(k)] = v;
        return Note("ini", Low(f), Str(k) + "=" + v);
    }
    DWORD GetProfileStringA(const char* s, const char* k, const char* def, char* b,
                            DWORD n) override {
        return GetPrivateProfileStringA(s, k, def, b, n, "win.ini");
    }
    std::intptr_t SendMessageTimeoutA(HWND w, unsigned m, std::uintptr_t wp, std::intptr_t lp,
                                      unsigned flags, unsigned ms, std::uintptr_t* r) override {
        const bool ok = w == HwndBroadcast() && m == kWmWininichange && !wp && !flags && !r;
        return Note("broadcast", ok ? Str(lp) : "?", ms);
    }

    // --- Internet: the report server's answer, handed out at most `piece` bytes a read. Each
    // call needs the handle kind its parent gives.
    std::string body = "OK\r\n";
    std::size_t piece = SIZE_MAX, served = 0, reads = 0;
    HINTERNET SentRequest() { return Open("request sent"); }
    HINTERNET InternetOpenW(const char16_t*, DWORD, DWORD) override {
        return Net("InternetOpenW", "", "", "session");
    }
    BOOL InternetSetOptionExA(HINTERNET h, DWORD, void*, DWORD n, DWORD) override {
        return n == 4 && Net("InternetSetOptionExA", "session", What(h), "");
    }
    HINTERNET InternetConnectA(HINTERNET h, const char*, WORD, const char*, const char*, DWORD,
                               DWORD, std::uintptr_t) override {
        return Net("InternetConnectA", "session", What(h), "connection");
    }
    HINTERNET HttpOpenRequestA(HINTERNET h, const char*, const char*, const char*, const char*,
                               const char**, DWORD, std::uintptr_t) override {
        return Net("HttpOpenRequestA", "connection", What(h), "request");
    }
    BOOL HttpSendRequestA(HINTERNET h, const char*, DWORD, void*, DWORD) override {
        return Net("HttpSendRequestA", "request", What(h), "") && (open[h] = "request sent", true);
    }
    BOOL InternetReadFile(HINTERNET h, void* b, DWORD size, DWORD* read) override {
        if (Fails("InternetReadFile")) return kFalse;
        if (What(h) != "request sent") return Error(12019);  // INCORRECT_HANDLE_STATE
        const std::size_t n = std::min({std::size_t{size}, piece, body.size() - served});
        std::memcpy(b, body.data() + served, n);
        return served += n, ++reads, *read = DWORD(n), kTrue;
    }
    BOOL InternetCloseHandle(HINTERNET h) override { return Close(h); }

    // --- User interface: string resources, the message boxes shown, the window station.
    struct Box {
        std::string text, caption;
        DWORD style, help;
        bool waiting, locked;  // shown under the wait cursor; with the install lock held
    };
    std::vector<Box> boxes;
    std::map<unsigned, std::string> strings = {
        {IDS_ABOUTBOX, "关于 Velmora(&A)..."},
        {IDP_SOCKETS_INIT_FAILED, "Windows 套接字初始化失败。"}};
    DWORD station_flags = kWsfVisible;  // 0: a window station nobody sees
    BOOL InitCommonControlsEx(DWORD n, DWORD classes) override {
        return Note("controls", n, classes);
    }
    int LoadStringA(unsigned id, char* b, int n) override {
        return strings.count(id) ? int(Put(strings[id], b, n)) : 0;
    }
    HWND GetActiveWindow() override { return nullptr; }
    HANDLE GetProcessWindowStation() override { return H(0xB00); }
    BOOL GetUserObjectInformationW(HANDLE station, int what, void* info, DWORD size,
                                   DWORD*) override {
        if (station != H(0xB00) || what != kUoiFlags || size != sizeof(UserObjectFlags)) return 0;
        return static_cast<UserObjectFlags*>(info)->dwFlags = station_flags, kTrue;
    }
    int MessageBoxIndirect(HWND, const char* t, const char16_t* caption, DWORD style,
                           DWORD help) override {
        boxes.push_back({t, Utf8(caption), style, help, cursor == H(0xA2),
                         mutexes.count(kLock) && mutexes[kLock].holder == "us"});
        return Note("box", t), kIdOk;
    }
    WORD granted = 0x0101;
    int startup_error = 0, cleanups = 0, wsa_error = 0;
    int WSAStartup(WORD, WsaVersion* data) override { return *data = {granted, 0}, startup_error; }
    int WSACleanup() override { return ++cleanups, 0; }
    void WSASetLastError(int e) override { wsa_error = e; }

    // --- Dialogs: every run, what the user does in each template, the shell's choosers:
    // chosen in the folder browser ("": cancelled; starting with ':', no file-system path) and in
    // the file chooser ("": cancelled); starting with '!', one the ANSI code page lacks.
    std::deque<View> views;
    std::map<int, std::function<void(View&)>> user;
    std::string folder = "D:\\Output", picked = "C:\\Tools\\convert.exe";
    HCURSOR cursor = H(0xA1);
    // The host leaves detaching to the dialog, so a view outlives its run.
    std::intptr_t DialogBoxParamA(int id, HWND owner, DialogClient& client) override {
        View& v = views.emplace_back(id, owner, client, H(0x700 + 16 * views.size()));
        client.Attach(v);
        v.init = client.OnInitDialog();
        if (user.count(id)) user[id](v);
        return v.result;
    }
    HICON LoadIconA(int id) override { return H(std::uintptr_t(0x9000 + id)); }
    int GetSystemMetrics(int i) override { return i == kSmCxIcon || i == kSmCyIcon ? 32 : 0; }
    HCURSOR SetWaitCursor() override { return std::exchange(cursor, H(0xA2)); }
    HCURSOR SetCursor(HCURSOR to) override { return std::exchange(cursor, to); }
    PIDLIST SHBrowseForFolderA(HWND, const char* title, unsigned flags) override {
        return Note("browse", title, flags), folder.empty() ? nullptr : Open("pidl");
    }
    BOOL SHGetPathFromIDListA(PIDLIST, char* path) override {
        if (folder[0] == '!') return Error(kErrorNoUnicodeTranslation);
        return Put(folder[0] != ':' ? folder : "", path, kMaxPath), folder[0] != ':';
    }
    void CoTaskMemFree(PIDLIST item) override { Close(item); }
    BOOL GetOpenFileNameA(const OpenFileName& r) override {
        std::string filter;
        for (const char* p = r.filter; *p; p += std::strlen(p) + 1) filter += p + Str("|");
        Note("choose", filter, r.default_extension, r.flags, r.file_size, "[" + Str(r.file) + "]");
        if (picked[0] == '!') return Error(kErrorNoUnicodeTranslation);
        return !picked.empty() && Put(picked, r.file, r.file_size);
    }

  private:
    struct Failing {
        DWORD error;
        int skip, times;  // calls to let through first; calls to fail then (-1: all)
    };
    std::map<std::string, Failing> failing;
    std::uintptr_t next_ = 0x1000;
    bool fired_ = false;  // whether the last fallible call was made to fail

    static void Abort() { std::abort(); }
    bool Fails(const std::string& call) {
        auto it = failing.find(call);
        fired_ = false;
        if (it == failing.end() || it->second.skip-- > 0 || it->second.times == 0) return false;
        if (it->second.times > 0) --it->second.times;
        if (it->second.error != kNoCode) last_error = it->second.error;
        return fired_ = true;
    }
    // A failure leaving `error`, unless it is the injected one, which left its own.
    BOOL Error(DWORD error) { return last_error = fired_ ? last_error : error, kFalse; }
    template <typename... A>
    BOOL Note(const A&... what) {
        const std::string entry = Say(' ', what...);
        return log.push_back(entry.substr(0, entry.size() - 1)), kTrue;
    }
    // A call on a handle of kind `needs` (or none) that gives a handle of kind `gives`.
    HANDLE Net(const char* call, const std::string& needs, const std::string& has,
               const std::string& gives) {
        if (Fails(call) || needs != has) return nullptr;
        return gives.empty() ? H(1) : Open(gives);
    }
    HANDLE Open(const std::string& what) { return open[H(next_ += 16)] = what, H(next_); }
    BOOL Close(HANDLE h) { return open.erase(h) ? kTrue : (++bad_closes, kFalse); }
    std::string What(HANDLE h) const { return open.count(h) ? open.at(h) : ""; }
    std::string FileOf(HANDLE h) const { return What(h).substr(5); }
    std::string QueueOf(HANDLE h) const { return What(h).substr(What(h).find(' ') + 1); }
    void Change(DWORD to, DWORD pending_state) {
        target = to, pending = settle, spooler = settle ? pending_state : to;
    }
    // Copies a text as the W functions do: the length when it fits with its terminator, else
    // the size it needs (or, `needs` false, the buffer cut unterminated, as GetModuleFileName).
    static unsigned Copy(const std::u16string& text, char16_t* b, std::size_t n,
                         bool needs = true) {
        if (text.size() < n)
            return std::copy(text.begin(), text.end() + 1, b), unsigned(text.size());
        if (needs) return unsigned(text.size() + 1);
        return std::copy(text.begin(), text.begin() + n, b), unsigned(n);
    }
    BOOL Need(const std::string& d, BYTE* b, DWORD size, DWORD* needed) {
        const std::u16string wide = FromUtf8(d);
        if (size < (*needed = DWORD(wide.size() + 1) * 2)) return Error(kErrorInsufficientBuffer);
        return Copy(wide, reinterpret_cast<char16_t*>(b), size / 2), kTrue;
    }
    BOOL Names(std::set<std::string>& names, BYTE* b, DWORD n, DWORD* needed, DWORD* count) {
        *count = 0;
        if (n < (*needed = DWORD(names.size() * sizeof(PortInfo1)))) return Error(122);
        for (auto& name : names) {
            reinterpret_cast<PortInfo1*>(b)[(*count)++].pName = const_cast<char*>(name.data());
        }
        return kTrue;
    }

  public:
    // The program of the last Program() run: its log lives as long as the process would, so
    // report threads may still write to it.
    std::optional<velmora::CVelmoraApp> app;
};

// The program run with `tail` against the pretend system; its exit code.
inline int Program(System& f, const std::string& tail) {
    f.command_line = u"\"" + FromUtf8(f.module) + u"\" " + Utf16(tail);
    f.threads.clear();  // a new process: the last one's threads ended with it
    f.app.emplace(f.os, f);
    return f.app->Run();
}

// The program run with `tail`: its exit code, the boxes it showed and the run log, '#' between.
inline std::string Outcome(System& f, const std::string& tail) {
    const int code = Program(f, tail);
    const std::string out = Say('#', code, f.Log("box "), f.RunLog());
    return out.substr(0, out.size() - 1);
}

}  // namespace fake
