#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

class QProcess;

namespace TestSupport {

// An X server of the test's own (Xvfb, 1920 x 1080) for the real program's windows, driven with xdotool; with no
// window manager, keys go to the window under the pointer.
class VirtualScreen
{
public:
    VirtualScreen();
    ~VirtualScreen();

    // False when Xvfb or xdotool is missing or the server does not come up.
    bool start();
    QString display() const { return m_display; }

    // Ids of the shown windows whose title matches the regular expression.
    QStringList windows(const QString& titlePattern) const;
    // Titles of all shown windows, for a failing test to tell what the screen held.
    QStringList titles() const;
    // Waits, serving the test's own event loop, until a window with that title is shown (or none is).
    bool waitForWindow(const QString& titlePattern, bool shown = true, int timeoutMs = 20000) const;
    QRect geometry(const QString& windowId) const;
    // Moves the pointer into the window, focuses it and presses the key (xdotool's names: "Return", "Escape").
    void key(const QString& windowId, const QString& key) const;
    // The system's environment for a Qt program that is to show its windows on this screen.
    QProcessEnvironment environment() const;
    // The whole screen, grabbed by a Qt program on the display; null when it fails.
    QImage grab() const;

private:
    QString xdotool(const QStringList& arguments) const;

    QProcess* m_server = nullptr;
    QString m_display;
};

} // namespace TestSupport
