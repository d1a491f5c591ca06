#pragma once
// The contest report of the flights on screen: the recorder panel's flight and, while it is
// shown, the comparison, one page each, as kestrom-cli report draws them.

#include <QString>

namespace kestrom::ui {

class TKestrom_BMP;

struct WindowReportResult {
    int pages = 0;
    QString error; // not empty: the report could not be written (the file is left as it was)
};

// The report's file name: ".pdf" added to a name typed without an extension.
QString reportFileName(const QString& chosen);

// Writes the report as a PDF file at path, named after the panels' titles. Nothing on screen
// gives no file and pages = 0.
WindowReportResult writeWindowReport(const TKestrom_BMP& window, const QString& path);

} // namespace kestrom::ui
