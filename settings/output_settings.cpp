// Reading and writing "zarvoprintsetup.ini" through the private-profile functions; the bare
// file name makes the system keep it in the Windows directory.
#include "settings/output_settings.h"

#include "install/printer_constants.h"

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

void Write(plat::Profile& profile, const char* key, const char* value) {
    (void)profile.WritePrivateProfileStringA(kSettingsSection, key, value, kSettingsFile);
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

void SaveOutputSettings(plat::Profile& profile, const OutputSettings& settings) {
    Write(profile, "exe", FlagText(settings.m_bRunExe));
    Write(profile, "exename", settings.m_strExeName.c_str());
    Write(profile, "outtype", settings.m_strOutType.c_str());
    Write(profile, "outpath", settings.m_strOutPath.c_str());
    Write(profile, "overwrite", FlagText(settings.m_bOverwrite));
}

}  // namespace velmora
