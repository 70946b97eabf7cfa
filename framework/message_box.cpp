// Application message boxes and the application name they are captioned with.
#include "framework/message_box.h"

#include <cstring>

#include "platform/mbcs.h"

namespace velmora {
namespace {

int ShowBox(plat::Ui& ui, plat::Kernel& kernel, const char* text, unsigned type,
            plat::DWORD help_context) {
    if ((type & plat::kMbIconMask) == 0) type |= plat::kMbIconExclamation;
    const std::string caption = ApplicationName(kernel);
    return ui.MessageBoxIndirectA(ui.GetActiveWindow(), text, caption.c_str(), type, help_context);
}

}  // namespace

std::string ApplicationName(plat::Kernel& kernel) {
    char path[plat::kMaxPath] = {};
    const plat::DWORD length = kernel.GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) return std::string();
    std::size_t start = 0;
    for (std::size_t sep = plat::FindBackslash(path, length); sep != std::size_t(-1);
         sep = plat::FindBackslash(path, length, sep + 1)) {
        start = sep + 1;
    }
    std::string name(path + start, length - start);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, const char* text, unsigned type) {
    return ShowBox(ui, kernel, text, type, 0);
}

int AppMessageBox(plat::Ui& ui, plat::Kernel& kernel, unsigned string_id, unsigned type) {
    char text[512] = {};
    if (ui.LoadStringA(string_id, text, sizeof text) <= 0) return 0;
    return ShowBox(ui, kernel, text, type, string_id);
}

}  // namespace velmora
