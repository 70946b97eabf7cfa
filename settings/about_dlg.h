// The About box: template, icon and the OK button; nothing of its own.
#pragma once

#include "framework/dialog_base.h"

namespace velmora {

class CAboutDlg : public CDialog {
  public:
    explicit CAboutDlg(plat::DialogHost& host);
};

}  // namespace velmora
