#include "gui/playback/widgets/Timeline.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QLinearGradient>
#include <QList>
#include <QMap>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <cstdlib>

namespace QuorvelClient {
namespace GUI {
namespace Internal {

namespace {

const int kMargin = 15;
const int kBarHeight = 40;
const int kFiller = 999;
const int kNotch = 120;
const int kMinSelection = 60;
const int kMaxSelection = 7200;
const int kHandleReach = 12; // a pointer within 11 pixels of a selection bound is on it
const qint64 kClickMs = 333;
const int kAnimationMs = 500;
const QTime kLastSecond(23, 59, 59);

// addMSecs receives a running count; one value serves every timeline of the process.
qint64 lastRunningMSecs = 0;

QVariant interpolateDateTime(const QDateTime& from, const QDateTime& to, qreal progress)
{
    if (1 - progress < 0.001)
        return to;
    return from.addSecs(qint64(progress * from.secsTo(to)));
}

QDateTime dayEnd(const QDate& date)
{
    return QDateTime(date, kLastSecond);
}

struct ScaleRow
{
    int step;
    int majorEvery;
    int mediumEvery;
    int minorEvery;
    int labelEvery;
    int ticksPerHour;
};

const ScaleRow kScaleRows[] = {{60, 6, 3, 0, 6, 360},   {300, 10, 2, 0, 10, 120}, {600, 10, 5, 0, 10, 60},
                               {900, 15, 5, 0, 15, 30}, {1800, 6, 3, 0, 6, 12},   {3600, 6, 3, 0, 6, 6},
                               {7200, 4, 2, 0, 4, 2},   {28800, 2, 0, -1, 4, 1}};

struct Brushes
{
    QBrush filler{QColor(255, 255, 255, 200)};
    QBrush inactive;
    QBrush type1;
    QBrush type2{QColor(46, 139, 87, 220)};
    QBrush type3{QColor(255, 0, 0, 220)};

    Brushes()
    {
        QLinearGradient pink(0, 0, 0, kBarHeight);
        pink.setColorAt(0, QColor(255, 192, 203, 220));
        pink.setColorAt(1, QColor(255, 152, 163, 255));
        inactive = QBrush(pink);
        QLinearGradient blue(0, 0, 0, kBarHeight);
        blue.setColorAt(0, QColor(165, 225, 255, 255));
        blue.setColorAt(1, QColor(110, 170, 255, 255));
        type1 = QBrush(blue);
    }
};

const Brushes& brushes()
{
    static const Brushes instance;
    return instance;
}

} // namespace

// One bar. The bounds are also kept as milliseconds since the epoch, converted once when the bar is added:
// mapping local date-times at every draw of the layer costs about a microsecond each.
struct TimelineInterval
{
    QDateTime start;
    QDateTime end;
    int type = 0;
    qint64 startMs = 0;
    qint64 endMs = 0;
};

typedef QMap<Core::camera_global_id_t, QList<TimelineInterval>> IntervalMap;

// The visible range as numbers, for mapping many times at once.
struct ViewMap
{
    qint64 startMs;
    qint64 endMs;
    qint64 span; // whole seconds from start to end
    int usable;

    int x(qint64 ms) const
    {
        if (span <= 0)
            return kMargin;
        const double offset = double((ms - startMs) / 1000) / double(span) * usable;
        return kMargin + int(qBound(-1e9, offset, 1e9));
    }
};

class TimelinePrivate
{
public:
    explicit TimelinePrivate(Timeline* owner);

    ViewMap view() const;
    int timeToX(const QDateTime& t) const { return view().x(t.toMSecsSinceEpoch()); }
    QDateTime xToTime(int x) const;
    qint64 span() const { return startValue.secsTo(endValue); }
    int width() const { return q->width(); }

    void clampView();
    void moveView(qint64 shift);
    bool zoom(int steps, const QDateTime& centre);
    void scroll(int direction);
    bool pan(int x);
    void animateTo(const QDateTime& from, const QDateTime& to, bool forced);
    void normalizeSelection();
    void setSelectionLength(int length);
    bool selectAroundCurrent();
    bool selectNearRecords();
    QDateTime snapTime(const QDateTime& t, int step) const;
    void chooseScale(double hours, int labels);
    void placeCloseButton();
    // The bars must be drawn again: the next paint does it.
    void layerChanged()
    {
        backgroundDirty = true;
        q->update();
    }

    void renderBackground();
    void drawRecord(QPainter& painter, const ViewMap& map, const TimelineInterval& bar, bool coloured,
                    const QBrush*& brush) const;
    void drawSearchResults(QPainter& painter, const ViewMap& map, const QBrush*& brush) const;
    void drawScale(QPainter& painter);
    void drawSearchText(QPainter& painter) const;
    void drawCurrentMarker(QPainter& painter) const;
    void drawStatusText(QPainter& painter) const;
    void drawSelection(QPainter& painter) const;

