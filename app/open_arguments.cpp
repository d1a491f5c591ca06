#include "app/open_arguments.h"

namespace kestrom::app {

OpenArguments parseOpenArguments(const std::vector<std::string>& arguments) {
    OpenArguments result;
    std::vector<std::string> files;
    bool options = true;
    for (const std::string& argument : arguments) {
        if (options && argument == "--") {
            options = false;
        } else if (options && (argument == "-h" || argument == "--help")) {
            result.help = true;
        } else if (options && argument.size() > 1 && argument.front() == '-') {
            result.error = "unknown option: " + argument;
            return result;
        } else if (argument.empty()) {
            result.error = "empty file name";
            return result;
        } else {
            files.push_back(argument);
        }
    }
    if (!files.empty()) {
        result.flight = files[0];
    }
    if (files.size() >= 2) {
        result.compare = files[1];
    }
    if (files.size() > 2) {
        result.notOpened.assign(files.begin() + 2, files.end());
    }
    return result;
}

std::string openUsage(const std::string& program) {
    return "Usage: " + program +
           " [FILE [COMPARE_FILE]]\n"
           "Opens FILE as the flight and COMPARE_FILE as the comparison.\n"
           "Further files are not opened; the window names them.\n";
}

} // namespace kestrom::app
