// Opening the run log so that nobody else's file is ever written to. The system account logs to
// C:\Windows\Temp, where every user may create files: a "Velmora.log" made there beforehand as a
// hard link, a symbolic link or a junction would otherwise get the run's lines written into
// whatever it points at, with the system's rights.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// Why an open file is not to be written to: "" when it is a disk file, not a reparse point, with
// exactly one link, owned by the running account, the Administrators group or the system
// account.
std::string Distrust(plat::Kernel& kernel, plat::HANDLE file);

// Opens the log at `path` (in code page 936) to append, once for a run. The file opened is the
// one checked: opened without following a reparse point, then trusted or left alone. A trusted
// log over `rotate_size` bytes is renamed, by its handle, to `path` + ".1" (replacing it) and a
// new one opened. A log left alone is never written: the run logs to a new file beside it,
// "Velmora-<process id>.log", created only if no such file exists, and `note` says why; when
// that cannot be made either, nothing is logged (an empty holder).
plat::UniqueFile OpenLogFile(plat::Kernel& kernel, const std::string& path, plat::DWORD rotate_size,
                             std::string& note);

}  // namespace velmora
