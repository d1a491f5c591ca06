#pragma once
// The window programs' command line: kestrom [FILE [COMPARE_FILE [FILE...]]]. The first file is
// opened as the recorder flight, the second as the comparison (a file manager passes every file
// it opens); the window says why any further ones were not opened.

#include <string>
#include <vector>

namespace kestrom::app {

struct OpenArguments {
    std::string flight;                 // empty: none
    std::string compare;                // empty: none
    std::vector<std::string> notOpened; // the files after the second, in the order given
    bool help = false;
    std::string error; // not empty: the command line is wrong; say so and stop
};

// Reads the arguments after the program name (the toolkit's own options already taken out).
// "--" ends the options, so a file may start with '-'.
OpenArguments parseOpenArguments(const std::vector<std::string>& arguments);

// The usage text for --help and for a wrong command line.
std::string openUsage(const std::string& program);

} // namespace kestrom::app
