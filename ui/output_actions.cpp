// The window's output handlers: the text export of the recorder flight, the chart as a bitmap
// picture, the printout and the printer set-up. The picture and the printout carry a three-line
// heading that is in the chart title only while they are made.

#include "files/measurement_file.h"
#include "files/text_export.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>

#include <filesystem>

namespace kestrom::ui {
namespace {

// Bottom print margins in percent of the page; the chart keeps the upper part of a portrait page.
constexpr double kLandscapeBottomPercent = 25.0;
constexpr double kPortraitBottomPercent = 55.0;
constexpr double kSidePercent = 5.0;

// The picture's file name: ".bmp" appended unless it occurs in the name (case-sensitive).
QString pictureFileName(const QString& chosen) {
    return chosen.contains(QStringLiteral(".bmp"), Qt::CaseSensitive)
               ? chosen
               : chosen + QStringLiteral(".bmp");
}

} // namespace

QPrinter& TKestrom_BMP::printer() {
    if (!printer_) {
        // Screen resolution: the chart is drawn at its on-screen size and stretched to the page.
        printer_ = std::make_shared<QPrinter>(QPrinter::ScreenResolution);
    }
    return *printer_;
}

void TKestrom_BMP::PrepareOutputTitle() {
    savedBackground_ = Chart1->backgroundColour();
    Chart1->setBackgroundColour(Qt::white);
    const QString eight(8, QLatin1Char(' '));
    const QString four(4, QLatin1Char(' '));
    const FlightPanel& panel = *GroupB_Alt;
    const QString line1 = eight + caption(Caption::ReadFrom) + GroupB_Alt->title() + four +
                          caption(Caption::CompetitorNo) + QStringLiteral(": ") +
                          panel.competitorField().text() + four + caption(Caption::SerialNo) +
                          QStringLiteral(": ") + panel.serialField().text();
    // The extremes as the recorder flight is drawn; the fields the user may type in as shown.
    const auto extreme = [](const std::string& text) {
        return QString::fromStdString(text).replace(QLatin1Char('.'),
                                                    QLatin1Char(decimalSeparator()));
    };
    const QString line3 = eight + QStringLiteral("Max: ") + extreme(state_.shown.recorderMaxText) +
                          QStringLiteral(" m    Min: ") + extreme(state_.shown.recorderMinText) +
                          QStringLiteral("m    Temp: ") + panel.temperatureField().text() +
                          QStringLiteral("°C    ") + caption(Caption::Sampling) +
                          QStringLiteral(": ") + panel.samplingField().text();
    Chart1->setTitleLines({line1, QStringLiteral(" "), line3});
    Chart1->refresh();
}

void TKestrom_BMP::RestoreChartTitle() {
    Chart1->setTitleLines({caption(Caption::ChartTitleRestored)});
    Chart1->setBackgroundColour(savedBackground_);
    Chart1->refresh();
}

void TKestrom_BMP::ZapiszdoExcela1Click() {
    const FlightRecord& rec = state_.shown.recorder;
    // Nothing plotted (no flight, or one too short to smooth): nothing to write.
    Result<std::string> text = textExportBytes(rec.evaluation.altitudeCm,
                                               rec.evaluation.lastPointIndex, decimalSeparator());
    if (!rec.evaluated || !text) {
        prompts_.showMessage(Message::NoData, Message::ProblemCaption, Buttons::Ok);
        return;
    }
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Save);
    if (!name || name->empty()) {
        return;
    }
    const std::string path = exportFileName(*name);
    std::error_code ec;
    if (std::filesystem::exists(path, ec) &&
        prompts_.showMessage(Message::FileExists, Message::SaveCaption, Buttons::OkCancel) !=
            Answer::Ok) {
        return;
    }
    const std::string& bytes = *text.value;
    const Status written = writeWholeFile(
        path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    if (!written) {
        prompts_.showError(written.error);
    }
}

void TKestrom_BMP::ZapiszObraz1Click() {
    PrepareOutputTitle();
    const std::optional<std::string> name = prompts_.askFileName(FileDialog::Picture);
    if (name && !name->empty()) {
        const QString path = pictureFileName(QString::fromStdString(*name));
        if (!Chart1->saveBitmap(path)) {
            prompts_.showError("Cannot create the file " + path.toStdString());
        }
    }
    RestoreChartTitle();
}

void TKestrom_BMP::Drukuj1Click() {
    PrepareOutputTitle();
    QPrinter& current = printer();
    const bool landscape = current.pageLayout().orientation() == QPageLayout::Landscape;
    Chart1->setPrintMargins(
        QMarginsF(kSidePercent, kSidePercent, kSidePercent,
                  landscape ? kLandscapeBottomPercent : kPortraitBottomPercent));
    const bool printed = Chart1->printOn(current);
    RestoreChartTitle();
    if (!printed) {
        // A printer that failed to start can stay marked as busy, refusing every later set-up;
        // a fresh one with the same choices keeps printing usable for the rest of the run.
        renewPrinter();
        prompts_.showMessage(Message::PrintFailed, Message::ProblemCaption, Buttons::Ok);
    }
}

void TKestrom_BMP::renewPrinter() {
    const std::shared_ptr<QPrinter> old = printer_;
    printer_.reset();
    QPrinter& fresh = printer();
    if (!old) {
        return;
    }
    if (old->outputFormat() == QPrinter::NativeFormat) {
        fresh.setPrinterName(old->printerName());
    } else {
        fresh.setOutputFormat(old->outputFormat());
    }
    // An empty name would switch the fresh printer to the native format.
    if (!old->outputFileName().isEmpty()) {
        fresh.setOutputFileName(old->outputFileName());
    }
    fresh.setPageLayout(old->pageLayout());
    fresh.setColorMode(old->colorMode());
    fresh.setCopyCount(old->copyCount());
    fresh.setDuplex(old->duplex());
    fresh.setFullPage(old->fullPage());
}

void TKestrom_BMP::UstawDrukarke1Click() {
    if (printerSetup_) {
        printerSetup_(printer());
        return;
    }
    QPrintDialog dialog(&printer(), this);
    dialog.setWindowTitle(caption(Caption::PrinterSetup));
    dialog.exec();
}

} // namespace kestrom::ui
