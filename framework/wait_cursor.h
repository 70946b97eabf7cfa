// The framework's wait cursor: shown for the lifetime of a scope, however it is left.
#pragma once

#include "platform/dialog.h"

namespace velmora {

// Shows the wait cursor for its lifetime, however the scope is left.
class CWaitCursor {
  public:
    explicit CWaitCursor(plat::DialogHost& host) : m_host(host), m_restore(host.SetWaitCursor()) {}
    ~CWaitCursor() { m_host.SetCursor(m_restore); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

  private:
    plat::DialogHost& m_host;
    plat::HCURSOR m_restore;
};

}  // namespace velmora
