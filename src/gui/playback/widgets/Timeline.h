#pragma once

#include "core/Camera.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QWidget>

#include <memory>

namespace QuorvelClient {
namespace GUI {

namespace Internal {
class TimelinePrivate;
}

// One day of archive: the records of each camera as bars (the active camera's in colour on top), a scale, the
// playback marker, a status text, the zone search display and a selection of 1 minute to 2 hours. The user zooms,
// scrolls and pans the visible part of the day, clicks a time to play it and reshapes the selection.
class Timeline : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(TimeFormat timeFormat READ timeFormat WRITE setTimeFormat)
    Q_PROPERTY(QDateTime currentValue READ currentValue WRITE setCurrentValue)
    Q_PROPERTY(QDateTime startValue READ startValue WRITE setStartValue)
    Q_PROPERTY(QDateTime endValue READ endValue WRITE setEndValue)
    Q_PROPERTY(bool sliderVisible READ sliderVisible WRITE setSliderVisible)
public:
    // Fixed underlying type: a caller may set a value outside the enumerators (its labels measure 20 px).
    enum TimeFormat : int { Full = 0, HourOnly = 1 };
    Q_ENUM(TimeFormat)

    explicit Timeline(const QDate& date, QWidget* parent = nullptr);
    ~Timeline() override;

    TimeFormat timeFormat() const;
    void setTimeFormat(TimeFormat format);
    QDateTime currentValue() const;
    void setCurrentValue(const QDateTime& value);
    QDateTime startValue() const;
    void setStartValue(const QDateTime& value);
    QDateTime endValue() const;
    void setEndValue(const QDateTime& value);
    bool sliderVisible() const;
    void setSliderVisible(bool visible);

    void setDate(const QDate& date);
    void clearRecords();
    void addRecord(const Core::camera_global_id_t& camera, const QDateTime& start, const QDateTime& end, int type,
                   bool searchResult);
    void removeRecords(const Core::camera_global_id_t& camera);
    void removeSearchResults(const Core::camera_global_id_t& camera);
    void setActiveCamera(const Core::camera_global_id_t& camera);
    void setSearchMode(bool on);
    void setSearchText(const QString& text);

    QDateTime selectionStart() const;
    QDateTime selectionEnd() const;
    void clearSelection();
    // Places a 5-minute selection around the playback time or at archive near the middle of the view (or keeps
    // the one of the shown day) and moves the view to it; false, showing nothing, without archive on the day.
    bool showSelection(bool aroundCurrent, bool keepExisting);
    // Moves the view, animated, to a range a little wider than from..to.
    void showRange(const QDateTime& from, const QDateTime& to);

    // The x of a time and the time at an x; both truncate.
    int timeToX(const QDateTime& time) const;
    QDateTime xToTime(int x) const;
    // The time on the nearest line of a grid of `step` minutes, or of the scale's grid for 0.
    QDateTime snapTime(const QDateTime& time, int step = 0) const;
    // The scale's step in seconds, as chosen by the last paint.
    int scaleStep() const;
    // How many times the layer of bars has been drawn.
    int layerDraws() const;

signals:
    void playTime(QDateTime time);
    void closeZone();

public slots:
    void addMSecs(qint64 msecs);
    void zoomIn();
    void zoomOut();
    void scrollLeft();
    void scrollRight();
    void showText(QString text);
    void hideText();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    std::unique_ptr<Internal::TimelinePrivate> d;
};

} // namespace GUI
} // namespace QuorvelClient
