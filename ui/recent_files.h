#pragma once
// The files opened last, newest first, for the Recent menu and the Flights window; kept in the
// window's own settings file beside the configuration record.

#include <QString>
#include <QStringList>

namespace kestrom::ui {

class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // `settingsPath` is the settings file; the list is read from it at once.
    explicit RecentFiles(QString settingsPath);

    // Puts the file first (its absolute path), dropping an earlier entry of the same file and
    // whatever falls beyond the eighth, and writes the list. False when it could not be written.
    bool add(const QString& path);
    // Takes a file out (one that no longer opens) and writes the list.
    bool remove(const QString& path);
    // Takes out every file that no longer exists (deleted or moved away) and writes the list if
    // that changed it. Returns whether any was taken out.
    bool dropVanished();
    const QStringList& files() const { return files_; }

private:
    bool write() const;

    QString settingsPath_;
    QStringList files_;
};

} // namespace kestrom::ui
