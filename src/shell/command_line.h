#pragma once
// ssdtools [--home DIR] [--lab DIR|demo] [--headless] [--yes|--no] [--trace] [--help]
#include <optional>
#include <string>
#include <vector>

namespace app {

enum class DialogAnswer { kAsk, kYes, kNo };

struct CommandLine {
  std::string home;  // empty: the executable's folder
  std::string lab;   // empty: the machine's real drives
  bool headless = false;
  DialogAnswer answer = DialogAnswer::kAsk;
  bool trace = false;
  bool help = false;
};

// On a bad argument: nullopt and `error` says which.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            std::string& error);
std::string UsageText();

}  // namespace app
