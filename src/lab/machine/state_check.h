#pragma once
// What in a lab's state folder would lose drive state without a word: two
// disks whose sections map to the same files, a media or state path taken by
// a folder or a link, or a media file holding data beyond the capacity
// lab.ini now gives it. Checked before any file is opened, and reported as
// lab.ini problems ("[section] ...") so that the lab does not open.
#include <string>
#include <vector>

#include "lab/config/lab_config.h"

namespace lab {

void CheckStateFiles(const LabConfig& config, const std::string& stateDir,
                     std::vector<std::string>& problems);

}  // namespace lab
