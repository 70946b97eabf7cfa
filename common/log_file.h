// Opening the run log so that nobody else's file is ever written to. The system account logs to
// C:\Windows\Temp, where every user may create files: a "Velmora.log" made there beforehand as a
// hard link, a symbolic link or a junction would otherwise get the run's lines written into
// whatever it points at, with the system's rights.
#pragma once

#include <string>

#include "platform/kernel.h"

namespace velmora {

// UTF-8's byte-order mark, which every log file begins with: Notepad (Windows 7 and later),
// PowerShell and editors then read it as UTF-8 on any Windows.
inline constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// Why an open file is not to be written to: "" when it is a disk file, not a reparse point, with
// exactly one link, owned by the running account, the Administrators group or the system
// account.
std::string Distrust(plat::Kernel& kernel, plat::HANDLE file);

// Opens the log at `path` to append, once for a run. The file opened is the one checked: opened
// without following a reparse point, then trusted or left alone. A trusted log over `rotate_size`
// bytes, or one written before the log was UTF-8 (no byte-order mark), is renamed, by its handle,
// to `path` + ".1" (replacing it) and a new one opened, so that no file mixes encodings; a new
// log gets the byte-order mark. A log left alone, or one without the mark that cannot be moved
// aside, is never written: the run logs to a new file beside it, "Velmora-<process id>.log",
// created only if no such file exists, and `note` (UTF-8) says why; when that cannot be made
// either, nothing is logged (an empty holder).
plat::UniqueFile OpenLogFile(plat::Kernel& kernel, const plat::Path& path, plat::DWORD rotate_size,
                             std::string& note);

}  // namespace velmora
