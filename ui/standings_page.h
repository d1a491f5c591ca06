#pragma once
// The standings on one page: the contest's name and date above a table of rank, competitor,
// flights, best maximum and each flight's maximum. Drawn on any paint device (a PDF, a printer).

#include "analysis/standings.h"
#include "core/texts.h"

#include <QByteArray>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <vector>

namespace kestrom::ui {

// Paints the page into area; rows shrink to fit so that the standings never take a second page.
void paintStandings(QPainter& painter, const QRectF& area, const QString& title,
                    const std::vector<StandingsRow>& rows, Language language);

// The page as a one-page A4 PDF; empty when it could not be drawn.
QByteArray standingsPdf(const QString& title, const std::vector<StandingsRow>& rows,
                        Language language);

} // namespace kestrom::ui
