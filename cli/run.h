#pragma once
// How kestrom-cli runs a command line: parsing, exit statuses and the checks every verb shares.

#include <CLI/CLI.hpp>

namespace kestrom::cli {

// Parses argv with the verbs already on app and runs the chosen one. Returns the exit status:
// 0, a verb's own status, or 2 (kFailureExit) for a usage error (an unknown verb is named), a
// failed verb, a file-system error that reached this far (reported with its path and reason) and
// output to standard output that did not arrive.
int runCommandLine(CLI::App& app, int argc, const char* const* argv);

} // namespace kestrom::cli
