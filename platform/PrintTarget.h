// Where printed pages go. Printing makes PDF files; this names the file a
// print job writes when the program has not chosen one itself.
#pragma once

#include <string>

namespace platform {

// The file named by the environment variable OSTREVAN_PRINT_FILE when it is
// set and not empty, else "ostrevan-print.pdf" in the current folder.
std::string DefaultPrintFile();

}  // namespace platform
