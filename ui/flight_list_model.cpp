#include "ui/flight_list_model.h"

#include "ui/qt_text.h"

#include <QBrush>
#include <QColor>
#include <QFileInfo>

#include <array>
#include <set>
#include <system_error>

namespace kestrom::ui {
namespace {

constexpr std::array<Text, FlightListModel::kColumnCount> kHeaders{
    Text::ListTime,     Text::ListCompetitor, Text::ListSerial,  Text::ListSampling,
    Text::ListDuration, Text::ListMaximum,    Text::ListMinimum, Text::ListFile,
};

// Numbers follow the user's regional decimal separator, as the window's panels do.
QString decimal(double value, int decimals) {
    return QString::fromStdString(decimalText(value, decimals, decimalSeparator()));
}

std::filesystem::path sameFile(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : canonical;
}

} // namespace

std::vector<FlightRow> listFlights(const std::filesystem::path& archiveFolder,
                                   const QStringList& recentFiles) {
    std::vector<FlightRow> rows;
    std::set<std::filesystem::path> seen;
    if (!archiveFolder.empty()) {
        Result<std::vector<FlightSummary>> listed = listArchive(archiveFolder);
        if (listed) {
            rows.reserve(listed.value->size() + static_cast<std::size_t>(recentFiles.size()));
            for (FlightSummary& summary : *listed.value) {
                seen.insert(sameFile(summary.path));
                rows.push_back({std::move(summary), true});
            }
        }
    }
    for (const QString& file : recentFiles) {
        const std::filesystem::path path(file.toStdString());
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !ec) {
            continue; // deleted or moved away since it was opened
        }
        if (seen.insert(sameFile(path)).second) {
            rows.push_back({readFlightSummary(path), false});
        }
    }
    return rows;
}

FlightListModel::FlightListModel(QObject* parent) : QAbstractTableModel(parent) {}

void FlightListModel::setRows(std::vector<FlightRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void FlightListModel::setLanguage(Language language, SamplingList samplingList) {
    language_ = language;
    samplingList_ = samplingList;
    emit headerDataChanged(Qt::Horizontal, 0, kColumnCount - 1);
    if (!rows_.empty()) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
    }
}

int FlightListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FlightListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant FlightListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumnCount) {
        return {};
    }
    return qs(text(kHeaders[static_cast<std::size_t>(section)], language_));
}

QVariant FlightListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= kColumnCount) {
        return {};
    }
    const FlightRow& row = rows_[static_cast<std::size_t>(index.row())];
    const FlightSummary& s = row.summary;
    const bool readable = s.status.ok();
    const auto column = static_cast<Column>(index.column());
    if (role == kPathRole) {
        return QString::fromStdString(s.path.string());
    }
    if (role == Qt::ToolTipRole) {
        const QString path = QString::fromStdString(s.path.string());
        return readable ? path
                        : path + QStringLiteral("\n") + QString::fromStdString(s.status.error);
    }
    if (role == Qt::ForegroundRole && !readable) {
        return QBrush(QColor(128, 128, 128));
    }
    if (role == Qt::TextAlignmentRole) {
        return column == Time || column == Sampling || column == File
                   ? QVariant(Qt::AlignLeft | Qt::AlignVCenter)
                   : QVariant(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (column == File && (role == Qt::DisplayRole || role == kSortRole)) {
        // Two archived downloads and a saved copy of one flight differ here only.
        return QFileInfo(QString::fromStdString(s.path.string())).fileName();
    }
    const std::optional<double> duration = s.durationSeconds();
    if (role == kSortRole) {
        // Unreadable files and missing values sort before every value.
        switch (column) {
        case Time:
            return static_cast<qlonglong>(s.time);
        case Competitor:
            return readable ? static_cast<int>(s.competitor) : -1;
        case Serial:
            return readable ? static_cast<int>(s.serial) : -1;
        case Sampling:
            return readable && s.rateTimes10 != 0 ? static_cast<int>(s.rateTimes10) : -1;
        case Duration:
            return readable && duration ? *duration : -1.0;
        case Maximum:
            return readable && s.evaluated ? static_cast<double>(s.maxAltitude) : -1e9;
        case Minimum:
            return readable && s.evaluated ? static_cast<double>(s.minAltitude) : -1e9;
        default:
            return {};
        }
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    if (column == Time) {
        return QString::fromStdString(localTimeText(s.time));
    }
    if (!readable) {
        return column == Competitor ? QFileInfo(QString::fromStdString(s.path.string())).fileName()
                                    : QVariant();
    }
    switch (column) {
    case Competitor:
        return static_cast<int>(s.competitor);
    case Serial:
        return static_cast<int>(s.serial);
    case Sampling: {
        return qs(samplingText(s.rateCode, samplingList_)).trimmed();
    }
    case Duration:
        return duration ? decimal(*duration, 1) : QString();
    case Maximum:
        return s.evaluated ? decimal(s.maxAltitude, 1) : QString();
    case Minimum:
        return s.evaluated ? decimal(s.minAltitude, 1) : QString();
    default:
        return {};
    }
}

} // namespace kestrom::ui
