#include "ui/flights_window.h"

#include "ui/qt_text.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

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

void FlightsWindow::setLanguage(Language language, SamplingList samplingList) {
    language_ = language;
    model_->setLanguage(language, samplingList);
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
