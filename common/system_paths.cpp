// Folder queries of any length.
#include "common/system_paths.h"

#include "common/join.h"
#include "framework/module_name.h"

namespace velmora {
namespace {

enum class Folder { kWindows, kSystem, kTemp };

// The folder asked with room for MAX_PATH, then with the room the system says it needs: each query
// returns the length, the size it needs with its terminator when the buffer is too small, or 0
// when it fails.
plat::Path QueryFolder(plat::Kernel& kernel, Folder folder) {
    plat::Path path(plat::kMaxPath, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto size = static_cast<plat::DWORD>(path.size());
        const plat::DWORD length =
            folder == Folder::kWindows  ? kernel.GetWindowsDirectoryW(path.data(), size)
            : folder == Folder::kSystem ? kernel.GetSystemDirectoryW(path.data(), size)
                                        : kernel.GetTempPathW(size, path.data());
        if (length == 0) break;
        if (length < size) {
            path.resize(length);
            return path;
        }
        path.assign(length, u'\0');
    }
    return plat::Path();
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
