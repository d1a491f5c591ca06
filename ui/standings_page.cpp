#include "ui/standings_page.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>

#include <algorithm>
#include <array>

namespace kestrom::ui {
namespace {

QString qText(Message key, Language language) {
    const std::string_view t = messageText(key, language);
    return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}

} // namespace

void paintStandings(QPainter& painter, const QRectF& area, const QString& title,
                    const std::vector<StandingsRow>& rows, Language language) {
    painter.save();
    QFont font = painter.font();
    font.setPointSizeF(16);
    font.setBold(true);
    painter.setFont(font);
    const QFontMetricsF titleMetrics(font, painter.device());
    const qreal titleHeight = titleMetrics.height() * 1.6;
    painter.drawText(QRectF(area.left(), area.top(), area.width(), titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     title.isEmpty() ? qText(Message::ContestStandings, language) : title);

    // Every row on the page: the font shrinks for a long list.
    const qreal tableTop = area.top() + titleHeight;
    const qreal rowHeight =
        std::min<qreal>(QFontMetricsF(QFont(font.family(), 11), painter.device()).height() * 1.5,
                        (area.bottom() - tableTop) / static_cast<qreal>(rows.size() + 1));
    font.setBold(false);
    font.setPixelSize(std::max(2, static_cast<int>(rowHeight / 1.5)));
    const std::array<qreal, 5> share{0.1, 0.17, 0.11, 0.27, 0.35};
    const std::array<Message, 5> heads{Message::StandingsRank, Message::StandingsCompetitor,
                                       Message::StandingsFlights, Message::StandingsBest,
                                       Message::StandingsMaxima};
    const auto drawRow = [&](qreal top, const std::array<QString, 5>& cells) {
        qreal left = area.left();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const qreal width = area.width() * share[i];
            // The maxima, left-aligned, keep a gap from the right-aligned best maximum.
            const qreal pad = i == 4 ? rowHeight / 1.5 : 2;
            painter.drawText(QRectF(left + pad, top, width - pad - 2, rowHeight),
                             (i == 4 ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter,
                             cells[i]);
            left += width;
        }
        painter.drawLine(QPointF(area.left(), top + rowHeight),
                         QPointF(area.right(), top + rowHeight));
    };
    font.setBold(true);
    painter.setFont(font);
    std::array<QString, 5> head;
    // Each head whole in its column: the heads' font shrinks until the widest one fits.
    qreal fit = 1.0;
    const QFontMetricsF headMetrics(font, painter.device());
    for (std::size_t i = 0; i < heads.size(); ++i) {
        head[i] = qText(heads[i], language);
        const qreal wanted = headMetrics.horizontalAdvance(head[i]);
        if (wanted > 0) {
            fit = std::min(fit, (area.width() * share[i] - 4) / wanted);
        }
    }
    const int rowPixels = font.pixelSize();
    font.setPixelSize(std::max(2, static_cast<int>(rowPixels * fit)));
    painter.setFont(font);
    drawRow(tableTop, head);
    font.setBold(false);
    font.setPixelSize(rowPixels);
    painter.setFont(font);
    qreal top = tableTop + rowHeight;
    for (const StandingsRow& row : rows) {
        QStringList maxima;
        for (const std::string& m : row.maxima) {
            maxima << QString::fromStdString(m);
        }
        drawRow(top, {QString::number(row.rank), QString::number(row.competitor),
                      QString::number(row.maxima.size()), QString::fromStdString(row.bestText),
                      maxima.join(QLatin1Char(' '))});
        top += rowHeight;
    }
    painter.restore();
}

QByteArray standingsPdf(const QString& title, const std::vector<StandingsRow>& rows,
                        Language language) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        pdf.setCreator(QStringLiteral("Kestrom"));
        pdf.setTitle(title);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            return {};
        }
        const QRectF page = pdf.pageLayout().paintRectPixels(pdf.resolution());
        paintStandings(painter, QRectF(0, 0, page.width(), page.height()), title, rows, language);
        if (!painter.end()) {
            return {};
        }
    }
    return buffer.data();
}

} // namespace kestrom::ui
