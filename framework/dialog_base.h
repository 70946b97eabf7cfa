// The framework's dialog base: modal run, OK and Cancel processing, data exchange between
// controls and fields, and the open-file chooser.
#pragma once

#include <cstdint>
#include <string>

#include "framework/win_app.h"
#include "platform/dialog.h"

namespace velmora {

class CDataExchange {
  public:
    CDataExchange(plat::DialogView& view, bool save_and_validate)
        : m_bSaveAndValidate(save_and_validate), m_view(view) {}
    const bool m_bSaveAndValidate;  // true: controls to fields
    plat::DialogView& m_view;
    bool m_bFailed = false;  // a control's text could not be taken into its field
};

// Edit text, whole. Taking it in fails, leaving the field as it was, when the system's ANSI code
// page cannot hold it (the settings file is in that code page).
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Combo box: out selects the first entry that begins with the value, ignoring case (the text
// is set instead when none does, which a drop-down list ignores); in reads the control's text.
void DDX_CBString(CDataExchange& dx, int id, std::string& value);
// Check box: out first resets a value outside 0..2 to 0, in the field too.
void DDX_Check(CDataExchange& dx, int id, int& value);

class CDialog : public plat::DialogClient {
  public:
    CDialog(plat::DialogHost& host, int template_id) : m_host(host), m_templateId(template_id) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally over `owner` and returns the value it was ended with, or -1
    // when it could not be created.
    std::intptr_t DoModal(plat::HWND owner = nullptr);

    // The application's main window is this dialog's window while it exists.
    void SetAsMainWindowOf(CWinApp& app) { m_app = &app; }

    // All bindings in one direction: true reads the controls into the fields. False when there
    // is no window, or when a control's text could not be taken in.
    bool UpdateData(bool save_and_validate = true);

    void Attach(plat::DialogView& view) override;
    void Detach() override;
    plat::BOOL OnInitDialog() override;
    bool OnCommand(unsigned id, unsigned code) override;
    bool OnSysCommand(unsigned, std::intptr_t) override { return false; }
    bool OnPaint() override { return false; }
    plat::HICON OnQueryDragIcon() override { return nullptr; }

  protected:
    virtual void DoDataExchange(CDataExchange&) {}
    // Exchange in, then end the run with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int result);
    // Valid only while the window exists.
    plat::DialogView& View() { return *m_view; }

    plat::DialogHost& m_host;

  private:
    const int m_templateId;
    plat::DialogView* m_view = nullptr;
    CWinApp* m_app = nullptr;
};

// The open mode of the system's file dialog. The filter is the framework's form: pairs of
// description and pattern separated by '|', ended by "||".
class CFileDialog {
  public:
    CFileDialog(plat::DialogHost& host, const char* default_extension, const char* file_name,
                plat::DWORD flags, const char* filter, plat::HWND owner);
    // IDOK when the user picked a file, IDCANCEL otherwise.
    int DoModal();
    std::string GetPathName() const { return m_file; }

  private:
    plat::DialogHost& m_host;
    std::string m_defaultExtension;
    std::string m_filter;  // zero-separated, ended by two zeros
    plat::DWORD m_flags;
    plat::HWND m_owner;
    char m_file[plat::kMaxPath] = {};
};

// The framework's filter form ('|' separators) turned into the system's (zero separators);
// a '|' that is the trail byte of a double-byte character stays.
std::string FilterFromBars(const char* filter);

}  // namespace velmora
