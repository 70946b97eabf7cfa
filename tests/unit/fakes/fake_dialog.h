// A pretend dialog window and dialog host: controls keep their text, check state, enabled
// state and list entries as the system's controls would; the system dialogs answer from
// scripts; every call is logged for order checks. The fallible calls can be failed through a
// FaultPlan, which the host hands on to the windows it creates.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fault_plan.h"
#include "platform/dialog.h"

namespace fakes {

class FakeDialogView : public plat::DialogView, public Faultable {
  public:
    struct Control {
        std::string text;
        unsigned check = 0;
        bool enabled = true;
        bool drop_list = false;  // a drop-down list combo box: its text is the selection
        std::vector<std::string> entries;
        int selection = -1;
    };
    struct MenuItem {
        unsigned flags;
        std::uintptr_t id;
        std::string text;
    };

    explicit FakeDialogView(plat::HWND window) : window_(window) {}

    std::map<int, Control> controls;
    plat::HMENU system_menu = reinterpret_cast<plat::HMENU>(0x5000);
    std::vector<MenuItem> menu;
    std::map<bool, plat::HICON> icons;  // by "big"
    bool iconic = false;
    plat::Rect client{0, 0, 100, 100};
    std::vector<std::string> log;
    bool ended = false;
    std::intptr_t end_result = 0;

    // What the user does in the window.
    void Type(int id, const std::string& text) { controls[id].text = text; }
    void Click(int id) { controls[id].check = controls[id].check ? 0 : 1; }

    std::string TextOf(int id) {
        Control& c = controls[id];
        if (!c.drop_list) return c.text;
        return c.selection < 0 ? std::string() : c.entries[static_cast<std::size_t>(c.selection)];
    }