    void updateCursor(int x, bool leftHeld);
    void grabSelection(int x);
    void dragSelectionTo(int x, const QPoint& globalPos);

    QDateTime currentValue;
    int timeFormat = Timeline::Full;
    QDate date;
    QDateTime startValue;
    QDateTime endValue;
    QDateTime selectionStart;
    QDateTime selectionEnd;
    QDateTime dragAnchor;
    bool sliderVisible = false;
    Timeline* q;
    IntervalMap records;
    IntervalMap searchResults;
    Core::camera_global_id_t activeCamera;
    ScaleRow scale = kScaleRows[6];
    QString text;
    bool textVisible = true;
    bool selectionVisible = false;
    QImage background;
    bool backgroundDirty = false;
    bool dragStartHandle = false;
    bool dragEndHandle = false;
    bool dragSelection = false;
    bool overSelection = false;
    int pressX = 0;
    int lastX = 0;
    bool pressed = false;
    QElapsedTimer pressTime;
    bool searchMode = false;
    QString searchText;
    QPushButton* closeButton;
    QImage selectionStartImage;
    QImage selectionEndImage;
    QImage footerImage;
    int wheelRemainder = 0; // wheel input short of a whole notch
    int layerDraws = 0;
};

TimelinePrivate::TimelinePrivate(Timeline* owner)
    : q(owner), selectionStartImage(QStringLiteral(":icons/selection-start.png")),
      selectionEndImage(QStringLiteral(":icons/selection-end.png")),
      footerImage(QStringLiteral(":icons/timeline_footer.png"))
{
    closeButton = new QPushButton(owner);
    closeButton->setObjectName(QStringLiteral("closeSearchButton"));
    closeButton->setIcon(QIcon(QStringLiteral(":icons/close_search.svg")));
    closeButton->setIconSize(QSize(8, 8));
    closeButton->resize(12, 12);
    closeButton->hide();
    closeButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; border-radius: 6px; background-color: none}\n"
                       "QPushButton:hover { background-color: rgba(255, 165, 0, 127) }\n"
                       "QPushButton:pressed { background-color: rgba(255, 117, 0, 127) }\n"
                       "QPushButton:flat { border: none; }\n"
                       "QPushButton:default { border-color: none; }"));
    closeButton->setToolTip(QCoreApplication::translate("QuorvelClient::GUI::Timeline", "Close search results"));
    QObject::connect(closeButton, &QPushButton::clicked, owner, &Timeline::closeZone);
}

ViewMap TimelinePrivate::view() const
{
    const qint64 startMs = startValue.toMSecsSinceEpoch();
    const qint64 endMs = endValue.toMSecsSinceEpoch();
    return ViewMap{startMs, endMs, (endMs - startMs) / 1000, width() - 2 * kMargin};
}

QDateTime TimelinePrivate::xToTime(int x) const
{
    const int usable = width() - 2 * kMargin;
    if (usable < 1)
        return startValue;
    return startValue.addSecs(qint64(double(x - kMargin) / usable * span()));
}

void TimelinePrivate::clampView()
{
    if (startValue.date() < date)
        startValue = date.startOfDay();
    if (endValue.date() > date)
        endValue = dayEnd(date);
    if (!(startValue < endValue)) {
        startValue = date.startOfDay();
        endValue = dayEnd(date);
    }
}

void TimelinePrivate::moveView(qint64 shift)
{
    startValue = startValue.addSecs(shift);
    endValue = endValue.addSecs(shift);
    // Wall-clock seconds and real ones differ on a day with a clock change.
    clampView();
}

bool TimelinePrivate::zoom(int steps, const QDateTime& centre)
{
    if (steps < 0 && startValue.time() == QTime(0, 0) && endValue.time() == kLastSecond)
        return false;
    const qint64 length = span();
    if (steps > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (screen && timeToX(startValue.addSecs(900)) > 2 * screen->geometry().width())
            return false;
        if (length < 600)
            return false;
    }
    const qint64 a = startValue.secsTo(centre);
    const qint64 b = centre.secsTo(endValue);
    const double k = length <= 60 ? 1.2 : 1.5;
    double left;
    double right;
    if (steps <= 0) {
        left = k * -steps * a;
        right = k * -steps * b;
    } else {
        left = a / (k * steps);
        right = b / (k * steps);
    }
    startValue = centre.addSecs(-qint64(left));
    endValue = centre.addSecs(qint64(right));
    clampView();
    return true;
}

