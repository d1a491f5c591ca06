// kestrom-cli report.

#include "cli/report_command.h"

#include "cli/commands.h"
#include "cli/filter_options.h"
#include "cli/flight_json.h"
#include "cli/io.h"
#include "ui/flight_report.h"

#include "ui/standings_page.h"

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::cli {
namespace {

// The chart is a widget: it needs an application object, but never a screen. Without a platform
// chosen, the offscreen one keeps the report working over ssh and in batch jobs.
std::unique_ptr<QApplication> makeApplication() {
    if (QCoreApplication::instance() != nullptr) {
        return nullptr;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    static int argc = 1;
    static char name[] = "kestrom-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// A page for the flight at path, read as the other verbs read their inputs ("-": standard
// input), or a page that says why it could not be. Returns whether it was read.
bool addFlightPage(ui::FlightReport& report, const std::string& path,
                   const std::optional<FilterParams>& filter) {
    const Result<FlightRecord> loaded = loadFlightRecord(path, true);
    if (loaded) {
        warnIfNoFlight(path, loaded.value->image);
    } else {
        std::cerr << "kestrom-cli: " << loaded.status.error << '\n';
    }
    return ui::addFlightPage(report, path, loaded, filter);
}

} // namespace

void addReportCommand(CLI::App& app) {
    struct Options : FilterOptions {
        std::vector<std::string> files;
        std::string out;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "report", "Write a PDF report: one A4 landscape page per flight with its chart");
    cmd->add_option("FILE", o->files, "measurement files, one page each (- for standard input)")
        ->required();
    cmd->add_option("-o,--output", o->out, "PDF file to write (- for standard output)")->required();
    addFilterOptions(*cmd, *o,
                     "draw the filtered curve and give its extremes, as the Filter button does");
    cmd->callback([o] {
        const std::unique_ptr<QApplication> application = makeApplication();
        std::optional<FilterParams> params;
        if (o->filter) {
            params = o->params();
        }
        for (const std::string& input : o->files) {
            refuseOutputOverInput(o->out, input);
        }
        refuseUnwritableOutput(o->out);
        // The whole PDF is made in memory and written at the end, as every other output is: a
        // failed report leaves an older one as it was.
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        bool anyUnreadable = false;
        {
            QPdfWriter pdf(&buffer);
            pdf.setResolution(96); // screen resolution: see FlightReport
            pdf.setCreator(QStringLiteral("kestrom-cli report"));
            ui::FlightReport report(pdf, kEnglish);
            if (!report.ok()) {
                fail("Cannot write " + o->out);
            }
            for (const std::string& path : o->files) {
                if (!addFlightPage(report, path, params)) {
                    anyUnreadable = true;
                }
            }
            if (!report.finish()) {
                fail("Cannot write " + o->out);
            }
        }
        const QByteArray& bytes = buffer.data();
        writeOutput(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size())),
                    o->out);
        if (anyUnreadable) {
            std::cerr << "kestrom-cli: the files above could not be read; their pages say why\n";
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

StandingsPdf standingsPdfMaker() {
    return [](const std::string& title, const std::vector<StandingsRow>& rows) {
        const std::unique_ptr<QApplication> application = makeApplication();
        const QByteArray bytes = ui::standingsPdf(QString::fromStdString(title), rows, kEnglish);
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    };
}

} // namespace kestrom::cli
