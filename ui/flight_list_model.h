#pragma once
// The table of the Flights window: archived flights and recently opened files, one row each, with
// time, competitor, serial, sampling, duration, maximum, minimum and the file's name. Sorting goes
// by the values themselves (kSortRole), not by their texts.

#include "core/texts.h"
#include "files/flight_archive.h"
#include "flight/flight_header.h"
#include "settings/settings_texts.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <filesystem>
#include <vector>

namespace kestrom::ui {

struct FlightRow {
    FlightSummary summary;
    bool archived = false; // in the archive folder (else only among the recent files)
};

// The rows for an archive folder and the recent files: every archived flight, then each recent
// file that is not one of them and still exists. A folder that cannot be listed gives its recent
// files only.
std::vector<FlightRow> listFlights(const std::filesystem::path& archiveFolder,
                                   const QStringList& recentFiles);

class FlightListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        Time,
        Competitor,
        Serial,
        Sampling,
        Duration,
        Maximum,
        Minimum,
        File,
        kColumnCount
    };
    static constexpr int kSortRole = Qt::UserRole;
    static constexpr int kPathRole = Qt::UserRole + 1;

    explicit FlightListModel(QObject* parent = nullptr);

    void setRows(std::vector<FlightRow> rows);
    const std::vector<FlightRow>& rows() const { return rows_; }
    // Texts in this language and with its sampling list.
    void setLanguage(Language language, SamplingList samplingList);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::vector<FlightRow> rows_;
    Language language_ = kPolish;
    SamplingList samplingList_ = SamplingList::DesignItems;
};

} // namespace kestrom::ui
