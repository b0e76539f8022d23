#include "support/VirtualScreen.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace TestSupport {

namespace {

// The system's X server and xdotool run without a sanitizer runtime the tests may preload.
QProcessEnvironment toolEnvironment(const QString& display)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("LD_PRELOAD"));
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    return env;
}

} // namespace

VirtualScreen::VirtualScreen() = default;

VirtualScreen::~VirtualScreen()
{
    if (m_server) {
        m_server->terminate();
        if (!m_server->waitForFinished(5000))
            m_server->kill();
        m_server->waitForFinished(5000);
        delete m_server;
    }
}

bool VirtualScreen::start()
{
    if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return false;
    m_server = new QProcess;
    m_server->setProcessEnvironment(toolEnvironment(QString()));
    // Xvfb picks a free display and writes its number to the descriptor it is given. Without -noreset it resets
    // whenever its last client leaves, as every xdotool call does, and drops a program connecting meanwhile.
    m_server->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                     QStringLiteral("1920x1080x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                     QStringLiteral("-noreset")});
    if (!m_server->waitForStarted(10000))
        return false;
    QByteArray number;
    const QDeadlineTimer deadline(20000);
    while (!number.endsWith('\n') && !deadline.hasExpired() && m_server->state() == QProcess::Running) {
        m_server->waitForReadyRead(100);
        number += m_server->readAllStandardOutput();
    }
    if (!number.endsWith('\n'))
        return false;
    m_display = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    return true;
}

QString VirtualScreen::xdotool(const QStringList& arguments) const
{
    QProcess process;
    process.setProcessEnvironment(toolEnvironment(m_display));
    process.start(QStringLiteral("xdotool"), arguments);
    process.waitForFinished(10000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QStringList VirtualScreen::windows(const QString& titlePattern) const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList VirtualScreen::titles() const
{
    return xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                    QStringLiteral("."), QStringLiteral("getwindowname"), QStringLiteral("%@")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool VirtualScreen::waitForWindow(const QString& titlePattern, bool shown, int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (windows(titlePattern).isEmpty() != shown)
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(20);
    }
    return false;
}

QRect VirtualScreen::geometry(const QString& windowId) const
{
    // "WINDOW=…\nX=…\nY=…\nWIDTH=…\nHEIGHT=…\nSCREEN=…"
    QMap<QString, int> values;
    for (const QString& line :
         xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), windowId}).split(QLatin1Char('\n')))
        values.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1).toInt());
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

void VirtualScreen::key(const QString& windowId, const QString& key) const
{
    // With no window manager the key goes to the focused window, or the one under the pointer: make it both.
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), windowId, QStringLiteral("10"),
             QStringLiteral("10"), QStringLiteral("windowfocus"), QStringLiteral("--sync"), windowId,
             QStringLiteral("key"), key});
}

QProcessEnvironment VirtualScreen::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

QImage VirtualScreen::grab() const
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("screen.png"));
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(QUORVEL_GRABSCREEN_BINARY), {path});
    process.waitForFinished(20000);
    return QImage(path);
}

} // namespace TestSupport
