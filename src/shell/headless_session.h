#pragma once
// A run without a window: the same form on the headless toolkit. Start-up,
// then the unattended run when AutoRun asks for it, then the normal close path
// (which writes the run log file when ErrorLog is set). The run log is printed
// to `out` so that a console user can follow the run.
#include <ostream>

#include "config/context/run_context.h"
#include "form/update_dispaly.h"
#include "ui/dialogs.h"
#include "ui/headless_toolkit.h"

namespace app {

// Runs an assembled form whose application uses `toolkit`. Returns the exit
// code: 2 when Setting.ini is present but unusable (UTF-16, no profile),
// otherwise 0, also after an exception was shown.
int RunHeadless(TUpdateDispaly& form, ui::HeadlessToolkit& toolkit, std::ostream& out);

// The headless process: the form with the scan and every page, run as
// RunHeadless runs it; also 1 when the unattended update had a failed drive.
int RunHeadlessProcess(RunContext& ctx, std::ostream& out, ui::AnswerPolicy policy);

// The form with no drive and no page plugged in, answering dialogs by `policy`.
int RunHeadlessSession(RunContext& ctx, std::ostream& out,
                       ui::AnswerPolicy policy = ui::AnswerPolicy::kCautious);

}  // namespace app
