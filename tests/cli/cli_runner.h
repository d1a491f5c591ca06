#pragma once
// Runs kestrom-cli's flight commands in-process, capturing what they print.

#include "cli/commands.h"
#include "cli/run.h"

#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace kestrom::test {

struct CliRun {
    int code = 0;
    std::string out;
    std::string err;
};

// Swaps a stream's buffer for a string buffer until destroyed.
class Capture {
public:
    explicit Capture(std::ostream& stream) : stream_(stream), old_(stream.rdbuf(buffer_.rdbuf())) {}
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    ~Capture() { stream_.rdbuf(old_); }
    std::string text() const { return buffer_.str(); }

private:
    std::ostream& stream_;
    std::ostringstream buffer_;
    std::streambuf* old_;
};

// The program's own run of a command line, with the commands the adders put on it.
inline CliRun runCliWith(std::initializer_list<void (*)(CLI::App&)> adders,
                         const std::vector<std::string>& args) {
    CliRun run;
    Capture out(std::cout);
    Capture err(std::cerr);
    CLI::App app{"kestrom-cli"};
    app.require_subcommand(1);
    for (void (*add)(CLI::App&) : adders) {
        add(app);
    }
    std::vector<const char*> argv{"kestrom-cli"};
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    run.code = cli::runCommandLine(app, static_cast<int>(argv.size()), argv.data());
    run.out = out.text();
    run.err = err.text();
    return run;
}

// The flight commands only.
inline CliRun runCli(const std::vector<std::string>& args) {
    return runCliWith({cli::addFlightCommands}, args);
}

} // namespace kestrom::test
