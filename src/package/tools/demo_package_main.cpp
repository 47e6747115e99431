// Writes the demo firmware package into a tool folder at build time:
//   ssd_demo_package <tool folder>
#include <cstdio>
#include <string>

#include "package/tools/demo_package.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ssd_demo_package <tool folder>\n");
    return 2;
  }
  std::string error;
  if (!firmware::demo::WriteDemoPackage(argv[1], error)) {
    std::fprintf(stderr, "ssd_demo_package: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
