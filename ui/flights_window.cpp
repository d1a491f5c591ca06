#include "ui/flights_window.h"

#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QShowEvent>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrom::ui {

FlightsWindow::FlightsWindow(std::function<bool(const std::string&, bool)> open, QWidget* parent)
    : QDialog(parent), open_(std::move(open)) {
    setObjectName(QStringLiteral("FlightsWindow"));
    setModal(false);
    model_ = new FlightListModel(this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(FlightListModel::kSortRole);

    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("FlightsTable"));
    table_->setModel(proxy_);
    table_->setSortingEnabled(true);
    table_->sortByColumn(FlightListModel::Time, Qt::DescendingOrder); // newest first
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setAlternatingRowColors(true);
    // Where the screen is too narrow for a long file name, its start and extension stay.
    table_->setTextElideMode(Qt::ElideMiddle);

    load_ = new QPushButton(this);
    load_->setObjectName(QStringLiteral("FlightsLoad"));
    compare_ = new QPushButton(this);
    compare_->setObjectName(QStringLiteral("FlightsCompare"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(load_);
    buttons->addWidget(compare_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);

    connect(load_, &QPushButton::clicked, this, [this] { openSelected(false); });
    connect(compare_, &QPushButton::clicked, this, [this] { openSelected(true); });
    connect(table_, &QTableView::doubleClicked, this, [this] { openSelected(false); });
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FlightsWindow::updateButtons);
    auto* refresh = new QShortcut(QKeySequence::Refresh, this);
    connect(refresh, &QShortcut::activated, this, &FlightsWindow::refreshWanted);
    resize(760, 480);
    setLanguage(kPolish, SamplingList::DesignItems);
}

void FlightsWindow::reload(const std::filesystem::path& archiveFolder,
                           const QStringList& recentFiles) {
    const QString selected = selectedFile();
    model_->setRows(listFlights(archiveFolder, recentFiles));
    table_->resizeColumnsToContents();
    if (!selected.isEmpty()) {
        selectFile(selected);
    }
    updateButtons();
}

int FlightsWindow::widthForColumns() const {
    const QHeaderView* header = table_->horizontalHeader();
    const QAbstractItemView* view = table_; // where the contents' width is public
    int columns = 0;
    for (int column = 0; column < FlightListModel::kColumnCount; ++column) {
        const int needed =
            std::max(view->sizeHintForColumn(column), header->sectionSizeHint(column));
        // The last section stretches: what its contents need counts, not what it fills.
        const bool last = column + 1 == FlightListModel::kColumnCount;
        columns += last ? needed : std::max(needed, header->sectionSize(column));
    }
    const QMargins margins = layout()->contentsMargins();
    return columns + 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width() +
           margins.left() + margins.right();
}

void FlightsWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        // Opened: wide enough for every column where the screen allows; a wider choice of the
        // user stays.
        table_->resizeColumnsToContents();
        int wanted = widthForColumns();
        if (const QScreen* shownOn = screen()) {
            wanted = std::min(wanted, shownOn->availableGeometry().width());
        }
        if (width() < wanted) {
            resize(wanted, height());
        }
    }
    QDialog::showEvent(event);
}

bool FlightsWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        emit refreshWanted();
    }
    return QDialog::event(event);
}

void FlightsWindow::setLanguage(Language language, SamplingList samplingList) {
    language_ = language;
    model_->setLanguage(language, samplingList);
    table_->resizeColumnsToContents(); // the headers' texts changed
    setWindowTitle(qs(text(Text::FlightsTitle, language)));
    load_->setText(qs(text(Text::FlightsLoad, language)));
    compare_->setText(qs(text(Text::FlightsCompare, language)));
}

QString FlightsWindow::selectedFile() const {
    const QModelIndexList rows = table_->selectionModel()->selectedRows();
    return rows.isEmpty() ? QString() : rows.first().data(FlightListModel::kPathRole).toString();
}

bool FlightsWindow::selectFile(const QString& path) {
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        const QModelIndex index = proxy_->index(row, 0);
        if (index.data(FlightListModel::kPathRole).toString() == path) {
            table_->selectRow(row);
            return true;
        }
    }
    return false;
}

void FlightsWindow::openSelected(bool comparison) {
    const QString file = selectedFile();
    if (!file.isEmpty()) {
        open_(file.toStdString(), comparison);
    }
}

void FlightsWindow::updateButtons() {
    const bool any = !selectedFile().isEmpty();
    load_->setEnabled(any);
    compare_->setEnabled(any);
}

} // namespace kestrom::ui