    plat::HWND Window() override { return window_; }
    int GetWindowTextLengthA(int id) override {
        if (Injected("GetWindowTextLengthA " + std::to_string(id))) return 0;
        return static_cast<int>(TextOf(id).size());
    }
    int GetDlgItemTextA(int id, char* buffer, int size) override {
        log.push_back("get " + std::to_string(id));
        if (Injected("GetDlgItemTextA " + std::to_string(id))) return 0;  // buffer untouched
        const std::string text = TextOf(id);
        if (size <= 0) return 0;
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
        return static_cast<int>(n);
    }
    plat::BOOL SetDlgItemTextA(int id, const char* text) override {
        log.push_back("set " + std::to_string(id) + " " + text);
        if (Injected("SetDlgItemTextA " + std::to_string(id))) return plat::kFalse;
        Control& c = controls[id];
        if (!c.drop_list) c.text = text;  // a drop-down list has no text of its own
        return plat::kTrue;
    }
    plat::BOOL EnableWindow(int id, plat::BOOL enable) override {
        log.push_back("enable " + std::to_string(id) + " " + std::to_string(enable));
        const bool was_disabled = !controls[id].enabled;
        controls[id].enabled = enable != 0;
        return was_disabled;
    }
    unsigned GetCheck(int id) override {
        log.push_back("get " + std::to_string(id));
        return controls[id].check;
    }
    void SetCheck(int id, unsigned state) override {
        log.push_back("check " + std::to_string(id) + " " + std::to_string(state));
        controls[id].check = state;
    }
    int ComboAddString(int id, const char* text) override {
        log.push_back("add " + std::to_string(id) + " " + text);
        if (Injected("CB_ADDSTRING")) return -2;  // CB_ERRSPACE
        Control& c = controls[id];
        c.entries.push_back(text);
        return static_cast<int>(c.entries.size() - 1);
    }
    int ComboSetCurSel(int id, int index) override {
        log.push_back("select " + std::to_string(id) + " " + std::to_string(index));
        if (Injected("CB_SETCURSEL")) return plat::kCbErr;
        Control& c = controls[id];
        if (index < 0 || index >= static_cast<int>(c.entries.size())) {
            c.selection = -1;
            return plat::kCbErr;
        }
        c.selection = index;
        return index;
    }
    // Prefix match without regard to case, searching the whole list from after `start_after`;
    // a failed search keeps the selection.
    int ComboSelectString(int id, int start_after, const char* text) override {
        log.push_back("select " + std::to_string(id) + " \"" + text + "\"");
        if (Injected("CB_SELECTSTRING")) return plat::kCbErr;
        Control& c = controls[id];
        const int count = static_cast<int>(c.entries.size());
        for (int k = 1; k <= count; ++k) {
            const int i = ((start_after < 0 ? -1 : start_after) + k) % count;
            if (StartsWithNoCase(c.entries[static_cast<std::size_t>(i)], text)) {
                c.selection = i;
                return i;
            }
        }
        return plat::kCbErr;
    }
    plat::HMENU GetSystemMenu(plat::BOOL) override {
        return Injected("GetSystemMenu") ? nullptr : system_menu;
    }
    plat::BOOL AppendMenuA(plat::HMENU target, unsigned flags, std::uintptr_t id,
                           const char* text) override {
        if (target != system_menu || system_menu == nullptr) return plat::kFalse;
        if (Injected("AppendMenuA")) return plat::kFalse;
        menu.push_back({flags, id, text ? text : ""});
        return plat::kTrue;
    }
    void SetIcon(plat::HICON icon, plat::BOOL big) override {
        log.push_back(big ? "icon big" : "icon small");
        icons[big != 0] = icon;
    }
    plat::BOOL IsIconic() override { return iconic; }
    plat::HDC BeginPaint() override {
        log.push_back("begin paint");
        return Injected("BeginPaint") ? nullptr : paint_dc;
    }
    void EndPaint() override { log.push_back("end paint"); }
    void SendIconEraseBkgnd(plat::HDC dc) override {
        log.push_back(dc == paint_dc ? "erase paint dc" : "erase other dc");
    }
    plat::Rect GetClientRect() override { return client; }
    plat::BOOL DrawIcon(plat::HDC dc, int x, int y, plat::HICON icon) override {
        log.push_back("draw " + std::to_string(x) + "," + std::to_string(y) +
                      (dc == paint_dc ? " paint dc" : " other dc"));
        if (Injected("DrawIcon")) return plat::kFalse;
        drawn_icon = icon;
        return plat::kTrue;
    }
    plat::BOOL EndDialog(std::intptr_t result) override {
        log.push_back("end " + std::to_string(result));
        if (Injected("EndDialog")) return plat::kFalse;
        ended = true;
        end_result = result;
        return plat::kTrue;
    }

    plat::HDC paint_dc = reinterpret_cast<plat::HDC>(0x6000);
    plat::HICON drawn_icon = nullptr;

  private:
    static bool StartsWithNoCase(const std::string& entry, const char* prefix) {
        const std::size_t n = std::strlen(prefix);
        if (entry.size() < n) return false;
        for (std::size_t i = 0; i < n; ++i) {
            if (std::tolower(static_cast<unsigned char>(entry[i])) !=
                std::tolower(static_cast<unsigned char>(prefix[i]))) {
                return false;
            }
        }
        return true;
    }
    plat::HWND window_;
};

class FakeDialogHost : public plat::DialogHost, public Faultable {
  public:
    struct Run {
        int template_id;
        plat::HWND owner;
    };
    // What the user does while a dialog of the template is open; it ends the dialog
    // through the client as the window's buttons would.
    std::map<int, std::function<void(FakeDialogView&, plat::DialogClient&)>> scripts;
    std::vector<Run> runs;
    std::vector<FakeDialogView*> open_views;  // innermost last

    // The settings dialog's controls as its template creates them.
    static void CreateSettingsControls(FakeDialogView& view) {
        for (int id : {1000, 1001, 1003, 1004, 1005, 1006, 1007, 1008}) view.controls[id];
        view.controls[1002].drop_list = true;
    }

