#pragma once

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

namespace TestSupport {

// Starts of the real program in a folder of its own: its working directory, config home, HOME and temp folder.
class ClientRun
{
public:
    explicit ClientRun(const QString& name, const QStringList& extraEnv = {});
    ~ClientRun();

    QString workDir() const;
    QString tmpDir() const;
    QString configHome() const;
    QString oldDir() const;
    QString oldSettings() const;
    QString logPath() const;
    QString iniPath() const;

    // The program runs on this X display instead of the offscreen platform.
    void setDisplay(const QString& display);
    // Runs in the program's process before it starts.
    void setChildSetup(const std::function<void()>& setup) { m_childSetup = setup; }
    // The program is started through this command, the program's path appended to it.
    void setWrapper(const QStringList& command);

    QProcess* start();
    // Starts the program and waits for the line it writes last at start-up (the engine's arguments, logged once the
    // sign-in dialog shows, or the language when the dialog is not reached).
    bool startAndWait(const QString& lastLine = QStringLiteral("argsCounter:"));
    // Waits, serving the test's own event loop, until the log holds `text` `count` times; false once the program
    // has ended or `timeoutMs` passed.
    bool waitForLog(const QString& text, int timeoutMs = 20000, int count = 1);
    // The running program, or null.
    QProcess* process() const;
    bool isRunning() const;

    QString log() const;
    // The time stamp of the first log line holding `text`, in ms since the epoch; -1 when there is none.
    qint64 logTime(const QString& text) const;
    void stop();

    void writeOldSettings(const QByteArray& content);
    static void writeFile(const QString& path, const QByteArray& content);
    static QByteArray readFile(const QString& path);

private:
    QString m_root;
    QProcessEnvironment m_env;
    QStringList m_wrapper;
    std::function<void()> m_childSetup;
    QList<QProcess*> m_processes;
};

} // namespace TestSupport