void TimelinePrivate::scroll(int direction)
{
    qint64 shift = qint64(startValue.msecsTo(endValue) / 86399000.0 * 3600);
    if (direction < kNotch)
        shift = -qMin(shift, qint64(QTime(0, 0).secsTo(startValue.time())));
    else
        shift = qMin(shift, qint64(endValue.time().secsTo(kLastSecond)));
    moveView(shift);
}

bool TimelinePrivate::pan(int x)
{
    const qint64 s = xToTime(x).secsTo(xToTime(lastX));
    qint64 shift;
    if (s <= 0)
        shift = -qMin(-s, qint64(QTime(0, 0).secsTo(startValue.time())));
    else
        shift = qMin(s, qint64(endValue.time().secsTo(kLastSecond)));
    lastX = x;
    if (shift == 0)
        return false;
    moveView(shift);
    return true;
}

void TimelinePrivate::animateTo(const QDateTime& from, const QDateTime& to, bool forced)
{
    qint64 length = from.secsTo(to);
    qint64 half;
    if (length < 300) {
        length = 300;
        half = 150;
    } else {
        half = length / 2;
    }
    const double k = forced ? 0.6 : (length <= 600 ? 3.0 : 2.0);
    const QDateTime mid = from.addSecs(half);
    const QDateTime newStart = mid.addSecs(qint64(k * -length));
    const QDateTime newEnd = newStart.addSecs(qint64(2 * k * length));

    if (span() < newStart.secsTo(newEnd) && startValue < from && from < endValue && startValue < to && to < endValue)
        return;

    auto animation = [this](const char* property, const QDateTime& start, const QDateTime& end) {
        auto* a = new QPropertyAnimation(q, property, q);
        a->setDuration(kAnimationMs);
        a->setStartValue(start);
        a->setEndValue(end);
        return a;
    };
    QPropertyAnimation* startAnimation = animation("startValue", startValue, newStart);
    QPropertyAnimation* endAnimation = animation("endValue", endValue, newEnd);
    // Every step writes one bound after the other, and each write puts an inverted range back to the whole day.
    // The bound that moves away from the other is written first, so that the two never cross in between.
    if (endValue < newEnd) {
        endAnimation->start(QAbstractAnimation::DeleteWhenStopped);
        startAnimation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        startAnimation->start(QAbstractAnimation::DeleteWhenStopped);
        endAnimation->start(QAbstractAnimation::DeleteWhenStopped);
    }
    backgroundDirty = true;
}

void TimelinePrivate::normalizeSelection()
{
    if (selectionEnd < selectionStart.addSecs(kMinSelection))
        selectionEnd = selectionStart.addSecs(kMinSelection);
    if (selectionStart.addSecs(kMaxSelection) < selectionEnd)
        selectionEnd = selectionStart.addSecs(kMaxSelection);
    if (selectionStart < date.startOfDay()) {
        selectionStart = date.startOfDay();
        if (selectionEnd < selectionStart.addSecs(kMinSelection))
            selectionEnd = selectionStart.addSecs(kMinSelection);
    }
    if (dayEnd(date) < selectionEnd) {
        selectionEnd = dayEnd(date);
        if (selectionEnd.addSecs(-kMinSelection) < selectionStart)
            selectionStart = selectionEnd.addSecs(-kMinSelection);
    }
}

void TimelinePrivate::setSelectionLength(int length)
{
    if (selectionStart.date() < date)
        selectionStart = date.startOfDay();
    const QTime time = selectionStart.time();
    selectionStart = QDateTime(selectionStart.date(), QTime(time.hour(), time.minute()));
    selectionEnd = selectionStart.addSecs(length);
    if (selectionEnd.date() > date) {
        selectionEnd = dayEnd(date);
        selectionStart = selectionEnd.addSecs(-length);
    }
    qDebug() << "Selection start:" << selectionStart << "; end:" << selectionEnd;
}

bool TimelinePrivate::selectAroundCurrent()
{
    selectionStart = currentValue.addSecs(-150);
    setSelectionLength(300);
    return selectionStart < selectionEnd;
}

bool TimelinePrivate::selectNearRecords()
{
    selectionStart = startValue.addSecs(span() / 2 - 150);
    setSelectionLength(300);
    const QDateTime ref = selectionStart;

    // Forward: the first start at or after the middle, or the middle itself when a record runs through it.
    QDateTime best = ref.addDays(1);
    for (auto it = records.cbegin(); it != records.cend() && best != ref; ++it) {
        for (const TimelineInterval& bar : it.value()) {
            if (bar.start >= ref && bar.start < best)
                best = bar.start;
            else if (bar.start < ref && ref < bar.end)
                best = ref;
            if (best == ref)
                break;
        }
    }
    if (selectionStart <= best && best < selectionEnd)
        return true;
    if (best.date() == date) {
        selectionStart = best;
        setSelectionLength(300);
        return true;
    }

    // Backward: the latest start before the middle.
    const QDateTime anchor = selectionStart;
    best = anchor.addDays(-1);
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        for (const TimelineInterval& bar : it.value()) {
            if (bar.start <= anchor && bar.start > best)
                best = bar.start;
            if (bar.end >= anchor)
                break;
        }
        if (best.secsTo(anchor) <= 300)
            break;
    }
    if (best.date() == date) {
        selectionStart = best;
        setSelectionLength(300);
        return true;
    }
    return false;
}

