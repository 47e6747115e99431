#pragma once
// The use of each drive `list` shows: its disk number, whether it holds the
// running system, and what uses it at this moment.
#include <vector>

#include "shell/cli/cli_drives.h"

namespace app::cli {

// Fills diskNumber, systemDisk and usedBy of `drives`, which are the
// identified drives (update-list rows) or, with `enumerated`, every disk of
// the Data Backup list.
void AddDiskUse(std::vector<CliDrive>& drives, bool enumerated, SessionPlugins& plugins,
                os::Os& os);

}  // namespace app::cli
