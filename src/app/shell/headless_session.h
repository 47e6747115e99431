#pragma once
// A run without a window: start-up (settings, run log), then the close path.
// Prints the run log to `out` so a console user can follow it.
#include <ostream>

#include "app/context/run_context.h"

namespace app {

int RunHeadlessSession(RunContext& ctx, std::ostream& out);

}  // namespace app
