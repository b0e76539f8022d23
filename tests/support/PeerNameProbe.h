#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

class QLabel;

namespace TestSupport {

// Names a peer may send to make a view that takes them as markup read a local file, eat memory or offer a link,
// with a probe file that tells, through inotify, whether anything opened it.
class PeerNameProbe
{
public:
    PeerNameProbe();
    ~PeerNameProbe();

    // An image of the probe file, a link, an endless image, in this order: a view that renders them fails on the
    // first, so that a test can stop before the third one hurts.
    QStringList names() const;
    // Whether the probe file was opened since the last call.
    bool fileOpened();

    // What a text shows in a view of that format: the text, or the plain text of its markup when the view takes it
    // as rich text.
    static QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText);
    static QString shownText(const QLabel* label);

private:
    QString m_path;
    int m_inotify = -1;
};

} // namespace TestSupport
