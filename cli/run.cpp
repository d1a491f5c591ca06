#include "cli/run.h"

#include "cli/commands.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace kestrom::cli {
namespace {

// The first word that is not an option names the verb; one the program does not know is named
// in the error instead of the general "a subcommand is required".
bool unknownVerb(const CLI::App& app, int argc, const char* const* argv) {
    const std::vector<const CLI::App*> known =
        app.get_subcommands([](const CLI::App*) { return true; });
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word.starts_with('-')) {
            continue;
        }
        for (const CLI::App* verb : known) {
            if (verb->check_name(word)) {
                return false;
            }
        }
        std::string verbs;
        for (const CLI::App* verb : known) {
            verbs += (verbs.empty() ? "" : ", ") + verb->get_name();
        }
        std::cerr << "kestrom-cli: unknown verb '" << word << "' (one of " << verbs << ")\n";
        return true;
    }
    return false;
}

} // namespace

int runCommandLine(CLI::App& app, int argc, const char* const* argv) {
    int code = 0;
    if (unknownVerb(app, argc, argv)) {
        code = kFailureExit;
    } else {
        try {
            app.parse(argc, argv);
        } catch (const CLI::RuntimeError& e) {
            code = e.get_exit_code();
        } catch (const CLI::ParseError& e) {
            // Usage errors share the failure status; help and version keep 0.
            code = app.exit(e) == 0 ? 0 : kFailureExit;
        } catch (const std::filesystem::filesystem_error& e) {
            // A path no verb foresaw (a loop of links, a name too long): said, never an abort.
            std::cerr << "kestrom-cli: " << e.path1().string() << ": " << e.code().message()
                      << '\n';
            code = kFailureExit;
        }
    }
    // Whatever a verb printed must have arrived: a full disk or a closed pipe is a failure too,
    // whatever else the verb had to say.
    std::cout.flush();
    const bool lost = !std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (lost) {
        std::cerr << "kestrom-cli: cannot write to standard output\n";
        return kFailureExit;
    }
    return code;
}

} // namespace kestrom::cli
