#include "shell/headless_session.h"

#include <exception>

#include "shell/disk_access_check.h"
#include "shell/session.h"
#include "shell/startup_checks.h"

namespace app {
namespace {

// Runs a window event outside the message loop the way the process entry
// does: an exception is shown in the exception box. False after an exception.
template <typename F>
bool Guarded(ui::Application& app, F&& f) {
  try {
    f();
    return true;
  } catch (const std::exception& e) {
    app.ShowException(e.what());
  } catch (...) {
    app.ShowException("Unknown exception");
  }
  return false;
}

}  // namespace

int RunHeadless(TUpdateDispaly& form, ui::HeadlessToolkit& toolkit, std::ostream& out) {
  ui::Application& app = form.App();
  form.OnRunLogComplete = [&out](const RunLog& log) {
    for (const std::string& line : log.Lines()) out << line << '\n';
    out.flush();
  };
  // A form whose creation failed never opened: there is nothing to close.
  if (!Guarded(app, [&form] { form.RunCreate(); })) return 0;
  if (Guarded(app, [&form] { form.RunShow(); }) && form.Tmr_AutoRun.Armed()) {
    toolkit.RunUntil([&form] { return form.Closed() || !form.Tmr_AutoRun.Enabled(); });
  }
  // A close the unattended run posted at its end, else the close of a console run.
  app.DispatchPosted();
  if (!form.Closed()) app.RequestClose(form);
  // A tool folder whose Setting.ini cannot be used is no successful start.
  if (!form.Context().settingsProblem.empty()) return kExitBadStart;
  return 0;
}

int RunHeadlessProcess(RunContext& ctx, std::ostream& out, ui::AnswerPolicy policy) {
  ui::HeadlessToolkit toolkit(ctx.os, &out);
  toolkit.SetAnswerPolicy(policy);
  ui::Application app(toolkit);
  TUpdateDispaly form(app, ctx);
  SessionPlugins plugins(form, ctx);
  const int code = RunHeadless(form, toolkit, out);
  // A machine whose disks the tool may not open is no successful run either.
  if (plugins.DiskAccessMissing()) return kExitNoDiskAccess;
  if (code != 0) return code;
  // Scripts running the unattended update tell a failed drive by the code.
  return plugins.Update().LastRun().Failed() > 0 ? kExitDriveFailed : 0;
}

int RunHeadlessSession(RunContext& ctx, std::ostream& out, ui::AnswerPolicy policy) {
  ui::HeadlessToolkit toolkit(ctx.os, &out);
  toolkit.SetAnswerPolicy(policy);
  ui::Application app(toolkit);
  TUpdateDispaly form(app, ctx);
  return RunHeadless(form, toolkit, out);
}

}  // namespace app
