// ostrevan-tool: the developer's and content author's command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "engine/services/EngineServices.h"
#include "tools/ToolCommands.h"

int main(int argc, char** argv) {
  InstallEngineServices();
  int code = 1;
  try {
    std::vector<std::string> args(argv + 1, argv + argc);
    code = RunTool(args, std::cout, std::cerr);
    std::cout.flush();
  } catch (...) {
    // Only building the argument list can get here (RunTool catches
    // everything else); the streams may be what failed, so use stdio.
    std::fputs("ostrevan-tool: unexpected error\n", stderr);
    return 1;
  }
  if (!std::cout) {
    std::fputs("ostrevan-tool: cannot write the output\n", stderr);
    return 1;
  }
  return code;
}
