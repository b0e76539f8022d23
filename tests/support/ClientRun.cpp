#include "support/ClientRun.h"

#include "support/TestEnvironment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace TestSupport {

ClientRun::ClientRun(const QString& name, const QStringList& extraEnv)
    : m_root(rootDir() + QStringLiteral("/runs/") + name)
{
    QDir().mkpath(workDir());
    QDir().mkpath(configHome());
    QDir().mkpath(tmpDir());
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
    m_env.insert(QStringLiteral("HOME"), m_root);
    m_env.insert(QStringLiteral("TMPDIR"), tmpDir());
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_env.insert(QStringLiteral("LANG"), QStringLiteral("en_US.UTF-8"));
    m_env.remove(QStringLiteral("LC_ALL"));
    m_env.remove(QStringLiteral("LC_MESSAGES"));
    for (const QString& entry : extraEnv)
        m_env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
}

ClientRun::~ClientRun()
{
    stop();
}

QString ClientRun::workDir() const
{
    return m_root + QStringLiteral("/work");
}

QString ClientRun::tmpDir() const
{
    return m_root + QStringLiteral("/tmp");
}

QString ClientRun::configHome() const
{
    return m_root + QStringLiteral("/config");
}

QString ClientRun::oldDir() const
{
    return configHome() + QStringLiteral("/TarnwellLabs");
}

QString ClientRun::oldSettings() const
{
    return oldDir() + QStringLiteral("/QuorvelClient.ini");
}

QString ClientRun::logPath() const
{
    return workDir() + QStringLiteral("/quorvel_client_log.txt");
}

QString ClientRun::iniPath() const
{
    return workDir() + QStringLiteral("/QuorvelClient.ini");
}

void ClientRun::setDisplay(const QString& display)
{
    m_env.insert(QStringLiteral("DISPLAY"), display);
    m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
}

void ClientRun::setWrapper(const QStringList& command)
{
    m_wrapper = command;
}

QProcess* ClientRun::start()
{
    auto* process = new QProcess;
    process->setWorkingDirectory(workDir());
    process->setProcessEnvironment(m_env);
    process->setProcessChannelMode(QProcess::MergedChannels);
    if (m_childSetup)
        process->setChildProcessModifier(m_childSetup);
    const QString client = QStringLiteral(QUORVEL_CLIENT_BINARY);
    if (m_wrapper.isEmpty())
        process->start(client, {});
    else
        process->start(m_wrapper.first(), m_wrapper.mid(1) << client);
    m_processes << process;
    return process;
}

bool ClientRun::startAndWait(const QString& lastLine)
{
    QProcess* process = start();
    if (!process->waitForStarted(10000))
        return false;
    for (int i = 0; i < 300; ++i) {
        if (log().contains(lastLine))
            return true;
        if (process->state() == QProcess::NotRunning)
            return false;
        process->waitForFinished(100);
    }
    return false;
}

bool ClientRun::waitForLog(const QString& text, int timeoutMs, int count)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (log().count(text) >= count)
            return true;
        if (!isRunning())
            return log().count(text) >= count;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return false;
}

QProcess* ClientRun::process() const
{
    return m_processes.isEmpty() ? nullptr : m_processes.last();
}

bool ClientRun::isRunning() const
{
    QProcess* last = process();
    return last && last->state() != QProcess::NotRunning;
}

QString ClientRun::log() const
{
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

qint64 ClientRun::logTime(const QString& text) const
{
    for (const QString& line : log().split(QLatin1Char('\n'))) {
        if (!line.contains(text))
            continue;
        // "dd.MM.yyyy hh:mm::ss.zzz ", after a "Warning: " or similar label when there is one.
        const int at = line.indexOf(QRegularExpression(QStringLiteral("\\d\\d\\.\\d\\d\\.\\d{4} ")));
        const QDateTime time = QDateTime::fromString(line.mid(at, 24), QStringLiteral("dd.MM.yyyy hh:mm::ss.zzz"));
        return time.isValid() ? time.toMSecsSinceEpoch() : -1;
    }
    return -1;
}

void ClientRun::stop()
{
    for (QProcess* process : std::as_const(m_processes)) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(5000)) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        delete process;
    }
    m_processes.clear();
}

void ClientRun::writeOldSettings(const QByteArray& content)
{
    QDir().mkpath(oldDir());
    writeFile(oldSettings(), content);
}

void ClientRun::writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray ClientRun::readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace TestSupport
