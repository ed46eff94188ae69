// ostrevan-tool: the developer's and content author's command line.
#include <iostream>
#include <string>
#include <vector>

#include "tools/ToolCommands.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  int code = RunTool(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
