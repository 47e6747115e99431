#include "shell/command_line.h"

#include "shell/session_backend.h"

namespace app {

std::string UsageText() {
  return "usage: ssdtools [--home DIR] [--lab DIR|demo] [--headless] [--yes|--no] [--trace] "
         "[--help]\n"
         "  --home DIR   tool folder (Setting.ini, rule files, Firmware\\, Res\\);\n"
         "               default: the folder of the executable\n"
         "  --lab DIR    run on a virtual lab machine; 'demo' is the built-in demo lab\n"
         "  --headless   no window (also without a display); dialogs are answered\n"
         "               by --yes/--no, by default OK to notices and No to questions\n"
         "  --yes, --no  answer every confirmation with Yes or No\n"
         "  --trace      send debugger-output lines to stderr\n"
         "  --help       show this text\n" +
         RecordingUsageText();
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error) {
  CommandLine cl;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        error = a + " needs a value";
        return false;
      }
      into = args[++i];
      return true;
    };
    if (a == "--home") {
      if (!value(cl.home)) return std::nullopt;
    } else if (a == "--lab") {
      if (!value(cl.lab)) return std::nullopt;
    } else if (a == "--headless") {
      cl.headless = true;
    } else if (a == "--yes") {
      cl.answer = DialogAnswer::kYes;
    } else if (a == "--no") {
      cl.answer = DialogAnswer::kNo;
    } else if (a == "--trace") {
      cl.trace = true;
    } else if (a == "--help" || a == "-h") {
      cl.help = true;
    } else {
      error = "unknown argument: " + a;
      return std::nullopt;
    }
  }
  return cl;
}

}  // namespace app
