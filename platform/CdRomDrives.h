// The folders that stand for CD-ROM drives: the ones the user names in the
// environment (OSTREVAN_CD, a list separated by ':') first, then the mount
// points of optical file systems (iso9660, udf) in the order the system's
// mount table lists them.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The CD-ROM stand-ins in search order. Entries of OSTREVAN_CD are taken as
// written (empty entries skipped); a folder that does not exist simply holds
// nothing. The mount table is read from /proc/self/mounts.
std::vector<std::string> CdRomRoots();

// The mount points of iso9660 and udf file systems in the text of a mount
// table (/proc/self/mounts form: device, mount point, type, ...), in order,
// with the table's octal escapes ("\040" for a blank) decoded.
std::vector<std::string> ParseOpticalMounts(const std::string& mountTable);

}  // namespace platform
