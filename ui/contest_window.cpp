#include "ui/contest_window.h"

#include "files/whole_file.h"
#include "ui/flight_list_model.h"
#include "ui/qt_text.h"
#include "ui/standings_page.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <set>

namespace kestrom::ui {
namespace {

constexpr std::array<Text, ContestWindow::kRecorderColumns> kRecorderHeads{
    Text::ContestSocket, Text::ContestState, Text::ListCompetitor,
    Text::ListSerial,    Text::ListMaximum,  Text::ListFile};
constexpr std::array<Text, ContestWindow::kStandingsColumns> kStandingsHeads{
    Text::StandingsRank, Text::StandingsCompetitor, Text::StandingsFlights, Text::StandingsBest,
    Text::StandingsMaxima};

QString textOf(Text key, Language language) { return qs(text(key, language)); }

// A number the standings write with '.', shown with the user's decimal separator.
QString regional(const std::string& number) {
    QString shown = QString::fromStdString(number);
    shown.replace(QLatin1Char('.'), QLatin1Char(decimalSeparator()));
    return shown;
}

QTableWidgetItem* cell(const QString& value, bool number) {
    auto* item = new QTableWidgetItem(value);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return item;
}

// One line of text a row, as a list of many recorders and flights needs.
void compact(QTableView& table) {
    table.verticalHeader()->hide();
    table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
    table.setWordWrap(false);
    table.horizontalHeader()->setStretchLastSection(true);
}

QTableWidget* makeTable(int columns, const char* name) {
    auto* table = new QTableWidget(0, columns);
    table->setObjectName(QString::fromLatin1(name));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    compact(*table);
    return table;
}

QPushButton* makeButton(const char* name) {
    auto* button = new QPushButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

ContestFlight readContestFlight(const std::filesystem::path& path) {
    ContestFlight flight{readFlightSummary(path), std::nullopt};
    // An archived download's time is in its name; the file may have been copied since.
    if (const auto named = archiveNameTime(path.filename().string())) {
        flight.summary.time = *named;
    }
    const StandingsInput read = readStandingsFlights({path}, std::nullopt);
    if (!read.flights.empty()) {
        flight.standing = read.flights.front();
    }
    return flight;
}

ContestWindow::ContestWindow(ContestWindowSetup setup, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)) {
    setObjectName(QStringLiteral("ContestWindow"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    title_ = new QLabel;
    title_->setObjectName(QStringLiteral("ContestTitle"));
    QFont big = title_->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    title_->setFont(big);

    recordersLabel_ = new QLabel;
    recorders_ = makeTable(kRecorderColumns, "Recorders");
    recorders_->setSelectionMode(QAbstractItemView::NoSelection);

    flightsLabel_ = new QLabel;
    flightsModel_ = new FlightListModel(this);
    flights_ = new QTableView;
    flights_->setObjectName(QStringLiteral("ContestFlights"));
    flights_->setModel(flightsModel_);
    flights_->setSelectionBehavior(QAbstractItemView::SelectRows);
    flights_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    flights_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    compact(*flights_);
    connect(flights_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (setup_.openFlight && index.isValid()) {
            setup_.openFlight(index.data(FlightListModel::kPathRole).toString().toStdString());
        }
    });

    standingsLabel_ = new QLabel;
    standings_ = makeTable(kStandingsColumns, "Standings");

    new_ = makeButton("NewContest");
    add_ = makeButton("AddFlights");
    remove_ = makeButton("RemoveFlights");
    csv_ = makeButton("ExportCsv");
    pdf_ = makeButton("ExportPdf");
    zeroAfter_ = new QCheckBox;
    zeroAfter_->setObjectName(QStringLiteral("ZeroAfter"));
    connect(new_, &QPushButton::clicked, this, &ContestWindow::newContest);
    connect(add_, &QPushButton::clicked, this, &ContestWindow::addFlights);
    connect(remove_, &QPushButton::clicked, this, &ContestWindow::removeSelectedFlights);
    connect(csv_, &QPushButton::clicked, this, &ContestWindow::exportCsv);
    connect(pdf_, &QPushButton::clicked, this, &ContestWindow::exportPdf);
    connect(zeroAfter_, &QCheckBox::clicked, this, &ContestWindow::setZeroAfter);

    auto* buttons = new QHBoxLayout;
    for (QWidget* button : std::initializer_list<QWidget*>{new_, add_, remove_, csv_, pdf_}) {
        buttons->addWidget(button);
    }
    buttons->addStretch();
    buttons->addWidget(zeroAfter_);

    const auto section = [](QLabel* label, QWidget* table) {
        auto* box = new QWidget;
        auto* layout = new QVBoxLayout(box);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(label);
        layout->addWidget(table);
        return box;
    };
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(section(recordersLabel_, recorders_));
    splitter->addWidget(section(flightsLabel_, flights_));
    splitter->addWidget(section(standingsLabel_, standings_));
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    splitter->setStretchFactor(2, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addLayout(buttons);
    layout->addWidget(splitter, 1);
    resize(900, 700);

    if (Result<Contest> open = openContest(setup_.archive)) {
        contest_ = std::move(*open.value);
        for (const std::filesystem::path& flight : contest_->flights) {
            remember(flight);
        }
    }
    retranslate();
    contestChanged();
}

ContestWindow::~ContestWindow() { stopStation(); }

void ContestWindow::setLanguage(Language language, SamplingList samplingList) {
    language_ = language;
    samplingList_ = samplingList;
    retranslate();
}

void ContestWindow::retranslate() {
    setWindowTitle(textOf(Text::ContestWindowTitle, language_));
    recordersLabel_->setText(textOf(Text::ContestRecorders, language_));
    flightsLabel_->setText(textOf(Text::ContestFlights, language_));
    standingsLabel_->setText(textOf(Text::ContestStandings, language_));
    new_->setText(textOf(Text::ContestNew, language_) + QStringLiteral("..."));
    add_->setText(textOf(Text::ContestAddFlights, language_) + QStringLiteral("..."));
    remove_->setText(textOf(Text::ContestRemoveFlight, language_));
    csv_->setText(textOf(Text::ContestExportCsv, language_) + QStringLiteral("..."));
    pdf_->setText(textOf(Text::ContestExportPdf, language_) + QStringLiteral("..."));
    zeroAfter_->setText(textOf(Text::ContestZeroAfter, language_));
    QStringList heads;
    for (Text head : kRecorderHeads) {
        heads << textOf(head, language_);
    }
    recorders_->setHorizontalHeaderLabels(heads);
    heads.clear();
    for (Text head : kStandingsHeads) {
        heads << textOf(head, language_);
    }
    standings_->setHorizontalHeaderLabels(heads);
    flightsModel_->setLanguage(language_, samplingList_);
    title_->setText(contest_ ? QString::fromStdString(contest_->name + "  " + contest_->date)
                             : textOf(Text::ContestNoneOpen, language_));
    showRecorders();
}

void ContestWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        startStation();
    }
}

void ContestWindow::hideEvent(QHideEvent* event) {
    // A minimised window (a spontaneous hide) keeps downloading; a closed one stops.
    if (!event->spontaneous()) {
        stopStation();
    }
    QDialog::hideEvent(event);
}

void ContestWindow::startStation() {
    if (station_ || setup_.bus == nullptr) {
        return;
    }
    ++run_;
    recorderRows_.clear();
    showRecorders();
    StationOptions options;
    options.archiveFolder = setup_.archive;
    options.zeroAfter = zeroAfterOn_;
    options.language = language_;
    options.archive = setup_.archiveWriter;
    options.listingPeriod = setup_.listingPeriod;
    station_ = std::make_unique<Station>(
        *setup_.bus, std::move(options), [this, run = run_](const RecorderReport& report) {
            // From a worker: the window's thread shows it when its turn comes.
            QMetaObject::invokeMethod(
                this, [this, report, run] { apply(report, run); }, Qt::QueuedConnection);
        });
    station_->start();
}

void ContestWindow::stopStation() {
    if (!station_) {
        return;
    }
    station_->stopWatching();
    station_->cancel();
    station_.reset(); // joins the workers
    // A flight archived just before the stop still joins the contest.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ContestWindow::apply(const RecorderReport& report, int run) {
    if (report.connected && report.stage == RecorderStage::Done && !report.archiveFile.empty() &&
        contest_ && !contest_->holds(report.archiveFile)) {
        if (const Status added = addContestFlight(*contest_, report.archiveFile); !added) {
            setup_.prompts->showError(added.error);
        } else {
            remember(report.archiveFile);
            contestChanged();
        }
    }
    if (run != run_) {
        return;
    }
    if (!report.connected && report.stage != RecorderStage::Failed) {
        // Unplugged after it was done (or before it began): the socket is free again. A failure
        // stays in view until the socket is used again, so its reason can be read.
        recorderRows_.erase(report.place);
    } else {
        recorderRows_[report.place] = report;
    }
    showRecorders();
    emit recorderReported();
}

QString ContestWindow::recorderState(const RecorderReport& r) const {
    switch (r.stage) {
    case RecorderStage::Waiting:
        return textOf(Text::StationWaiting, language_);
    case RecorderStage::Downloading: {
        QString state = textOf(Text::StationDownloading, language_);
        if (r.expectedBytes > 0) {
            const auto percent = std::min<std::uint64_t>(100, std::uint64_t{r.receivedBytes} * 100 /
                                                                  r.expectedBytes);
            state += QStringLiteral(" %1 %").arg(percent);
        } else if (r.receivedBytes > 0) {
            state += QStringLiteral(" %1 B").arg(r.receivedBytes);
        }
        return state;
    }
    case RecorderStage::Done:
        // A done flight may still carry a note (the zeroing failed).
        return r.reason.empty() ? textOf(Text::StationDone, language_)
                                : textOf(Text::StationDone, language_) + QStringLiteral(" (") +
                                      QString::fromStdString(r.reason) + QStringLiteral(")");
    case RecorderStage::Failed:
        return textOf(Text::StationFailed, language_) + QStringLiteral(": ") +
               QString::fromStdString(r.reason);
    }
    return {};
}

void ContestWindow::showRecorders() {
    recorders_->setRowCount(static_cast<int>(recorderRows_.size()));
    int row = 0;
    for (const auto& [place, r] : recorderRows_) {
        const bool known = r.competitor != 0 || r.serial != 0 || !r.archiveFile.empty();
        const bool done = r.stage == RecorderStage::Done;
        recorders_->setItem(row, Socket, cell(QString::fromStdString(place.text()), false));
        recorders_->setItem(row, State, cell(recorderState(r), false));
        recorders_->setItem(row, Competitor,
                            cell(known ? QString::number(r.competitor) : QString(), true));
        recorders_->setItem(row, Serial, cell(known ? QString::number(r.serial) : QString(), true));
        recorders_->setItem(row, Maximum,
                            cell(done && r.evaluated ? QString::fromStdString(decimalText(
                                                           r.maxAltitude, 1, decimalSeparator()))
                                                     : QString(),
                                 true));
        recorders_->setItem(row, File,
                            cell(QString::fromStdString(r.archiveFile.filename().string()), false));
        ++row;
    }
    // Widths follow the rows and their stages, not every percent of a download.
    std::vector<RecorderStage> shape;
    for (const auto& entry : recorderRows_) {
        shape.push_back(entry.second.stage);
    }
    if (shape != recorderShape_) {
        recorderShape_ = std::move(shape);
        recorders_->resizeColumnsToContents();
    }
}

void ContestWindow::remember(const std::filesystem::path& flight) {
    read_[flight] = readContestFlight(flight);
}

std::vector<StandingsRow> ContestWindow::rankedStandings() const {
    std::vector<StandingsFlight> flights;
    if (contest_) {
        for (const std::filesystem::path& flight : contest_->flights) {
            const auto found = read_.find(flight);
            if (found != read_.end() && found->second.standing) {
                flights.push_back(*found->second.standing);
            }
        }
    }
    return rankStandings(std::move(flights));
}

void ContestWindow::contestChanged() {
    std::vector<FlightRow> rows;
    if (contest_) {
        for (const std::filesystem::path& flight : contest_->flights) {
            const auto found = read_.find(flight);
            rows.push_back(
                {found != read_.end() ? found->second.summary : readFlightSummary(flight), true});
        }
    }
    flightsModel_->setRows(std::move(rows));

    const std::vector<StandingsRow> ranked = rankedStandings();
    standings_->setRowCount(static_cast<int>(ranked.size()));
    for (int i = 0; i < static_cast<int>(ranked.size()); ++i) {
        const StandingsRow& r = ranked[static_cast<std::size_t>(i)];
        QStringList maxima;
        for (const std::string& m : r.maxima) {
            maxima << regional(m);
        }
        standings_->setItem(i, Rank, cell(QString::number(r.rank), true));
        standings_->setItem(i, StandingsCompetitor, cell(QString::number(r.competitor), true));
        standings_->setItem(i, Flights, cell(QString::number(r.maxima.size()), true));
        standings_->setItem(i, Best, cell(regional(r.bestText), true));
        standings_->setItem(i, Maxima, cell(maxima.join(QStringLiteral("  ")), false));
    }
    flights_->resizeColumnsToContents();
    standings_->resizeColumnsToContents();
    for (QPushButton* button : {add_, remove_, csv_, pdf_}) {
        button->setEnabled(contest_.has_value());
    }
    title_->setText(contest_ ? QString::fromStdString(contest_->name + "  " + contest_->date)
                             : textOf(Text::ContestNoneOpen, language_));
    if (contest_) {
        // The contest's folder keeps its standings as they stand now.
        const std::string csv = standingsCsv(ranked);
        const Status written = writeWholeFile(
            contest_->folder / kContestStandingsFile,
            std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
        if (!written) {
            setup_.prompts->showError(written.error);
        }
    }
}

void ContestWindow::newContest() {
    const std::optional<ContestNaming> naming = setup_.dialogs->askNewContest(language_);
    if (!naming) {
        return;
    }
    Result<Contest> made = kestrom::newContest(setup_.archive, naming->name, naming->date);
    if (!made) {
        setup_.prompts->showError(made.status.error);
        return;
    }
    contest_ = std::move(*made.value);
    read_.clear();
    contestChanged();
}

void ContestWindow::addFlights() {
    if (!contest_) {
        return;
    }
    const std::vector<std::string> files =
        setup_.dialogs->askFlightFiles(language_, setup_.archive);
    if (files.empty()) {
        return;
    }
    for (const std::string& file : files) {
        const std::filesystem::path flight = std::filesystem::absolute(file);
        if (contest_->holds(flight)) {
            continue;
        }
        if (const Status added = addContestFlight(*contest_, flight); !added) {
            setup_.prompts->showError(added.error);
            break;
        }
        remember(flight);
    }
    contestChanged();
}

void ContestWindow::removeSelectedFlights() {
    if (!contest_) {
        return;
    }
    std::set<std::filesystem::path> chosen;
    for (const QModelIndex& index : flights_->selectionModel()->selectedRows()) {
        chosen.insert(index.data(FlightListModel::kPathRole).toString().toStdString());
    }
    for (const std::filesystem::path& flight : chosen) {
        if (const Status removed = removeContestFlight(*contest_, flight); !removed) {
            setup_.prompts->showError(removed.error);
            break;
        }
        read_.erase(flight);
    }
    if (!chosen.empty()) {
        contestChanged();
    }
}

bool ContestWindow::exportCsv() {
    if (!contest_) {
        return false;
    }
    const std::optional<std::string> name = setup_.prompts->askFileName(FileDialog::Standings);
    if (!name || name->empty()) {
        return false;
    }
    const std::string csv = standingsCsv(rankedStandings());
    const Status written = writeWholeFile(
        *name, std::span(reinterpret_cast<const std::uint8_t*>(csv.data()), csv.size()));
    if (!written) {
        setup_.prompts->showError(written.error);
        return false;
    }
    return true;
}

bool ContestWindow::exportPdf() {
    if (!contest_) {
        return false;
    }
    const std::optional<std::string> name = setup_.prompts->askFileName(FileDialog::Report);
    if (!name || name->empty()) {
        return false;
    }
    const QByteArray pdf =
        standingsPdf(QString::fromStdString(contest_->name + "  " + contest_->date),
                     rankedStandings(), language_);
    const Status written =
        pdf.isEmpty() ? Status::failure(ErrorKind::WriteFailed, "Cannot write " + *name)
                      : writeWholeFile(
                            *name, std::span(reinterpret_cast<const std::uint8_t*>(pdf.constData()),
                                             static_cast<std::size_t>(pdf.size())));
    if (!written) {
        setup_.prompts->showError(written.error);
        return false;
    }
    return true;
}

bool ContestWindow::setZeroAfter(bool on) {
    if (on &&
        setup_.prompts->showMessage(Message::ContestZeroAfterConfirm, Message::ContestZeroAfter,
                                    Buttons::OkCancel) != Answer::Ok) {
        on = false;
    }
    zeroAfterOn_ = on;
    zeroAfter_->setChecked(on);
    if (station_) {
        station_->setZeroAfter(on);
    }
    return on;
}

} // namespace kestrom::ui
