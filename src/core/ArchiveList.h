#pragma once

#include <QByteArrayView>
#include <QList>
#include <QMetaType>

namespace QuorvelClient {
namespace Core {

// The elements of an "archive/list" reply, read in one pass from the reply's text: of each element only the
// numbers records are made of, read as a QVariant of the element's value would read them (0 when absent or not
// a number). Equal elements in a row are kept once with their count, so that a reply padded with empty elements
// costs no more than its text.
class ArchiveList
{
public:
    struct Element
    {
        qint64 startTime = 0; // milliseconds since the epoch
        qint64 duration = 0;  // milliseconds
        int startId = 0;
        int endId = 0;
        int type = 0;
        bool typeRead = false; // "type" was read as a number

        friend bool operator==(const Element& a, const Element& b)
        {
            return a.startTime == b.startTime && a.duration == b.duration && a.startId == b.startId &&
                   a.endId == b.endId && a.type == b.type && a.typeRead == b.typeRead;
        }
    };

    struct Run
    {
        Element element;
        qsizetype count = 0;
    };

    // Reads a reply's text; false, with the list left empty, when it is no JSON document. A document that is not
    // a list reads as an empty list, an element that is not an object as an element of zeros.
    bool read(QByteArrayView json);

    bool isEmpty() const { return m_size == 0; }
    // The number of elements, repeats counted.
    qsizetype size() const { return m_size; }
    const Element& first() const { return m_runs.first().element; }
    const Element& last() const { return m_runs.last().element; }
    const QList<Run>& runs() const { return m_runs; }

    void append(const Element& element);

private:
    QList<Run> m_runs;
    qsizetype m_size = 0;
};

} // namespace Core
} // namespace QuorvelClient

Q_DECLARE_METATYPE(QuorvelClient::Core::ArchiveList)
