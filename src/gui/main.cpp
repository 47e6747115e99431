// Process entry: reads the command line, creates the platform backend and runs
// the tool.
#include <unistd.h>

#include <climits>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/shell/headless_session.h"
#include "app/context/run_context.h"
#include "common/winpath.h"
#include "platform/host_os.h"

namespace {

std::string ExecutableFolder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof(buf) - 1);
  if (n <= 0) return ".";
  return common::ParentFolder(std::string(buf, static_cast<size_t>(n)));
}

std::string WithoutTrailingSeparator(std::string p) {
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto cl = app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!cl) {
    std::cerr << "ssdtools: " << error << "\n" << app::UsageText();
    return 2;
  }
  if (cl->help) {
    std::cout << app::UsageText();
    return 0;
  }
  os::HostOs host;
  host.Trace().SetToStderr(cl->trace);
  app::RunContext ctx(host, WithoutTrailingSeparator(cl->home.empty() ? ExecutableFolder() : cl->home));
  return app::RunHeadlessSession(ctx, std::cout);
}
