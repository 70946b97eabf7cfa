// What the program has to tell the person who ran it: a message box, or in a quiet run only a
// line in the run log. Logged either way.
#pragma once

#include "common/run_log.h"
#include "platform/kernel.h"
#include "platform/ui.h"

namespace velmora {

class Notices {
  public:
    // With `quiet`, nothing is shown: what a box would say is logged only.
    Notices(plat::Ui& ui, plat::Kernel& kernel, RunLog& log, bool quiet)
        : ui_(ui), kernel_(kernel), log_(log), quiet_(quiet) {}

    // The application message box with this text, or with the string resource's.
    void Notify(const char* text);
    void Notify(unsigned string_id);
    // Whether nothing is shown: also tells the installer it may show nothing of its own.
    bool quiet() const { return quiet_; }

  private:
    void Log(const char* text);

    plat::Ui& ui_;
    plat::Kernel& kernel_;
    RunLog& log_;
    const bool quiet_;
};

}  // namespace velmora
