// The module's file name, asked in a buffer as long as any path Windows hands out.
#include "framework/module_name.h"

namespace velmora {
namespace {

constexpr plat::DWORD kLongestPath = 32768;

}  // namespace

plat::Path ModuleFileName(plat::Kernel& kernel) {
    plat::Path path(kLongestPath, u'\0');
    const plat::DWORD length = kernel.GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    // A name that fills the buffer was cut: no name to use.
    path.resize(length < kLongestPath ? length : 0);
    return path;
}

std::u16string ApplicationName(plat::Kernel& kernel) {
    const plat::Path path = ModuleFileName(kernel);
    std::u16string name = path.substr(path.rfind(u'\\') + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) name.erase(dot);
    return name;
}

}  // namespace velmora