QDateTime TimelinePrivate::snapTime(const QDateTime& t, int step) const
{
    int grid = step;
    int offset = step / 2;
    if (step <= 0) {
        if (scale.step <= 3600) {
            grid = 5;
            offset = 2;
        } else if (scale.step <= 7200) {
            grid = 15;
            offset = 7;
        } else {
            grid = 30;
            offset = 15;
        }
    }
    int minute = (t.time().minute() + offset) / grid * grid;
    int hour = t.time().hour();
    if (minute > 59) {
        minute -= 60;
        hour += 1;
    }
    if (hour > 23)
        return dayEnd(t.date());
    return QDateTime(t.date(), QTime(hour, minute));
}

void TimelinePrivate::chooseScale(double hours, int labels)
{
    int row;
    if (labels >= 60 * hours + 1)
        row = 0;
    else if (labels >= 12 * hours + 1)
        row = 1;
    else if (labels >= 6 * hours + 1)
        row = 2;
    else if (labels >= 4 * hours + 1)
        row = 3;
    else if (labels >= 2 * hours)
        row = 4;
    else if (labels >= hours)
        row = 5;
    else if (labels >= hours - 16)
        row = 6;
    else
        row = 7;
    scale = kScaleRows[row];
}

void TimelinePrivate::placeCloseButton()
{
    closeButton->move(width() - closeButton->width() - 1, 1);
}

void TimelinePrivate::renderBackground()
{
    ++layerDraws;
    if (background.isNull())
        return;
    background.fill(0);
    QPainter painter(&background);
    painter.setPen(Qt::NoPen);
    const ViewMap map = view();
    // Like a painter's brush, the last one chosen stays for a bar whose type has none.
    const QBrush* brush = nullptr;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (it.key() == activeCamera)
            continue;
        for (const TimelineInterval& bar : it.value())
            drawRecord(painter, map, bar, false, brush);
    }
    const auto active = records.constFind(activeCamera);
    if (active != records.cend()) {
        for (const TimelineInterval& bar : active.value())
            drawRecord(painter, map, bar, true, brush);
    }
    if (searchMode)
        drawSearchResults(painter, map, brush);
}

void TimelinePrivate::drawRecord(QPainter& painter, const ViewMap& map, const TimelineInterval& bar, bool coloured,
                                 const QBrush*& brush) const
{
    const Brushes& b = brushes();
    if (bar.type == kFiller)
        brush = &b.filler;
    else if (!coloured)
        brush = &b.inactive;
    else if (bar.type == 1)
        brush = &b.type1;
    else if (bar.type == 2)
        brush = &b.type2;
    else if (bar.type == 3)
        brush = &b.type3;

    const int x1 = map.x(qMax(bar.startMs, map.startMs));
    int x2 = map.x(qMin(bar.endMs, map.endMs));
    if (x1 > x2)
        return;
    if (x1 == x2 && bar.type != kFiller)
        x2 = x1 + 1;
    if (brush)
        painter.fillRect(x1, 0, x2 - x1, kBarHeight, *brush);
}

void TimelinePrivate::drawSearchResults(QPainter& painter, const ViewMap& map, const QBrush*& brush) const
{
    TimelineInterval filler;
    filler.type = kFiller;
    filler.startMs = date.startOfDay().toMSecsSinceEpoch();
    const qint64 lastMs = dayEnd(date).toMSecsSinceEpoch();
    if (searchResults.isEmpty()) {
        filler.endMs = lastMs;
        drawRecord(painter, map, filler, false, brush);
        return;
    }
    // Only the first camera's results show; white veils the rest of the day.
    const auto first = searchResults.cbegin();
    const bool coloured = first.key() == activeCamera;
    const QList<TimelineInterval>& results = first.value();
    filler.endMs = results.first().startMs;
    for (int i = 0; i < results.size(); ++i) {
        drawRecord(painter, map, results.at(i), coloured, brush);
        drawRecord(painter, map, filler, coloured, brush);
        filler.startMs = results.at(i).endMs;
        filler.endMs = i + 1 < results.size() ? results.at(i + 1).startMs : lastMs;
    }
    drawRecord(painter, map, filler, coloured, brush);
}

