// The About box is its template alone.
#include "settings/about_dlg.h"

#include "res/resource.h"

namespace velmora {

CAboutDlg::CAboutDlg(plat::DialogHost& host) : CDialog(host, IDD_ABOUTBOX) {}

}  // namespace velmora
