#include "ui/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace kestrom::ui {
namespace {

const QString kKey = QStringLiteral("recent/files");

} // namespace

RecentFiles::RecentFiles(QString settingsPath) : settingsPath_(std::move(settingsPath)) {
    const QSettings settings(settingsPath_, QSettings::IniFormat);
    for (const QString& file : settings.value(kKey).toStringList()) {
        if (!file.isEmpty() && !files_.contains(file) && files_.size() < kMaxFiles) {
            files_.append(file);
        }
    }
}

bool RecentFiles::add(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    files_.removeAll(file);
    files_.prepend(file);
    while (files_.size() > kMaxFiles) {
        files_.removeLast();
    }
    return write();
}

bool RecentFiles::remove(const QString& path) {
    files_.removeAll(QFileInfo(path).absoluteFilePath());
    return write();
}

bool RecentFiles::dropVanished() {
    const qsizetype removed =
        files_.removeIf([](const QString& file) { return !QFileInfo::exists(file); });
    if (removed == 0) {
        return false;
    }
    (void)write(); // kept in memory all the same; the next change tries again
    return true;
}

bool RecentFiles::write() const {
    QSettings settings(settingsPath_, QSettings::IniFormat);
    settings.setValue(kKey, files_);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace kestrom::ui
