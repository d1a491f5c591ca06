#pragma once
// Files the window wrote, read back in tests: the bytes, their words, and a PDF's text and pages.

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
    const QString info = QString::fromUtf8(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The little-endian 32-bit word at offset of a file the window wrote.
inline std::int32_t int32At(const QByteArray& b, int offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(b[offset + i]);
    }
    return static_cast<std::int32_t>(v);
}

} // namespace kestrom::test
