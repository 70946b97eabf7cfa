// The output settings of the virtual printer and the settings file that carries them to the
// printer's converter.
#pragma once

#include <string>

#include "platform/kernel.h"
#include "platform/profile.h"

namespace velmora {

struct OutputSettings {
    int m_bRunExe = 0;
    std::string m_strExeName;
    std::string m_strOutType;
    std::string m_strOutPath;
    int m_bOverwrite = 0;
};

// Never fails: a missing file, section or key gives that key's default.
OutputSettings LoadOutputSettings(plat::Profile& profile);

// Writes all five keys, changed or not, in the file's order, and stops at the first write
// that fails. Returns zero when all were written, else that write's error code.
plat::DWORD SaveOutputSettings(plat::Profile& profile, plat::Kernel& kernel,
                               const OutputSettings& settings);

}  // namespace velmora
