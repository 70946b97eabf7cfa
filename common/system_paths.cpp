// Folder queries.
#include "common/system_paths.h"

#include "common/join.h"
#include "framework/module_name.h"

namespace velmora {
namespace {

enum class Folder { kWindows, kSystem, kTemp };

// None of these folders is longer than MAX_PATH (the temporary folder's path may take one more
// unit, its trailing backslash); a query that wants more room has failed.
plat::Path QueryFolder(plat::Kernel& kernel, Folder folder) {
    plat::Path path(plat::kMaxPath + 1, u'\0');
    const auto size = static_cast<plat::DWORD>(path.size());
    const plat::DWORD length =
        folder == Folder::kWindows  ? kernel.GetWindowsDirectoryW(path.data(), size)
        : folder == Folder::kSystem ? kernel.GetSystemDirectoryW(path.data(), size)
                                    : kernel.GetTempPathW(size, path.data());
    path.resize(length < size ? length : 0);
    return path;
}

}  // namespace

plat::Path WindowsDirectory(plat::Kernel& kernel) { return QueryFolder(kernel, Folder::kWindows); }

plat::Path SystemFilePath(plat::Kernel& kernel, std::u16string_view name) {
    const plat::Path directory = QueryFolder(kernel, Folder::kSystem);
    return directory.empty() ? directory : Join({directory, u"\\", name});
}

plat::Path TempDirectory(plat::Kernel& kernel) {
    plat::Path path = QueryFolder(kernel, Folder::kTemp);
    if (!path.empty() && path.back() != u'\\') path += u'\\';
    return path;
}

plat::Path DirectoryOf(std::u16string_view file) {
    const std::size_t separator = file.rfind(u'\\');
    return plat::Path(separator == file.npos ? file.substr(0, 0) : file.substr(0, separator + 1));
}

plat::Path ModuleDirectory(plat::Kernel& kernel) { return DirectoryOf(ModuleFileName(kernel)); }

}  // namespace velmora
