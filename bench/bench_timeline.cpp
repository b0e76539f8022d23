// The day timeline with 9 cameras of 1,440 one-minute records each (12,960 bars) on a shown 1,200 x 40 timeline:
// a redraw of the bars' layer at the whole-day view, a pan step at a 2-hour view, a clean repaint after the marker
// moved, adding one camera's records, and the layer draws that hovering costs. Against them the bare fill of the
// whole-day view's 12,960 rectangles, precomputed, with the same brushes into a premultiplied image.
#include "gui/playback/widgets/Timeline.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

using QuorvelClient::GUI::Timeline;

namespace {

const QDate kDay(2024, 5, 15);
const int kCameras = 9;
const int kRecords = 1440;
const int kSteps = 60;

QuorvelClient::Core::camera_global_id_t cameraId(int i)
{
    return {QStringLiteral("server"), i};
}

// Milliseconds of one call.
template <typename Step> double timed(Step step)
{
    QElapsedTimer timer;
    timer.start();
    step();
    return timer.nsecsElapsed() / 1e6;
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The median milliseconds of kSteps steps.
template <typename Step> double median(Step step)
{
    std::vector<double> times;
    for (int i = 0; i < kSteps; ++i)
        times.push_back(timed([&] { step(i); }));
    return median(times);
}

struct Minutes
{
    std::vector<QDateTime> starts;
    std::vector<QDateTime> ends;
    Minutes()
    {
        for (int m = 0; m < kRecords; ++m) {
            starts.push_back(kDay.startOfDay().addSecs(m * 60));
            ends.push_back(starts.back().addSecs(59));
        }
    }
};

void addCamera(Timeline& line, int camera, const Minutes& minutes)
{
    for (int m = 0; m < kRecords; ++m)
        line.addRecord(cameraId(camera), minutes.starts[m], minutes.ends[m], 1, false);
}

void mouse(Timeline& line, QEvent::Type type, int x, Qt::MouseButtons buttons)
{
    const QPointF pos(x, 20);
    QMouseEvent event(type, pos, line.mapToGlobal(pos), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      buttons, Qt::NoModifier);
    QApplication::sendEvent(&line, &event);
}

QBrush gradient(const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 0, 0, 40);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return QBrush(g);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Timeline line(kDay);
    line.resize(1200, 40);
    line.show();
    app.processEvents();
    const Minutes minutes;
    for (int c = 0; c < kCameras; ++c)
        addCamera(line, c, minutes);
    line.setActiveCamera(cameraId(0));
    line.setSliderVisible(true);
    line.setCurrentValue(kDay.startOfDay().addSecs(12 * 3600));
    line.repaint();

    // The 12,960 rectangles of the whole-day view, filled bare; the last camera's stand for the active one's.
    const QBrush pink = gradient(QColor(255, 192, 203, 220), QColor(255, 152, 163, 255));
    const QBrush blue = gradient(QColor(165, 225, 255, 255), QColor(110, 170, 255, 255));
    std::vector<std::pair<QRect, const QBrush*>> rects;
    for (int c = 0; c < kCameras; ++c) {
        for (int m = 0; m < kRecords; ++m) {
            const int x1 = line.timeToX(minutes.starts[m]);
            const int x2 = std::max(line.timeToX(minutes.ends[m]), x1 + 1);
            rects.emplace_back(QRect(x1, 0, x2 - x1, 40), c == kCameras - 1 ? &blue : &pink);
        }
    }
    QImage image(line.size(), QImage::Format_ARGB32_Premultiplied);

    // The layer redrawn as after a reply or a change of the active camera, in turns with the bare fill, so that
    // the machine's load weighs on both alike.
    std::vector<double> redraws;
    std::vector<double> fills;
    for (int i = 0; i < kSteps; ++i) {
        redraws.push_back(timed([&] {
            line.setActiveCamera(cameraId(i % kCameras));
            line.repaint();
        }));
        fills.push_back(timed([&] {
            image.fill(0);
            QPainter painter(&image);
            painter.setPen(Qt::NoPen);
            for (const auto& r : rects)
                painter.fillRect(r.first, *r.second);
        }));
    }
    const double redraw = median(redraws);
    const double fill = median(fills);

    const double marker = median([&](int i) {
        line.setCurrentValue(kDay.startOfDay().addSecs(12 * 3600 + i));
        line.repaint();
    });

    line.setStartValue(kDay.startOfDay().addSecs(10 * 3600));
    line.setEndValue(kDay.startOfDay().addSecs(12 * 3600));
    line.repaint();
    mouse(line, QEvent::MouseButtonPress, 600, Qt::LeftButton);
    int x = 600;
    const double pan = median([&](int i) {
        x += (i / 10) % 2 ? 5 : -5;
        mouse(line, QEvent::MouseMove, x, Qt::LeftButton);
        line.repaint();
    });
    // Released away from the press, so that the pan is no click.
    mouse(line, QEvent::MouseMove, x + 40, Qt::LeftButton);
    mouse(line, QEvent::MouseButtonRelease, x + 40, Qt::NoButton);

    const double add = median([&](int) {
        line.removeRecords(cameraId(kCameras));
        addCamera(line, kCameras, minutes);
    });
    line.repaint();

    const int drawsBefore = line.layerDraws();
    for (int i = 0; i < 100; ++i) {
        mouse(line, QEvent::MouseMove, 20 + i * 11, Qt::NoButton);
        app.processEvents();
    }
    const int hoverDraws = line.layerDraws() - drawsBefore;

    std::printf("%-48s %10s\n", "step (12,960 bars, 1200 x 40, medians)", "ms");
    std::printf("%-48s %10.3f\n", "layer redraw, whole day", redraw);
    std::printf("%-48s %10.3f\n", "pan step, 2-hour view", pan);
    std::printf("%-48s %10.3f\n", "clean repaint after a marker move", marker);
    std::printf("%-48s %10.3f\n", "adding 1,440 records to one camera", add);
    std::printf("%-48s %10d\n", "layer draws in 100 hover moves", hoverDraws);
    std::printf("%-48s %10.3f\n", "bare fill of the whole day's rectangles", fill);
    std::printf("ratio: %.2f\n", redraw / fill);
    return 0;
}