void TimelinePrivate::drawScale(QPainter& painter)
{
    QFont font = q->font();
    font.setPointSize(9);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    int labelWidth = 20;
    if (timeFormat == Timeline::Full)
        labelWidth = metrics.horizontalAdvance(QStringLiteral(" 00:00 "));
    else if (timeFormat == Timeline::HourOnly)
        labelWidth = metrics.horizontalAdvance(QStringLiteral("00"));
    const ViewMap map = view();
    chooseScale(map.span / 3600.0, map.usable / qMax(1, labelWidth));

    QString endLabel = QString::number(endValue.time().hour() + 1);
    QString format;
    if (scale.step < 3600) {
        format = QStringLiteral("HH:mm");
        endLabel += QLatin1String(":00");
        labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00"));
    } else {
        format = QStringLiteral("HH");
        labelWidth = metrics.horizontalAdvance(QStringLiteral("00"));
    }

    const QPen tickPen(QColor(70, 70, 70, 255), 0.9);
    const QPen labelPen(QColor(30, 30, 30, 255), 1);
    auto drawTick = [&](int x, int length) {
        painter.setPen(tickPen);
        painter.drawLine(x, 0, x, length);
    };
    auto drawLabel = [&](int x, const QString& label) {
        painter.setPen(labelPen);
        painter.drawText(QPoint(x - labelWidth / 2, 18), label);
    };

    const QDateTime first(startValue.date(), QTime(startValue.time().hour(), 0));
    const qint64 firstMs = first.toMSecsSinceEpoch();
    const QDateTime lastMinute(first.date(), QTime(23, 59));
    const qint64 lastMinuteMs = lastMinute.toMSecsSinceEpoch();
    const qint64 interval = 3600 / scale.ticksPerHour;
    const qint64 count = first.secsTo(endValue) / interval;
    for (qint64 i = 0; i <= count; ++i) {
        const qint64 tickMs = firstMs + i * interval * 1000;
        if (tickMs > map.endMs)
            break;
        const int x = map.x(tickMs);
        if (x < kMargin)
            continue;
        int length = 0;
        if (i % scale.majorEvery == 0)
            length = 6;
        else if (scale.mediumEvery == 0 || i % scale.mediumEvery == 0)
            length = 4;
        else if (scale.minorEvery <= 0 || i % scale.minorEvery == 0)
            length = 3;
        if (length > 0)
            drawTick(x, length);
        if (i % scale.labelEvery == 0)
            drawLabel(x, tickMs >= lastMinuteMs ? endLabel : QDateTime::fromMSecsSinceEpoch(tickMs).toString(format));
    }
    if (endValue == dayEnd(first.date())) {
        const int x = map.x(map.endMs);
        drawTick(x, 6);
        drawLabel(x, endLabel);
    }
}

void TimelinePrivate::drawSearchText(QPainter& painter) const
{
    painter.setPen(QColor(127, 127, 127, 240));
    const QFont font = painter.font();
    QFont larger = font;
    larger.setPointSizeF(font.pointSizeF() + 1);
    painter.setFont(larger);
    painter.drawText(QRect(QPoint(kMargin, 8), QPoint(width() - 16, 47)), Qt::AlignCenter, searchText);
    painter.setFont(font);
}

void TimelinePrivate::drawCurrentMarker(QPainter& painter) const
{
    if (!currentValue.isValid() || endValue < currentValue)
        return;
    painter.setPen(QPen(QColor(255, 165, 0, 255), 2));
    const int x = timeToX(currentValue);
    painter.drawLine(x, 0, x, q->height());
    painter.drawImage(x - footerImage.width() / 2, q->height() - footerImage.height(), footerImage);
}

void TimelinePrivate::drawStatusText(QPainter& painter) const
{
    painter.setPen(QColor(80, 80, 80, 255));
    const QString repeated = QStringLiteral("%1     %1     %1     %1     %1     %1    %1    %1    %1").arg(text);
    painter.drawText(QRect(QPoint(kMargin, 5), QPoint(width() - 16, 44)), Qt::AlignCenter, repeated);
}

void TimelinePrivate::drawSelection(QPainter& painter) const
{
    QPen band(QColor(255, 165, 0, 127), kBarHeight);
    band.setCapStyle(Qt::FlatCap);
    const int xs = timeToX(qMax(selectionStart, startValue));
    int xe = timeToX(qMin(selectionEnd, endValue));
    if (xs > xe)
        return;
    if (xs == xe)
        xe = xs + 1;
    painter.setPen(band);
    painter.drawLine(xs, 18, xe, 18);

    const int height = q->height();
    painter.setPen(QPen(QColor(255, 165, 0, 255), 1));
    if (!(selectionStart < startValue)) {
        painter.drawImage(xs - selectionStartImage.width(), height + 2 - selectionStartImage.height(),
                          selectionStartImage);
        painter.drawLine(xs, 0, xs, height);
    }
    if (!(endValue < selectionEnd)) {
        painter.drawImage(xe, height + 2 - selectionEndImage.height(), selectionEndImage);
        painter.drawLine(xe, 0, xe, height);
    }
}

