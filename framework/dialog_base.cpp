// Dialog base, data exchange routines and the open-file chooser.
#include "framework/dialog_base.h"

#include <algorithm>

#include "platform/mbcs.h"
#include "platform/ui.h"

namespace velmora {
namespace {

// Bytes a drop-down list's text is read with when its length reads as zero.
constexpr int kDropListTextMax = 255;

// The control's text; false when it cannot be had in the system's ANSI code page.
bool ReadText(plat::DialogView& view, int id, int length, std::string& text) {
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = view.GetDlgItemTextA(id, buffer.data(), length + 1);
    if (copied < 0) return false;
    // The reported length may be an upper bound for double-byte text.
    buffer.resize(std::min(static_cast<std::size_t>(copied), buffer.size() - 1));
    text.assign(buffer.c_str());  // up to its terminator
    return true;
}

}  // namespace

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
    if (dx.m_bSaveAndValidate) {
        const int length = dx.m_view.GetWindowTextLengthA(id);
        if (!ReadText(dx.m_view, id, length < 0 ? 0 : length, value)) dx.m_bFailed = true;
    } else {
        (void)dx.m_view.SetDlgItemTextA(id, value.c_str());
    }
}

void DDX_CBString(CDataExchange& dx, int id, std::string& value) {
    if (dx.m_bSaveAndValidate) {
        const int length = dx.m_view.GetWindowTextLengthA(id);
        if (!ReadText(dx.m_view, id, length > 0 ? length : kDropListTextMax, value)) {
            dx.m_bFailed = true;
        }
    } else if (dx.m_view.ComboSelectString(id, -1, value.c_str()) == plat::kCbErr) {
        (void)dx.m_view.SetDlgItemTextA(id, value.c_str());
    }
}

void DDX_Check(CDataExchange& dx, int id, int& value) {
    if (dx.m_bSaveAndValidate) {
        value = static_cast<int>(dx.m_view.GetCheck(id));
    } else {
        if (value < 0 || value > 2) value = 0;
        dx.m_view.SetCheck(id, static_cast<unsigned>(value));
    }
}

std::intptr_t CDialog::DoModal(plat::HWND owner) {
    const std::intptr_t result = m_host.DialogBoxParamA(m_templateId, owner, *this);
    if (m_view != nullptr) Detach();
    return result;
}

bool CDialog::UpdateData(bool save_and_validate) {
    if (m_view == nullptr) return false;
    CDataExchange dx(*m_view, save_and_validate);
    DoDataExchange(dx);
    return !dx.m_bFailed;
}

void CDialog::Attach(plat::DialogView& view) {
    m_view = &view;
    if (m_app != nullptr) m_app->m_pMainWnd = view.Window();
}

void CDialog::Detach() {
    if (m_app != nullptr && m_view != nullptr && m_app->m_pMainWnd == m_view->Window()) {
        m_app->m_pMainWnd = nullptr;
    }
    m_view = nullptr;
}

plat::BOOL CDialog::OnInitDialog() {
    (void)UpdateData(false);
    return plat::kTrue;
}

bool CDialog::OnCommand(unsigned id, unsigned code) {
    if (code != plat::kBnClicked) return false;
    switch (id) {
        case plat::kIdOk:
            OnOK();
            return true;
        case plat::kIdCancel:
            OnCancel();
            return true;
    }
    return false;
}

void CDialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(plat::kIdOk);
}

void CDialog::OnCancel() { EndDialog(plat::kIdCancel); }

void CDialog::EndDialog(int result) {
    if (m_view != nullptr) (void)m_view->EndDialog(result);
}

std::string FilterFromBars(const char* filter) {
    std::string text = filter;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (plat::IsGbkLeadByte(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (text[i] == '|') {
            text[i] = '\0';
        }
    }
    return text;
}

CFileDialog::CFileDialog(plat::DialogHost& host, const char* default_extension,
                         const char* file_name, plat::DWORD flags, const char* filter,
                         plat::HWND owner)
    : m_host(host),
      m_defaultExtension(default_extension ? default_extension : ""),
      m_filter(FilterFromBars(filter ? filter : "")),
      // Without a hook the system gives the newer style of its dialog where it has one.
      m_flags(flags | plat::kOfnExplorer),
      m_owner(owner) {
    for (std::size_t i = 0; file_name != nullptr && file_name[i] != '\0' && i + 1 < sizeof m_file;
         ++i) {
        m_file[i] = file_name[i];
    }
}

int CFileDialog::DoModal() {
    // The string's own terminator after the last separator ends the system's list.
    plat::OpenFileName request{m_owner,
                               m_filter.c_str(),
                               m_file,
                               static_cast<plat::DWORD>(sizeof m_file),
                               m_defaultExtension.empty() ? nullptr : m_defaultExtension.c_str(),
                               m_flags};
    return m_host.GetOpenFileNameA(request) ? plat::kIdOk : plat::kIdCancel;
}

}  // namespace velmora
