// The program's arguments and console in UTF-8, the text every path and
// message of the program is kept in.
#pragma once

#include <string>
#include <vector>

// The arguments after the program's name. On Windows they are read wide from
// the command line, so that names outside the ANSI code page arrive whole.
std::vector<std::string> programArguments(int argc, char** argv);

// Lets the console show the UTF-8 the program writes (Windows' console takes
// its code page otherwise); nothing to do elsewhere.
void useUtf8Console();