void TimelinePrivate::updateCursor(int x, bool leftHeld)
{
    Qt::CursorShape shape;
    const int xs = timeToX(selectionStart);
    const int xe = timeToX(selectionEnd);
    if (selectionVisible && (std::abs(x - xs) < kHandleReach || std::abs(x - xe) < kHandleReach)) {
        shape = Qt::SplitHCursor;
        overSelection = true;
    } else if (selectionVisible && xs < x && x < xe) {
        shape = leftHeld ? Qt::ClosedHandCursor : Qt::OpenHandCursor;
        overSelection = true;
    } else {
        overSelection = false;
        const QDateTime t = xToTime(x);
        if (startValue <= t && t <= endValue)
            shape = leftHeld ? Qt::ClosedHandCursor : Qt::PointingHandCursor;
        else
            shape = Qt::ArrowCursor;
    }
    if (q->cursor().shape() != shape)
        q->setCursor(shape);
}

void TimelinePrivate::grabSelection(int x)
{
    if (!(9 < x && x <= width() - 10))
        return;
    const int xs = timeToX(selectionStart);
    const int xe = timeToX(selectionEnd);
    if (std::abs(x - xs) < kHandleReach) {
        dragStartHandle = true;
        dragAnchor = selectionStart;
    } else if (std::abs(x - xe) < kHandleReach) {
        dragEndHandle = true;
        dragAnchor = selectionEnd;
    } else if (xs < x && x < xe) {
        dragSelection = true;
        dragAnchor = xToTime(x);
    }
}

void TimelinePrivate::dragSelectionTo(int x, const QPoint& globalPos)
{
    QDateTime t = xToTime(x);
    int xt = x;
    const QDateTime first = date.startOfDay();
    const QDateTime last = dayEnd(date);
    if (!(first < t && t < last)) {
        t = t <= first ? first : last;
        xt = timeToX(t);
    }

    auto snapsWithin = [&](const QDateTime& snapped, int reach, const QDateTime& from, const QDateTime& to) {
        const qint64 length = from.secsTo(to);
        return std::abs(timeToX(snapped) - xt) < reach && kMinSelection <= length && length <= kMaxSelection;
    };

    bool moveWhole = dragSelection && !dragStartHandle && !dragEndHandle;
    if (moveWhole)
        QToolTip::showText(globalPos, t.toString(Qt::TextDate), q);
    if (dragEndHandle) {
        if (selectionStart.addSecs(kMinSelection) <= t && t <= selectionStart.addSecs(kMaxSelection)) {
            dragStartHandle = false;
            dragSelection = false;
            selectionEnd = t;
            const QDateTime snapped = snapTime(selectionEnd, 0);
            if (snapsWithin(snapped, 7, selectionStart, snapped))
                selectionEnd = snapped;
            QToolTip::showText(globalPos, selectionEnd.toString(Qt::TextDate), q);
            q->update();
            return;
        }
        if (!dragSelection) {
            dragSelection = true;
            dragAnchor = selectionEnd;
        }
    } else if (dragStartHandle) {
        if (selectionEnd.addSecs(-kMaxSelection) <= t && t <= selectionEnd.addSecs(-kMinSelection)) {
            dragEndHandle = false;
            dragSelection = false;
            selectionStart = t;
            const QDateTime snapped = snapTime(selectionStart, 0);
            if (snapsWithin(snapped, 6, snapped, selectionEnd))
                selectionStart = snapped;
            QToolTip::showText(globalPos, selectionStart.toString(Qt::TextDate), q);
            q->update();
            return;
        }
        if (!dragSelection) {
            dragSelection = true;
            dragAnchor = selectionStart;
        }
    }

    const qint64 delta = dragAnchor.secsTo(t);
    selectionStart = selectionStart.addSecs(delta);
    selectionEnd = selectionEnd.addSecs(delta);
    dragAnchor = t;
    normalizeSelection();
    q->update();
}

} // namespace Internal

Timeline::Timeline(const QDate& date, QWidget* parent) : QWidget(parent), d(new Internal::TimelinePrivate(this))
{
    qRegisterAnimationInterpolator<QDateTime>(Internal::interpolateDateTime);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_MouseTracking);
    d->date = date;
    d->startValue = date.startOfDay();
    d->endValue = Internal::dayEnd(date);
    d->selectionStart = date.startOfDay();
    d->selectionEnd = d->selectionStart;
    d->dragAnchor = d->selectionStart;
    d->background = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    d->background.fill(0);
    d->placeCloseButton();
}

