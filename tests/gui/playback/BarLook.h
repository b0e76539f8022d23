#pragma once

#include "gui/playback/widgets/Timeline.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace TestSupport {

// A bar's look at a time of the timeline: "blue" for the active camera's ordinary records, "green" for its type 2,
// "none" for no bar or one veiled by the zone search.
inline QString barLook(QuorvelClient::GUI::Timeline* timeline, const QDateTime& time)
{
    const QColor c = timeline->grab().toImage().pixelColor(timeline->timeToX(time), 20);
    if (c.green() > c.red() + 30 && c.green() > c.blue() + 20)
        return QStringLiteral("green");
    if (c.blue() > c.red() + 60 && c.blue() >= c.green())
        return QStringLiteral("blue");
    return QStringLiteral("none");
}

} // namespace TestSupport
