// The lab's own drive models stand behind every disk unless a caller brings
// others.
#include "lab/demo/open_lab.h"
#include "lab/drives/lab_drive_factory.h"

namespace lab {

DriveFactory DefaultDriveFactory() { return drives::LabDriveFactory(); }

}  // namespace lab
