// The program's arguments as UTF-8, whatever the system's code page.
#pragma once

#include <string>
#include <vector>

namespace deraz {

// The arguments after the program's name. Windows hands main its arguments in the ANSI code page,
// which cannot hold every file name, so there they are read again from the wide command line.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

} // namespace deraz
