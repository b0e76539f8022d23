#include "support/PeerNameProbe.h"

#include "support/TestEnvironment.h"

#include <QFile>
#include <QLabel>
#include <QTextDocument>

#include <sys/inotify.h>
#include <unistd.h>

namespace TestSupport {

PeerNameProbe::PeerNameProbe() : m_path(rootDir() + QStringLiteral("/probe.png"))
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write("probe") != 5)
        qFatal("cannot write the probe file");
    file.close();
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify < 0 || ::inotify_add_watch(m_inotify, QFile::encodeName(m_path).constData(), IN_OPEN) < 0)
        qFatal("cannot watch the probe file");
}

PeerNameProbe::~PeerNameProbe()
{
    ::close(m_inotify);
    QFile::remove(m_path);
}

QStringList PeerNameProbe::names() const
{
    return {QStringLiteral("<img src=\"%1\">").arg(m_path),
            QStringLiteral("<a href=\"https://evil.invalid/\">Yard</a>"), QStringLiteral("<img src=\"/dev/zero\">")};
}

bool PeerNameProbe::fileOpened()
{
    char events[4096];
    bool opened = false;
    while (::read(m_inotify, events, sizeof events) > 0)
        opened = true;
    return opened;
}

QString PeerNameProbe::shownText(const QString& text, Qt::TextFormat format)
{
    if (format != Qt::RichText && (format != Qt::AutoText || !Qt::mightBeRichText(text)))
        return text;
    QTextDocument document;
    document.setHtml(text);
    return document.toPlainText();
}

QString PeerNameProbe::shownText(const QLabel* label)
{
    return shownText(label->text(), label->textFormat());
}

} // namespace TestSupport
