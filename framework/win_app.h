// The framework's application object: the main window, the initialisation hook and the exit
// code the process ends with.
#pragma once

#include <string>

#include "platform/ui.h"

namespace velmora {

class CWinApp {
  public:
    virtual ~CWinApp() = default;

    // Returns whether to enter the run loop.
    virtual int InitInstance() { return 1; }

    // Initialisation, then the run loop, which ends at once when no main window exists
    // (every mode's window is modal and already closed by then). Returns the exit code.
    int Run() {
        (void)InitInstance();
        return m_nExitCode;
    }

    // Names the registry key under which the framework would keep its own profile settings;
    // the program itself stores nothing there.
    void SetRegistryKey(const char* key) { m_strRegistryKey = key; }

    plat::HWND m_pMainWnd = nullptr;
    int m_nExitCode = 0;
    std::string m_strRegistryKey;
};

}  // namespace velmora
