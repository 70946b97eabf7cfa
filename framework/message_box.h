// The application message box: OK-style boxes captioned with the application's name, with
// the exclamation icon when the caller names none.
#pragma once

#include "platform/kernel.h"
#include "platform/ui.h"

namespace velmora {

// A box given as text carries no help context.
int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, const char* text,
                  unsigned type = plat::kMbOk);

// A box given by string resource id carries that id as its help context.
int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, unsigned string_id,
                  unsigned type = plat::kMbOk);

}  // namespace velmora
