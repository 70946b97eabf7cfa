// The account the program runs as, and the accounts the log file and the install lock may belong
// to, told apart by their security identifiers (SIDs), compared as bytes.
#pragma once

#include <string>
#include <string_view>

#include "platform/kernel.h"

namespace velmora {

// S-1-5-18, the system account (Local System), which deployment agents run as.
inline constexpr std::string_view kSystemSid{"\x01\x01\x00\x00\x00\x00\x00\x05\x12\x00\x00\x00",
                                             12};
// S-1-5-32-544, the Administrators group, which owns what elevated administrators create.
inline constexpr std::string_view kAdministratorsSid{
    "\x01\x02\x00\x00\x00\x00\x00\x05\x20\x00\x00\x00\x20\x02\x00\x00", 16};

// The bytes of the SID at `sid` (revision, count, authority, `count` sub-authorities).
std::string SidBytes(const void* sid);

// The process's own token, open for queries; empty when it cannot be opened.
plat::UniqueHandle OpenOwnToken(plat::Kernel& kernel);

// The running account's SID; empty when the process token cannot be read.
std::string RunningAccountSid(plat::Kernel& kernel);

// Why `object` (a file or a kernel object, as `object_type` says) is not to be trusted, read from
// its owner: "" when the owner is the Administrators group (which owns what elevated
// administrators create), the system account or the running account. An owner or an account
// that cannot be read is no match, not even for each other.
std::string OwnerDistrust(plat::Kernel& kernel, plat::HANDLE object, int object_type);

// "the system account" or "account <name>" (UTF-8), for the log; "this account" when it cannot be
// told.
std::string RunningAccountName(plat::Kernel& kernel);

}  // namespace velmora
