// One pretend Windows for the native tests: spooler, service manager, registry, INI files,
// files, kernel with a virtual clock, internet, message boxes, dialogs and sockets, kept as
// state in one object and answering with the system's rules. Any fallible call fails on request
// (fail("AddPrinterA", 1802)); every handle given out is tracked until it is closed.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/velmora_app.h"
#include "install/printer_constants.h"
#include "install/sequences.h"
#include "platform/dialog.h"
#include "platform/os.h"
#include "res/resource.h"
#include "settings/velmora_dlg.h"

namespace fake {
using namespace plat;
using std::to_string;

constexpr DWORD kThrow = 0xE06D7363;  // a failure that throws, as C++ code below us may
constexpr char kDir[] = "C:\\Program Files\\Velmora\\";
constexpr char kSpoolKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\zarvo printer";
constexpr char kProcessors[] = "C:\\windows\\system32\\spool\\prtprocs\\w32x86";

inline HANDLE H(std::uintptr_t value) { return reinterpret_cast<HANDLE>(value); }
inline std::string S(const char* text) { return text ? text : "-"; }
inline std::string Low(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
// Copies as the A functions do: at most size - 1 bytes and a terminator; returns the bytes.
inline unsigned Put(const std::string& text, char* buffer, std::size_t size) {
    const std::size_t n = size == 0 ? 0 : std::min(text.size(), size - 1);
    if (size != 0) std::memcpy(buffer, text.data(), n), buffer[n] = '\0';
    return static_cast<unsigned>(n);
}

class System;

// The live window of one dialog run; controls keep their state as the system's would.
struct View : DialogView {
    struct Control {
        std::string text;
        unsigned check = 0;
        bool enabled = true, list = false, box = false;
        std::vector<std::string> items;
        int sel = -1;
    };
    View(int id, HWND owner, DialogClient& client, HWND window)
        : id(id), owner(owner), client(client), window(window) {
        if (id != IDD_VELMORA_DIALOG) return;
        c[IDC_OUTTYPE].list = c[IDC_RUNEXE].box = c[IDC_OVERWRITE].box = true;
    }
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

    // The user clicks a control; a check box turns its check over first.
    bool Click(int button, unsigned code = kBnClicked) {
        if (c[button].box) c[button].check ^= 1;
        return client.OnCommand(static_cast<unsigned>(button), code);
    }
    std::string Text(int i) {
        const Control& k = c[i];
        return k.list ? (k.sel < 0 ? "" : k.items[static_cast<std::size_t>(k.sel)]) : k.text;
    }

    HWND Window() override { return window; }
    // A drop-down list's length reads as zero on some systems.
    int GetWindowTextLengthA(int i) override { return c[i].list ? 0 : int(c[i].text.size()); }
    int GetDlgItemTextA(int i, char* b, int size) override { return Put(Text(i), b, size); }
    BOOL SetDlgItemTextA(int i, const char* text) override {
        if (!c[i].list) c[i].text = text;  // a drop-down list has no text of its own
        return kTrue;
    }
    BOOL EnableWindow(int i, BOOL enable) override {
        return std::exchange(c[i].enabled, enable != 0) ? kFalse : kTrue;
    }
    unsigned GetCheck(int i) override { return c[i].check; }
    void SetCheck(int i, unsigned state) override { c[i].check = state; }
    int ComboAddString(int i, const char* text) override {
        c[i].items.push_back(text);
        return int(c[i].items.size()) - 1;
    }
    int ComboSetCurSel(int i, int index) override {
        c[i].sel = index >= 0 && index < int(c[i].items.size()) ? index : -1;
        return c[i].sel < 0 ? kCbErr : index;
    }
    // The first entry after `after`, round the list, that begins with the text in any case.
    int ComboSelectString(int i, int after, const char* text) override {
        const int n = int(c[i].items.size());
        for (int k = 1; k <= n; ++k) {
            const int at = (std::max(after, -1) + k) % n;
            if (Low(c[i].items[std::size_t(at)]).rfind(Low(text), 0) == 0) return c[i].sel = at;
        }
        return kCbErr;
    }
    HMENU GetSystemMenu(BOOL revert) override { return revert ? nullptr : H(0x5000); }
    BOOL AppendMenuA(HMENU m, unsigned flags, std::uintptr_t item, const char* text) override {
        if (m != H(0x5000)) return kFalse;
        menu.push_back(flags == kMfSeparator ? "-" : to_string(item) + " " + S(text));
        return kTrue;
    }
    void SetIcon(HICON icon, BOOL big) override { icons[big] = icon; }
    BOOL IsIconic() override { return iconic; }
    HDC BeginPaint() override { return painted += "begin ", H(0x6000); }
    void EndPaint() override { painted += "end"; }
    void SendIconEraseBkgnd(HDC dc) override { painted += dc == H(0x6000) ? "erase " : "?"; }
    Rect GetClientRect() override { return rect; }
    BOOL DrawIcon(HDC dc, int x, int y, HICON icon) override {
        painted += dc == H(0x6000) ? "icon " + to_string(x) + "," + to_string(y) + " " : "?";
        drawn = icon;
        return kTrue;
    }
    BOOL EndDialog(std::intptr_t r) override { return result = r, kTrue; }
    HICON drawn = nullptr;
};

class System : public ServiceManager,
               public Spooler,
               public Kernel,
               public Registry,
               public Profile,
               public Internet,
               public Ui,
               public Sockets,
               public DialogHost {
  public:
    Os os{*this, *this, *this, *this, *this, *this, *this, *this};

    // --- Failures on request, the record of what changed, and handle bookkeeping.
    // From the call after `skip` on, `call` fails and leaves `error` as the last error.
    void fail(const std::string& call, DWORD error = 31, int skip = 0) {
        failing[call] = {error, skip};
    }
    std::set<std::string> fallible;  // every fallible call made, by name
    std::vector<std::string> log;    // what the system was asked to change, in order
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
    bool Clean() const { return open.empty() && bad_closes == 0; }

    // --- Kernel: files, directories, processes and a virtual clock.
    std::string module = std::string(kDir) + "Velmora.exe", windows = "C:\\windows",
                system = "C:\\windows\\system32", current = "C:\\", temp = "C:\\Temp\\";
    std::map<std::string, std::string> files = {
        {module, "MZ velmora"},
        {std::string(kDir) + velmora::kDriverInf, "[Version]"},
        {system + "\\rundll32.exe", "MZ rundll32"}};
    DWORD last_error = 0, platform = kVerPlatformWin32Nt, major = 6;
    std::uint64_t clock = 0;            // virtual milliseconds slept and waited
    DWORD child_ms = 250;               // how long the installer child runs
    std::string installing;             // the model the running installer child adds
    std::vector<std::string> commands;  // command lines of the processes created
    std::vector<std::pair<ThreadProc, void*>> threads;
    void RunThreads() {
        for (auto t : std::exchange(threads, {})) t.first(t.second);
    }

    DWORD GetModuleFileNameA(HMODULE, char* b, DWORD size) override {
        if (Fails("GetModuleFileNameA")) return 0;
        // As Windows XP does, a name that does not fit is cut to the buffer unterminated.
        std::memcpy(b, module.c_str(), std::min<std::size_t>(module.size() + 1, size));
        return DWORD(std::min<std::size_t>(module.size(), size));
    }
    unsigned GetWindowsDirectoryA(char* b, unsigned size) override {
        return Fails("GetWindowsDirectoryA") ? 0 : Dir(windows, b, size);
    }
    unsigned GetSystemDirectoryA(char* b, unsigned size) override {
        return Fails("GetSystemDirectoryA") ? 0 : Dir(system, b, size);
    }
    BOOL CopyFileA(const char* from, const char* to, BOOL fail_if_exists) override {
        if (Fails("CopyFileA")) return kFalse;
        if (!files.count(from)) return Error(kErrorFileNotFound);
        if (fail_if_exists && files.count(to)) return Error(80);  // ERROR_FILE_EXISTS
        log.push_back(std::string("copy ") + to);
        return files[to] = files[from], kTrue;
    }
    BOOL DeleteFileA(const char* path) override {
        if (Fails("DeleteFileA")) return kFalse;
        // The running spooler holds its print processors loaded.
        if (spooler != kServiceStopped && std::string(path).rfind(kProcessors, 0) == 0) {
            return Error(32);  // ERROR_SHARING_VIOLATION
        }
        if (!files.erase(path)) return Error(kErrorFileNotFound);
        return log.push_back(std::string("delete ") + path), kTrue;
    }
    BOOL SetCurrentDirectoryA(const char* path) override {
        if (Fails("SetCurrentDirectoryA") || !*path) return Error(123);  // ERROR_INVALID_NAME
        return current = path, kTrue;
    }
    void GetStartupInfoA(StartupInfo* info) override { *info = {}, info->cb = sizeof *info; }
    // The child is the printer-UI installer: "/ia /m <model> ... /f <inf>" adds the model's
    // driver when the INF lies in the directory the child starts in, by the time it ends.
    BOOL CreateProcessA(const char* app, char* command, void*, void*, BOOL, DWORD, void*,
                        const char* dir, StartupInfo* startup, ProcessInformation* pi) override {
        if (Fails("CreateProcessA")) return kFalse;
        if (!app || !files.count(app)) return Error(kErrorFileNotFound);
        if (dir || startup->cb != sizeof *startup) return Error(87);
        const std::string c = command;
        const std::size_t m = c.find("/m \"") + 4, f = c.find("/f ");
        const std::string inf = current + (current.back() == '\\' ? "" : "\\") + c.substr(f + 3);
        const bool ok = c.find(" /ia ") != std::string::npos && f != c.npos && files.count(inf);
        installing = ok ? c.substr(m, c.find('"', m) - m) : "";
        commands.push_back(c);
        *pi = {Open("process"), Open("thread"), 1, 2};
        return kTrue;
    }
    DWORD WaitForSingleObject(HANDLE h, DWORD ms) override {
        if (Fails("WaitForSingleObject")) return 0xFFFFFFFF;
        if (What(h) != "process") return Error(6), 0xFFFFFFFF;
        if (child_ms > ms) return clock += ms, 258;  // WAIT_TIMEOUT
        clock += child_ms;
        if (!installing.empty()) drivers.insert(std::exchange(installing, ""));
        return 0;
    }
    BOOL CloseHandle(HANDLE h) override { return Close(h); }
    void Sleep(DWORD ms) override { clock += ms, log.push_back("sleep " + to_string(ms)); }
    DWORD GetLastError() override { return last_error; }
    void SetLastError(DWORD e) override { last_error = e; }
    BOOL GetVersionExA(OsVersionInfo* v) override {
        if (v->dwOSVersionInfoSize != sizeof *v) return Error(122);
        v->dwPlatformId = platform, v->dwMajorVersion = major;
        return kTrue;
    }
    void* GlobalAlloc(unsigned, std::size_t bytes) override {
        if (Fails("GlobalAlloc")) return nullptr;
        void* p = std::calloc(1, bytes + 1);
        return open[p] = "memory", p;
    }
    void* GlobalFree(void* p) override { return Close(p) ? std::free(p), nullptr : p; }
    HMODULE LoadLibraryA(const char* name) override {
        if (Fails("LoadLibraryA")) return nullptr;
        return Low(name) == "winspool.drv" ? Open("library") : (Error(126), nullptr);
    }
    FARPROC GetProcAddress(HMODULE, const char* name) override {
        if (Fails("GetProcAddress") || std::string(name) != "SetDefaultPrinterA") return nullptr;
        return major >= 5 ? FARPROC(&Abort) : nullptr;
    }
    BOOL FreeLibrary(HMODULE h) override { return Close(h); }
    BOOL CallSetDefaultPrinterA(FARPROC f, const char* name) override {
        if (Fails("SetDefaultPrinterA") || f != FARPROC(&Abort)) return kFalse;
        if (!queues.count(name)) return Error(1801);  // ERROR_INVALID_PRINTER_NAME
        return default_printer = name, kTrue;
    }
    std::uintptr_t BeginThread(ThreadProc start, unsigned stack, void* arg) override {
        if (Fails("_beginthread")) return std::uintptr_t(-1);
        log.push_back("thread " + to_string(stack) + " " + static_cast<const char*>(arg));
        return threads.push_back({start, arg}), 1;
    }

    // --- Service manager: the spooler service, whose start or stop takes `settle` queries
    // (-1: it never gets there), reporting `hint` meanwhile.
    DWORD spooler = kServiceRunning, hint = 0, target = kServiceRunning;
    int settle = 0, pending = 0;
    std::string spool_dir_in_use;  // the SpoolDirectory value the spooler read at its start

    SC_HANDLE OpenSCManagerA(const char*, const char*, DWORD) override {
        return Fails("OpenSCManagerA") ? nullptr : Open("manager");
    }
    SC_HANDLE OpenServiceA(SC_HANDLE, const char* name, DWORD) override {
        if (Fails("OpenServiceA")) return nullptr;
        return Low(name) == "spooler" ? Open("service") : (Error(1060), nullptr);
    }
    BOOL StartServiceA(SC_HANDLE, DWORD, const char**) override {
        if (Fails("StartServiceA")) return kFalse;
        if (spooler != kServiceStopped) return Error(1056);  // ERROR_SERVICE_ALREADY_RUNNING
        Change(kServiceRunning, 2);
        auto key = reg.find(kSpoolKey);
        if (key != reg.end() && key->second.count("SpoolDirectory")) {
            spool_dir_in_use = key->second["SpoolDirectory"];
        }
        return log.push_back("start"), kTrue;
    }
    BOOL ControlService(SC_HANDLE, DWORD control, ServiceStatus* status) override {
        if (Fails("ControlService") || control != kServiceControlStop) return kFalse;
        if (spooler == kServiceStopped) return Error(1062);  // ERROR_SERVICE_NOT_ACTIVE
        Change(kServiceStopped, 3);
        *status = ServiceStatus{16, spooler, 0, 0, 0, 0, hint};
        return log.push_back("stop"), kTrue;
    }
    BOOL QueryServiceStatus(SC_HANDLE, ServiceStatus* status) override {
        if (Fails("QueryServiceStatus")) return kFalse;
        if (pending > 0 && --pending == 0) spooler = target;
        *status = ServiceStatus{16, spooler, 0, 0, 0, 0, hint};
        return kTrue;
    }
    BOOL CloseServiceHandle(SC_HANDLE h) override { return Close(h); }

    // --- Spooler: ports, drivers, queues with their level-2 record, the default printer.
    struct Queue {
        std::string port, driver, record;
        DWORD attributes = 0;
    };
    std::map<std::string, Queue> queues;
    std::set<std::string> ports = {"LPT1:"}, drivers, doomed;
    std::string default_printer, driver_dir = "C:\\windows\\system32\\spool\\drivers\\w32x86";

    BOOL OpenPrinterA(const char* name, PRINTER_HANDLE* h, const PrinterDefaults* d) override {
        if (Fails("OpenPrinterA")) return kFalse;
        if (spooler != kServiceRunning) return Error(1722);  // RPC_S_SERVER_UNAVAILABLE
        if (std::string(name) == ",XcvMonitor Local Port") return *h = Open("xcv"), kTrue;
        if (!queues.count(name)) return Error(1801);
        *h = Open((d && d->DesiredAccess == kPrinterAllAccess ? "admin " : "printer ") +
                  std::string(name));
        return kTrue;
    }
    BOOL ClosePrinter(PRINTER_HANDLE h) override {
        // A queue marked for deletion goes with its last handle.
        const std::string name = QueueOf(h);
        if (!Close(h)) return Error(6);
        if (doomed.count(name) && !std::any_of(open.begin(), open.end(), [&](auto& o) {
                return o.second.find(' ') != std::string::npos && QueueOf(o.first) == name;
            })) {
            queues.erase(name), doomed.erase(name), log.push_back("deleted " + name);
        }
        return kTrue;
    }
    PRINTER_HANDLE AddPrinterA(const char* server, DWORD level, BYTE* info) override {
        if (Fails("AddPrinterA")) return nullptr;
        if (spooler != kServiceRunning) return Error(1722), nullptr;
        const auto& r = *reinterpret_cast<PrinterInfo2*>(info);
        if (server || level != 2) return Error(87), nullptr;
        const std::string name = r.pPrinterName;
        DWORD refused = queues.count(name) ? kErrorPrinterAlreadyExists : 0;
        if (!refused && !drivers.count(S(r.pDriverName))) refused = 1797;  // unknown driver
        if (!refused && !ports.count(S(r.pPortName))) refused = 1796;      // unknown port
        if (!refused && S(r.pPrintProcessor) != velmora::kPrintProcessor) refused = 1798;
        if (refused) return Error(refused), nullptr;
        queues[name] = {r.pPortName, r.pDriverName,
                        S(r.pShareName) + "|" + S(r.pComment) + "|" + S(r.pLocation) + "|" +
                            S(r.pSepFile) + "|" + S(r.pDatatype) + "|" + S(r.pParameters) + "|" +
                            (r.pDevMode || r.pSecurityDescriptor ? "?" : "") +
                            to_string(r.Priority),
                        r.Attributes};
        return log.push_back("add " + name), Open("admin " + name);
    }
    BOOL DeletePrinter(PRINTER_HANDLE h) override {
        if (Fails("DeletePrinter")) return kFalse;
        if (What(h).rfind("admin ", 0) != 0) return Error(5);  // ERROR_ACCESS_DENIED
        return doomed.insert(QueueOf(h)), kTrue;
    }
    BOOL DeletePrinterDriverA(const char*, const char*, const char* driver) override {
        if (Fails("DeletePrinterDriverA")) return kFalse;
        for (auto& q : queues) {
            if (q.second.driver == driver) return Error(3001);  // ERROR_PRINTER_DRIVER_IN_USE
        }
        if (!drivers.erase(driver)) return Error(1797);
        return log.push_back(std::string("driver deleted ") + driver), kTrue;
    }
    // The record as the system lays it out: the fixed part, then its texts.
    BOOL GetPrinterA(PRINTER_HANDLE h, DWORD level, BYTE* b, DWORD size, DWORD* needed) override {
        if (Fails("GetPrinterA") || level != 2) return kFalse;
        const std::string name = QueueOf(h);
        const Queue& q = queues[name];
        *needed = DWORD(sizeof(PrinterInfo2) + name.size() + q.port.size() + q.driver.size() + 3);
        if (!b || size < *needed) return Error(kErrorInsufficientBuffer);
        auto* r = reinterpret_cast<PrinterInfo2*>(b);
        char* text = reinterpret_cast<char*>(r + 1);
        using Field = std::pair<char**, const std::string*>;
        for (auto [field, value] : {Field{&r->pPrinterName, &name}, Field{&r->pPortName, &q.port},
                                    Field{&r->pDriverName, &q.driver}}) {
            *field = value->empty() ? nullptr : text;
            text += Put(*value, text, value->size() + 1) + 1;
        }
        r->Attributes = q.attributes;
        return kTrue;
    }
    BOOL SetPrinterA(PRINTER_HANDLE h, DWORD level, BYTE* b, DWORD) override {
        if (Fails("SetPrinterA") || level != 2) return kFalse;
        const DWORD attributes = reinterpret_cast<PrinterInfo2*>(b)->Attributes;
        queues[QueueOf(h)].attributes = attributes;
        if (attributes & kPrinterAttributeDefault) default_printer = QueueOf(h);
        return kTrue;
    }
    // The local port monitor: the port name is UTF-16 with its terminator counted; the call
    // succeeds and the monitor's answer is in the status.
    BOOL XcvDataW(PRINTER_HANDLE h, const char16_t* command, const BYTE* in, DWORD size, BYTE*,
                  DWORD, DWORD*, DWORD* status) override {
        if (Fails("XcvDataW")) return kFalse;
        const std::u16string wide(reinterpret_cast<const char16_t*>(in), size / 2);
        if (What(h) != "xcv" || size % 2 || wide.empty() || wide.find(u'\0') != wide.size() - 1) {
            return Error(87);
        }
        const std::u16string verb16(command);
        const std::string port(wide.begin(), wide.end() - 1), verb(verb16.begin(), verb16.end());
        if (verb == "AddPort") *status = ports.insert(port).second ? 0 : 183;
        if (verb == "DeletePort") *status = ports.erase(port) ? 0 : 1796;
        return log.push_back(verb + " " + port), kTrue;
    }
    BOOL GetPrinterDriverDirectoryA(const char*, const char*, DWORD, BYTE* b, DWORD size,
                                    DWORD* needed) override {
        return !Fails("GetPrinterDriverDirectoryA") && Need(driver_dir, b, size, needed);
    }
    BOOL GetPrintProcessorDirectoryA(const char*, const char*, DWORD, BYTE* b, DWORD size,
                                     DWORD* needed) override {
        return !Fails("GetPrintProcessorDirectoryA") && Need(kProcessors, b, size, needed);
    }
    BOOL DeletePrintProcessorA(const char*, const char*, const char*) override { return kFalse; }

    // --- Registry: keys under HKEY_LOCAL_MACHINE and their values' bytes.
    std::map<std::string, std::map<std::string, std::string>> reg = {{kSpoolKey, {}}};
    LONG RegOpenKeyExA(HKEY root, const char* key, DWORD, DWORD, HKEY* out) override {
        if (Fails("RegOpenKeyExA")) return LONG(last_error);
        if (root != HkeyLocalMachine() || !reg.count(key)) return LONG(kErrorFileNotFound);
        return *out = Open(std::string("key ") + key), 0;
    }
    LONG RegSetValueExA(HKEY key, const char* name, DWORD, DWORD type, const BYTE* data,
                        DWORD size) override {
        if (Fails("RegSetValueExA")) return LONG(last_error);
        if (What(key).rfind("key ", 0) != 0 || type != kRegSz) return 6;
        reg[What(key).substr(4)][name].assign(reinterpret_cast<const char*>(data), size);
        return log.push_back(std::string("set ") + name), 0;
    }
    LONG RegCloseKey(HKEY key) override {
        const bool root = key == HkeyLocalMachine();
        log.push_back("close " + (root ? std::string("HKLM") : What(key)));
        return root || Close(key) ? 0 : 6;
    }

    // --- Profile: INI files as maps (names in lower case) and win.ini's broadcast.
    std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> ini;
    const std::string* Ini(const char* file, const char* section, const char* key) {
        auto f = ini.find(Low(file));
        if (f == ini.end() || !f->second.count(Low(section))) return nullptr;
        auto k = f->second[Low(section)].find(Low(key));
        return k == f->second[Low(section)].end() ? nullptr : &k->second;
    }
    unsigned GetPrivateProfileIntA(const char* s, const char* k, int def, const char* f) override {
        const std::string* v = Fails("GetPrivateProfileIntA") ? nullptr : Ini(f, s, k);
        return unsigned(v ? std::atoi(v->c_str()) : def);
    }
    DWORD GetPrivateProfileStringA(const char* s, const char* k, const char* def, char* b,
                                   DWORD size, const char* f) override {
        const std::string* v = Fails("GetPrivateProfileStringA") ? nullptr : Ini(f, s, k);
        return Put(v ? *v : S(def), b, size);
    }
    BOOL WritePrivateProfileStringA(const char* s, const char* k, const char* v,
                                    const char* f) override {
        if (Fails("WritePrivateProfileStringA")) return kFalse;
        ini[Low(f)][Low(s)][Low(k)] = v;
        return log.push_back("ini " + Low(f) + " " + k + "=" + v), kTrue;
    }
    BOOL WriteProfileStringA(const char* s, const char* k, const char* v) override {
        if (Fails("WriteProfileStringA")) return kFalse;
        ini["win.ini"][Low(s)][Low(k)] = v;
        if (Low(s) == "windows" && Low(k) == "device")
            default_printer = S(v).substr(0, S(v).find(','));
        return kTrue;
    }
    std::intptr_t SendMessageTimeoutA(HWND w, unsigned m, std::uintptr_t wp, std::intptr_t lp,
                                      unsigned flags, unsigned ms, std::uintptr_t* r) override {
        const bool ok = w == HwndBroadcast() && m == kWmWininichange && !wp && !flags && !r;
        log.push_back("broadcast " +
                      (ok ? (lp ? S(reinterpret_cast<const char*>(lp)) : "0") : "?") + " " +
                      to_string(ms));
        return 1;
    }

    // --- Internet: the report server's answer, handed out at most `piece` bytes a read.
    std::string body = "OK\r\n";
    std::size_t piece = SIZE_MAX, served = 0, reads = 0;
    bool sent = false;
    HINTERNET SentRequest() { return sent = true, Open("request"); }
    HINTERNET InternetOpenA(const char* agent, DWORD access, const char* proxy, const char* bypass,
                            DWORD flags) override {
        if (Fails("InternetOpenA")) return nullptr;
        Net("open " + S(agent) + " " + to_string(access) + " " + S(proxy) + " " + S(bypass) + " " +
            to_string(flags));
        return Open("session");
    }
    BOOL InternetSetOptionExA(HINTERNET h, DWORD option, void* value, DWORD size,
                              DWORD flags) override {
        if (Fails("InternetSetOptionExA") || What(h) != "session" || size != 4) return kFalse;
        Net("option " + to_string(option) + "=" + to_string(*static_cast<DWORD*>(value)) + " " +
            to_string(flags));
        return kTrue;
    }
    HINTERNET InternetConnectA(HINTERNET h, const char* host, WORD port, const char* user,
                               const char* password, DWORD service, DWORD flags,
                               std::uintptr_t context) override {
        if (Fails("InternetConnectA") || What(h) != "session") return nullptr;
        Net("connect " + S(host) + ":" + to_string(port) + " " + S(user) + " " + S(password) + " " +
            to_string(service) + " " + to_string(flags) + " " + to_string(context));
        return Open("connection");
    }
    HINTERNET HttpOpenRequestA(HINTERNET h, const char* verb, const char* path, const char* version,
                               const char* referrer, const char** types, DWORD flags,
                               std::uintptr_t context) override {
        if (Fails("HttpOpenRequestA") || What(h) != "connection") return nullptr;
        Net("request " + S(verb) + " " + S(path) + " " + S(version) + " " + S(referrer) + " " +
            (types ? "types" : "-") + " " + to_string(flags) + " " + to_string(context));
        return Open("request");
    }
    BOOL HttpSendRequestA(HINTERNET h, const char* headers, DWORD headers_size, void* data,
                          DWORD size) override {
        if (Fails("HttpSendRequestA") || What(h) != "request") return kFalse;
        Net("send " + S(headers) + " " + to_string(headers_size) + " " + (data ? "data" : "-") +
            " " + to_string(size));
        return sent = true, kTrue;
    }
    BOOL InternetReadFile(HINTERNET h, void* b, DWORD size, DWORD* read) override {
        if (Fails("InternetReadFile")) return kFalse;
        if (What(h) != "request" || !sent) return Error(12019);  // incorrect handle state
        const std::size_t n = std::min({std::size_t{size}, piece, body.size() - served});
        std::memcpy(b, body.data() + served, n);
        served += n, ++reads, *read = DWORD(n);
        return kTrue;
    }
    BOOL InternetCloseHandle(HINTERNET h) override { return Net("close " + What(h)), Close(h); }

    // --- User interface: string resources and the message boxes shown.
    struct Box {
        std::string text, caption;
        DWORD style, help;
        bool waiting;  // shown under the wait cursor
    };
    std::vector<Box> boxes;
    std::map<unsigned, std::string> strings = {
        {IDS_ABOUTBOX, "关于 Velmora(&A)..."},
        {IDP_SOCKETS_INIT_FAILED, "Windows 套接字初始化失败。"}};
    BOOL InitCommonControlsEx(DWORD size, DWORD classes) override {
        log.push_back("controls " + to_string(size) + " " + to_string(classes));
        return kTrue;
    }
    int LoadStringA(unsigned id, char* b, int size) override {
        if (Fails("LoadStringA") || !strings.count(id)) return 0;
        return int(Put(strings[id], b, std::size_t(size)));
    }
    HWND GetActiveWindow() override { return nullptr; }
    int MessageBoxIndirectA(HWND, const char* text, const char* caption, DWORD style,
                            DWORD help) override {
        if (Fails("MessageBoxIndirectA")) return 0;
        boxes.push_back({text, caption, style, help, cursor == H(0xA2)});
        return log.push_back(std::string("box ") + text), kIdOk;
    }

    // --- Sockets.
    WORD granted = 0x0101;
    int startup_error = 0, cleanups = 0, wsa_error = 0;
    int WSAStartup(WORD, WsaVersion* data) override {
        *data = {granted, 0x0202};
        return startup_error;
    }
    int WSACleanup() override { return ++cleanups, 0; }
    void WSASetLastError(int e) override { wsa_error = e; }

    // --- Dialogs: every run, what the user does in each template, the shell's choosers.
    std::deque<View> views;
    std::map<int, std::function<void(View&)>> user;
    std::string folder = "D:\\Output";  // chosen in the folder browser ("": cancelled; a name
                                        // starting with ':' has no file-system path)
    std::string picked = "C:\\Tools\\convert.exe";  // chosen in the file chooser ("": cancelled)
    HCURSOR cursor = H(0xA1);
    // The host leaves detaching to the dialog, so a view outlives its run.
    std::intptr_t DialogBoxParamA(int id, HWND owner, DialogClient& client) override {
        if (Fails("DialogBoxParamA")) return -1;
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
    PIDLIST SHBrowseForFolderA(HWND owner, const char* title, unsigned flags) override {
        log.push_back("browse " + S(title) + " " + to_string(flags) + Owner(owner));
        return folder.empty() ? nullptr : Open("pidl");
    }
    BOOL SHGetPathFromIDListA(PIDLIST, char* path) override {
        Put(folder[0] == ':' ? "" : folder, path, kMaxPath);
        return folder[0] != ':';
    }
    void CoTaskMemFree(PIDLIST item) override { Close(item); }
    BOOL GetOpenFileNameA(const OpenFileName& r) override {
        std::string filter;
        for (const char* p = r.filter; *p; p += std::strlen(p) + 1) filter += p + std::string("|");
        log.push_back("choose " + filter + " " + S(r.default_extension) + " " + to_string(r.flags) +
                      " " + to_string(r.file_size) + " [" + r.file + "]" + Owner(r.owner));
        return !picked.empty() && Put(picked, r.file, r.file_size);
    }

  private:
    struct Failure {
        DWORD error;
        int skip;
    };
    std::map<std::string, Failure> failing;
    std::uintptr_t next_ = 0x1000;

    static void Abort() { std::abort(); }
    bool Fails(const std::string& call) {
        fallible.insert(call);
        auto it = failing.find(call);
        if (it == failing.end() || it->second.skip-- > 0) return false;
        if (it->second.error == kThrow) throw std::runtime_error(call);
        return last_error = it->second.error, true;
    }
    BOOL Error(DWORD e) { return last_error = e, kFalse; }
    HANDLE Open(const std::string& what) { return open[H(next_ += 16)] = what, H(next_); }
    BOOL Close(HANDLE h) { return open.erase(h) ? kTrue : (++bad_closes, kFalse); }
    std::string What(HANDLE h) const {
        auto it = open.find(h);
        return it == open.end() ? "" : it->second;
    }
    std::string QueueOf(HANDLE h) const {
        const std::string w = What(h);
        return w.substr(std::min(w.size(), w.find(' ') + 1));
    }
    // Nothing when `w` is the innermost dialog still running.
    std::string Owner(HWND w) const {
        for (auto v = views.rbegin(); v != views.rend(); ++v) {
            if (v->result == -1) return w == v->window ? "" : " (not over the dialog)";
        }
        return " (no dialog)";
    }
    void Net(const std::string& call) { log.push_back("net " + call); }
    void Change(DWORD to, DWORD pending_state) {
        target = to, pending = settle, spooler = settle ? pending_state : to;
    }
    static unsigned Dir(const std::string& d, char* b, unsigned size) {
        return d.size() < size ? Put(d, b, size) : unsigned(d.size() + 1);
    }
    BOOL Need(const std::string& d, BYTE* b, DWORD size, DWORD* needed) {
        *needed = DWORD(d.size() + 1);
        if (size < *needed) return Error(kErrorInsufficientBuffer);
        return Put(d, reinterpret_cast<char*>(b), size), kTrue;
    }
};

// The program run with `tail` against the pretend system, wired as its entry point wires it.
inline int Program(System& f, const char* tail) {
    struct Actions : velmora::ModeActions {
        explicit Actions(System& f) : f(f) {}
        bool Install() override { return velmora::InstallAction(f.os); }
        bool Uninstall() override { return velmora::UninstallAction(f.os); }
        void ShowDialog(velmora::CWinApp& app) override {
            velmora::ShowSettingsDialog(app, f.os, f,
                                        {&velmora::InstallPrinter, &velmora::UninstallPrinter});
        }
        System& f;
    } actions(f);
    velmora::CVelmoraApp app(f.os, actions);
    app.m_lpCmdLine = tail;
    return app.Run();
}

}  // namespace fake
