#pragma once
// Files for the window's tests: the bytes written and read back, their words, and a PDF's text
// and pages.

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace kestrom::test {

// The whole file; empty where it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The little-endian 32-bit field at offset, as the configuration record stores its values.
inline qint32 int32At(const QByteArray& bytes, int offset) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<quint8>(bytes[offset + i]);
    }
    return static_cast<qint32>(v);
}

// Replaces the file with these bytes; false where it cannot be written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The text of a PDF file as pdftotext gives it, laid out as on the page.
inline QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The pages of a PDF file as pdfinfo counts them; -1 where it is no PDF.
inline int pdfPages(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {path});
    p.waitForFinished();
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                          .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace kestrom::test
