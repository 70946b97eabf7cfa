// Reading and writing "zarvoprintsetup.ini" through the private-profile functions; the bare
// file name makes the system keep it in the Windows directory.
#include "settings/output_settings.h"

#include <utility>

#include "common/printer_constants.h"

namespace velmora {
namespace {

constexpr plat::DWORD kReadBufferSize = 1024;

std::string ReadText(plat::Profile& profile, const char* key, const char* default_value) {
    char buffer[kReadBufferSize] = {};
    (void)profile.GetPrivateProfileStringA(kSettingsSection, key, default_value, buffer,
                                           kReadBufferSize, kSettingsFile);
    buffer[kReadBufferSize - 1] = '\0';
    return buffer;
}

int ReadFlag(plat::Profile& profile, const char* key) {
    return static_cast<int>(profile.GetPrivateProfileIntA(kSettingsSection, key, 0, kSettingsFile));
}

// Zero when written, else the write's error code (never zero for a failure).
plat::DWORD Write(plat::Profile& profile, plat::Kernel& kernel, const char* key,
                  const char* value) {
    if (profile.WritePrivateProfileStringA(kSettingsSection, key, value, kSettingsFile)) return 0;
    const plat::DWORD error = kernel.GetLastError();
    return error != 0 ? error : plat::kErrorAccessDenied;
}

const char* FlagText(int flag) { return flag != 0 ? "1" : "0"; }

}  // namespace

OutputSettings LoadOutputSettings(plat::Profile& profile) {
    OutputSettings settings;
    settings.m_bRunExe = ReadFlag(profile, "exe");
    settings.m_strExeName = ReadText(profile, "exename", "zarvoconv.exe");
    settings.m_strOutType = ReadText(profile, "outtype", "BMP");
    settings.m_strOutPath = ReadText(profile, "outpath", "c:\\");
    settings.m_bOverwrite = ReadFlag(profile, "overwrite");
    return settings;
}

plat::DWORD SaveOutputSettings(plat::Profile& profile, plat::Kernel& kernel,
                               const OutputSettings& settings) {
    const std::pair<const char*, const char*> values[] = {
        {"exe", FlagText(settings.m_bRunExe)},          {"exename", settings.m_strExeName.c_str()},
        {"outtype", settings.m_strOutType.c_str()},     {"outpath", settings.m_strOutPath.c_str()},
        {"overwrite", FlagText(settings.m_bOverwrite)},
    };
    for (const auto& [key, value] : values) {
        if (const plat::DWORD error = Write(profile, kernel, key, value)) return error;
    }
    return 0;
}

}  // namespace velmora
