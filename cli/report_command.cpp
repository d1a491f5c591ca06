// kestrom-cli report.

#include "cli/report_command.h"

#include "cli/commands.h"
#include "ui/flight_report.h"

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <QSaveFile>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrom::cli {
namespace {

[[noreturn]] void fail(const std::string& text) {
    std::cerr << "kestrom-cli: " << text << '\n';
    throw CLI::RuntimeError(kFailureExit);
}

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

} // namespace

void addReportCommand(CLI::App& app) {
    struct Options {
        std::vector<std::string> files;
        std::string out;
        bool filter = false;
        std::vector<std::int32_t> filterParams;
    };
    auto o = std::make_shared<Options>();
    CLI::App* cmd = app.add_subcommand(
        "report", "Write a PDF report: one A4 landscape page per flight with its chart");
    cmd->add_option("FILE", o->files, "measurement files, one page each")->required();
    cmd->add_option("-o,--output", o->out, "PDF file to write (- for standard output)")->required();
    CLI::Option* filter =
        cmd->add_flag("--filter", o->filter,
                      "draw the filtered curve and give its extremes, as the Filter "
                      "button does");
    cmd->add_option("--filter-params", o->filterParams,
                    "filter parameters PRE,FINAL,W1,W2 (default 350,250,8,12)")
        ->delimiter(',')
        ->expected(4)
        ->needs(filter);
    cmd->callback([o] {
        const std::unique_ptr<QApplication> application = makeApplication();
        std::optional<FilterParams> params;
        if (o->filter) {
            params = o->filterParams.size() == 4
                         ? FilterParams{o->filterParams[0], o->filterParams[1], o->filterParams[2],
                                        o->filterParams[3]}
                         : FilterParams{};
        }
        // A file is written beside the target and renamed over it at the end, so a failed
        // report leaves an older one as it was; "-" sends the PDF to standard output.
        const bool toStdout = o->out == "-";
        QSaveFile file(QString::fromStdString(o->out));
        QBuffer buffer;
        QIODevice& target = toStdout ? static_cast<QIODevice&>(buffer) : file;
        if (!target.open(QIODevice::WriteOnly)) {
            fail("Cannot create " + o->out + ": " + target.errorString().toStdString());
        }
        bool anyUnreadable = false;
        {
            QPdfWriter pdf(&target);
            pdf.setResolution(96); // screen resolution: see FlightReport
            pdf.setCreator(QStringLiteral("kestrom-cli report"));
            ui::FlightReport report(pdf, kEnglish);
            if (!report.ok()) {
                file.cancelWriting();
                fail("Cannot write " + o->out);
            }
            for (const std::string& path : o->files) {
                if (!ui::addFlightFile(report, path, params)) {
                    anyUnreadable = true;
                }
            }
            report.finish();
        }
        if (toStdout) {
            const QByteArray& bytes = buffer.data();
            std::cout.write(bytes.constData(), bytes.size());
            std::cout.flush();
            if (!std::cout) {
                fail("cannot write to standard output");
            }
        } else if (!file.commit()) {
            fail("Cannot write " + o->out + ": " + file.errorString().toStdString());
        }
        if (anyUnreadable) {
            std::cerr << "kestrom-cli: some files could not be read; their pages say why\n";
            throw CLI::RuntimeError(kFailureExit);
        }
    });
}

} // namespace kestrom::cli