Timeline::~Timeline() = default;

Timeline::TimeFormat Timeline::timeFormat() const
{
    return TimeFormat(d->timeFormat);
}

void Timeline::setTimeFormat(TimeFormat format)
{
    d->timeFormat = format;
}

QDateTime Timeline::currentValue() const
{
    return d->currentValue;
}

void Timeline::setCurrentValue(const QDateTime& value)
{
    d->currentValue = value;
    update();
}

QDateTime Timeline::startValue() const
{
    return d->startValue;
}

void Timeline::setStartValue(const QDateTime& value)
{
    d->startValue = value;
    d->clampView();
    d->layerChanged();
}

QDateTime Timeline::endValue() const
{
    return d->endValue;
}

void Timeline::setEndValue(const QDateTime& value)
{
    d->endValue = value;
    d->clampView();
    d->layerChanged();
}

bool Timeline::sliderVisible() const
{
    return d->sliderVisible;
}

void Timeline::setSliderVisible(bool visible)
{
    d->sliderVisible = visible;
    update();
}

void Timeline::setDate(const QDate& date)
{
    if (!date.isValid()) {
        qDebug() << "Timeline: invalid date ignored:" << date;
        return;
    }
    d->date = date;
    d->startValue = QDateTime(date, d->startValue.time());
    d->endValue = QDateTime(date, d->endValue.time());
    d->clampView();
    d->backgroundDirty = true;
}

void Timeline::clearRecords()
{
    d->records.clear();
    d->layerChanged();
}

void Timeline::addRecord(const Core::camera_global_id_t& camera, const QDateTime& start, const QDateTime& end, int type,
                         bool searchResult)
{
    if (!start.isValid() || !end.isValid()) {
        qDebug().noquote() << "Timeline: record with an invalid time ignored:" << Core::globalIdText(camera);
        return;
    }
    if (end < start)
        return;
    Internal::TimelineInterval bar;
    bar.start = start;
    bar.end = end;
    bar.type = type;
    bar.startMs = start.toMSecsSinceEpoch();
    bar.endMs = end.toMSecsSinceEpoch();
    (searchResult ? d->searchResults : d->records)[camera].append(bar);
    d->backgroundDirty = true;
}

void Timeline::removeRecords(const Core::camera_global_id_t& camera)
{
    d->records.remove(camera);
    d->layerChanged();
}

void Timeline::removeSearchResults(const Core::camera_global_id_t& camera)
{
    d->searchResults.remove(camera);
    d->layerChanged();
}

void Timeline::setActiveCamera(const Core::camera_global_id_t& camera)
{
    d->activeCamera = camera;
    d->layerChanged();
}

void Timeline::setSearchMode(bool on)
{
    d->searchMode = on;
    d->closeButton->setVisible(on);
    d->placeCloseButton();
    d->layerChanged();
}

void Timeline::setSearchText(const QString& text)
{
    d->searchText = text;
    update();
}

QDateTime Timeline::selectionStart() const
{
    return d->selectionStart;
}

QDateTime Timeline::selectionEnd() const
{
    return d->selectionEnd;
}

void Timeline::clearSelection()
{
    d->selectionVisible = false;
    d->dragStartHandle = false;
    d->dragEndHandle = false;
    d->dragSelection = false;
    d->overSelection = false;
    update();
}

bool Timeline::showSelection(bool aroundCurrent, bool keepExisting)
{
    if (d->records.isEmpty())
        return false;
    if (!(keepExisting && d->selectionStart.date() == d->date)) {
        if (!(aroundCurrent ? d->selectAroundCurrent() : d->selectNearRecords()))
            return false;
    }
    d->selectionVisible = true;
    d->animateTo(d->selectionStart, d->selectionEnd, false);
    update();
    return true;
}

void Timeline::showRange(const QDateTime& from, const QDateTime& to)
{
    if (from.isValid() && to.isValid() && from < to)
        d->animateTo(from, to, true);
}

int Timeline::timeToX(const QDateTime& time) const
{
    return d->timeToX(time);
}

QDateTime Timeline::xToTime(int x) const
{
    return d->xToTime(x);
}

QDateTime Timeline::snapTime(const QDateTime& time, int step) const
{
    return d->snapTime(time, step);
}

int Timeline::scaleStep() const
{
    return d->scale.step;
}

int Timeline::layerDraws() const
{
    return d->layerDraws;
}

