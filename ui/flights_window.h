#pragma once
// The Flights window: archived flights and recently opened files in one sortable table, with Load
// and Compare for the selected row. Not modal, so the chart stays usable beside it. It opens wide
// enough for every column, and asks to be read again whenever it is brought to the front (or
// F5 is pressed), so files deleted or archived meanwhile come and go.

#include "settings/settings_texts.h"
#include "ui/flight_list_model.h"

#include <QDialog>

#include <filesystem>
#include <functional>

class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace kestrom::ui {

class FlightsWindow : public QDialog {
    Q_OBJECT
public:
    // `open` loads (comparison = false) or compares (true) a file and returns whether it was taken.
    FlightsWindow(std::function<bool(const std::string& path, bool comparison)> open,
                  QWidget* parent = nullptr);

    // Reads the archive folder and the recent files again into the table.
    void reload(const std::filesystem::path& archiveFolder, const QStringList& recentFiles);
    void setLanguage(Language language, SamplingList samplingList);

    // The file of the selected row; empty when no row is selected.
    QString selectedFile() const;
    // Selects the row of this file (as the table shows it, whatever the sorting); false if absent.
    bool selectFile(const QString& path);

    FlightListModel& model() { return *model_; }
    QTableView* table() const { return table_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* compareButton() const { return compare_; }

signals:
    // The window was brought to the front or F5 was pressed: the owner should reload it.
    void refreshWanted();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The width that shows every column whole, with the frame, a vertical scroll bar and the
    // margins; the window opens at least this wide where the screen allows.
    int widthForColumns() const;
    void openSelected(bool comparison);
    void updateButtons();

    std::function<bool(const std::string&, bool)> open_;
    FlightListModel* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* compare_ = nullptr;
    Language language_ = kPolish;
};

} // namespace kestrom::ui
