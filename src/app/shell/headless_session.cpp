#include "app/shell/headless_session.h"

#include "app/run_log/run_log_lines.h"
#include "app/shell/window_caption.h"

namespace app {

int RunHeadlessSession(RunContext& ctx, std::ostream& out) {
  ctx.runLog.Clear();
  ctx.options = AppOptions{};
  AppendStartLines(ctx.runLog, ctx.os.GetLocalTime());
  ctx.ReadSettingsFirstPass();
  ctx.ReadSettingsSecondPass();
  // No drive layer yet: the scan finds nothing.
  AppendDeviceCount(ctx.runLog, 0);
  ctx.caption = BuildWindowCaption(ctx.options.SSDToolTitle, BuildVersionResource(), ctx.caption);
  AppendToolInfo(ctx.runLog, ctx.caption);

  ctx.FinishRunLog();
  for (const std::string& line : ctx.runLog.Lines()) out << line << '\n';
  out.flush();
  ctx.runLog.Clear();
  return 0;
}

}  // namespace app