void Timeline::addMSecs(qint64 msecs)
{
    if (msecs < Internal::lastRunningMSecs)
        Internal::lastRunningMSecs = 0;
    d->currentValue = d->currentValue.addMSecs(msecs - Internal::lastRunningMSecs);
    Internal::lastRunningMSecs = msecs;
    update();
}

void Timeline::zoomIn()
{
    d->zoom(1, d->xToTime(width() / 2));
    d->layerChanged();
}

void Timeline::zoomOut()
{
    d->zoom(-1, d->xToTime(width() / 2));
    d->layerChanged();
}

void Timeline::scrollLeft()
{
    d->scroll(Internal::kNotch);
    d->layerChanged();
}

void Timeline::scrollRight()
{
    d->scroll(-Internal::kNotch);
    d->layerChanged();
}

void Timeline::showText(QString text)
{
    d->text = text;
    d->textVisible = true;
    update();
}

void Timeline::hideText()
{
    d->textVisible = false;
    update();
}

void Timeline::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int x = int(event->position().x());
    if (!d->selectionVisible || !d->overSelection) {
        d->pressX = x;
        d->lastX = x;
        d->pressed = true;
        d->pressTime.start();
    } else {
        d->grabSelection(x);
    }
}

void Timeline::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Only a press that started a pan can end in a click; a press on the selection leaves the click state stale.
    const bool panPress = d->pressed;
    d->pressed = false;
    d->dragStartHandle = false;
    d->dragEndHandle = false;
    d->dragSelection = false;
    const int x = int(event->position().x());
    if (panPress && std::abs(d->lastX - d->pressX) < 4 && d->pressTime.elapsed() < Internal::kClickMs &&
        Internal::kMargin <= x && x <= width() - Internal::kMargin) {
        d->currentValue = d->xToTime(x);
        qDebug() << "current time:" << d->currentValue;
        update();
        emit playTime(d->currentValue);
    }
}

void Timeline::mouseMoveEvent(QMouseEvent* event)
{
    const int x = int(event->position().x());
    d->updateCursor(x, event->buttons().testFlag(Qt::LeftButton));
    if (d->selectionVisible && (d->dragStartHandle || d->dragEndHandle || d->dragSelection)) {
        d->dragSelectionTo(x, event->globalPosition().toPoint());
    } else if (!d->pressed) {
        if (Internal::kMargin <= x && x <= width() - Internal::kMargin)
            QToolTip::showText(event->globalPosition().toPoint(),
                               d->xToTime(x).toString(QStringLiteral("hh:mm:ss dd.MM.yyyy")), this);
    } else if (d->pan(x)) {
        d->layerChanged();
    }
}

void Timeline::wheelEvent(QWheelEvent* event)
{
    const int x = int(event->position().x());
    // Fine-grained wheels send parts of a notch; they count once they add up to a whole one.
    d->wheelRemainder += event->angleDelta().y();
    const int notches = d->wheelRemainder / Internal::kNotch;
    d->wheelRemainder -= notches * Internal::kNotch;
    if (notches != 0) {
        if (event->modifiers() == Qt::ControlModifier) {
            for (int i = 0; i < std::abs(notches); ++i)
                d->scroll(notches > 0 ? Internal::kNotch : -Internal::kNotch);
            d->backgroundDirty = true;
            d->updateCursor(x, false);
        } else {
            QDateTime centre = d->xToTime(x);
            if (centre.date() < d->date)
                centre = d->date.startOfDay();
            else if (centre.date() > d->date)
                centre = QDateTime(d->date, QTime(23, 59));
            // The strips at the ends zoom around the ends of the view, so that the day's ends can be reached.
            if (x > Internal::kMargin) {
                if (x >= width() - 2 * Internal::kMargin)
                    centre = d->endValue;
            } else {
                centre = d->startValue;
            }
            if (d->zoom(notches, centre)) {
                d->backgroundDirty = true;
                d->updateCursor(x, false);
            }
        }
    }
    update();
    event->accept();
}

void Timeline::paintEvent(QPaintEvent*)
{
    if (!isVisible())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (d->backgroundDirty) {
        d->renderBackground();
        d->backgroundDirty = false;
    }
    painter.drawImage(0, 0, d->background);
    d->drawScale(painter);
    if (d->searchMode)
        d->drawSearchText(painter);
    if (d->sliderVisible)
        d->drawCurrentMarker(painter);
    if (d->textVisible)
        d->drawStatusText(painter);
    if (d->selectionVisible)
        d->drawSelection(painter);
}

void Timeline::resizeEvent(QResizeEvent*)
{
    d->background = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    d->backgroundDirty = true;
    if (d->searchMode)
        d->placeCloseButton();
    update();
}

void Timeline::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}

} // namespace GUI
} // namespace QuorvelClient
