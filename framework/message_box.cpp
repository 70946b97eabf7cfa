// Application message boxes, captioned with the application's name.
#include "framework/message_box.h"

#include "framework/module_name.h"

namespace velmora {
namespace {

int ShowBox(plat::Ui& ui, plat::Kernel& kernel, const char* text, unsigned type,
            plat::DWORD help_context) {
    if ((type & plat::kMbIconMask) == 0) type |= plat::kMbIconExclamation;
    const std::u16string caption = ApplicationName(kernel);
    return ui.MessageBoxIndirect(ui.GetActiveWindow(), text, caption.c_str(), type, help_context);
}

}  // namespace

int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, const char* text, unsigned type) {
    return ShowBox(ui, kernel, text, type, 0);
}

int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, unsigned string_id, unsigned type) {
    char text[512] = {};
    if (ui.LoadStringA(string_id, text, sizeof text) <= 0) return 0;
    return ShowBox(ui, kernel, text, type, string_id);
}

}  // namespace velmora