    std::intptr_t DialogBoxParamA(int template_id, plat::HWND owner,
                                  plat::DialogClient& client) override {
        runs.push_back({template_id, owner});
        if (Injected("DialogBoxParamA " + std::to_string(template_id))) return -1;
        FakeDialogView view(reinterpret_cast<plat::HWND>(0x100 + 0x10 * runs.size()));
        if (template_id == 102) CreateSettingsControls(view);
        view.faults = faults;
        open_views.push_back(&view);
        client.Attach(view);
        (void)client.OnInitDialog();
        auto script = scripts.find(template_id);
        if (script != scripts.end()) script->second(view, client);
        client.Detach();
        open_views.pop_back();
        return view.ended ? view.end_result : -1;
    }
    plat::HICON LoadIconA(int id) override {
        if (Injected("LoadIconA")) return nullptr;
        return reinterpret_cast<plat::HICON>(static_cast<std::uintptr_t>(0x9000 + id));
    }
    int GetSystemMetrics(int index) override {
        if (Injected("GetSystemMetrics")) return 0;
        return index == plat::kSmCxIcon || index == plat::kSmCyIcon ? 32 : 0;
    }

    // Cursors: the current one and every change.
    plat::HCURSOR arrow = reinterpret_cast<plat::HCURSOR>(0xA1);
    plat::HCURSOR wait = reinterpret_cast<plat::HCURSOR>(0xA2);
    plat::HCURSOR cursor = arrow;
    plat::HCURSOR SetWaitCursor() override { return std::exchange(cursor, wait); }
    plat::HCURSOR SetCursor(plat::HCURSOR to) override { return std::exchange(cursor, to); }

    // The folder browser: null = cancelled; the item's path, or none.
    struct Browse {
        plat::HWND owner;
        std::string title;
        unsigned flags;
    };
    std::vector<Browse> browses;
    bool folder_chosen = true;
    bool item_has_path = true;
    std::string folder_path = "D:\\Output";
    int items_out = 0;
    int items_freed = 0;

    plat::PIDLIST SHBrowseForFolderA(plat::HWND owner, const char* title, unsigned flags) override {
        browses.push_back({owner, title, flags});
        if (!folder_chosen || Injected("SHBrowseForFolderA")) return nullptr;
        ++items_out;
        return reinterpret_cast<plat::PIDLIST>(0xB000);
    }
    plat::BOOL SHGetPathFromIDListA(plat::PIDLIST, char* path) override {
        if (!item_has_path || Injected("SHGetPathFromIDListA")) {
            path[0] = '\0';
            return plat::kFalse;
        }
        std::strncpy(path, folder_path.c_str(), plat::kMaxPath - 1);
        path[plat::kMaxPath - 1] = '\0';
        return plat::kTrue;
    }
    void CoTaskMemFree(plat::PIDLIST) override { ++items_freed; }

    // The open-file chooser: what it was given, and the file the user picks (none: cancel).
    struct Open {
        plat::HWND owner;
        std::string filter;  // up to and including the terminating empty text
        std::string initial_file;
        plat::DWORD file_size;
        std::string default_extension;
        plat::DWORD flags;
    };
    std::vector<Open> opens;
    std::string picked_file = "C:\\Tools\\convert.exe";
    bool file_picked = true;

    plat::BOOL GetOpenFileNameA(const plat::OpenFileName& request) override {
        std::string filter;
        for (const char* p = request.filter; *p != '\0'; p += std::strlen(p) + 1) {
            filter.append(p, std::strlen(p) + 1);
        }
        filter.push_back('\0');
        opens.push_back({request.owner, filter, request.file, request.file_size,
                         request.default_extension ? request.default_extension : "(null)",
                         request.flags});
        if (!file_picked || Injected("GetOpenFileNameA")) return plat::kFalse;
        std::strncpy(request.file, picked_file.c_str(), request.file_size - 1);
        request.file[request.file_size - 1] = '\0';
        return plat::kTrue;
    }
};

}  // namespace fakes
