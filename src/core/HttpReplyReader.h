#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace QuorvelClient {
namespace Core {

// The largest replies read, in bytes. A reply over its bound fails without being read any further.
namespace ReplyLimits {
// Status line, headers and chunk trailers together.
inline constexpr qsizetype head = 64 * 1024;
inline constexpr int headerLines = 128;
// JSON documents: envelopes, rosters, archive days.
inline constexpr qint64 json = 8 * 1024 * 1024;
// Archive lists, read without a document tree: a day of records at one a second and some more.
inline constexpr qint64 archiveList = 16 * 1024 * 1024;
// Raw bodies: camera previews.
inline constexpr qint64 raw = 8 * 1024 * 1024;
} // namespace ReplyLimits

// Reads one HTTP/1.x reply from the bytes of a connection as they arrive: the status line, the headers and a
// body framed by Content-Length, by chunks or by the end of the connection. Interim 1xx replies are skipped.
// The bytes come from the peer and are trusted for nothing: sizes are bounded and malformed framing is refused.
class HttpReplyReader
{
public:
    enum State {
        ReadingHead,
        ReadingBody,
        Complete,
        Invalid,  // not HTTP, or framed in a way that cannot be read safely
        TooLarge, // the head or the body is over its bound
    };

    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // headOnly: the reply has no body whatever it announces (the answer to a CONNECT).
    explicit HttpReplyReader(qint64 maxBodyBytes = ReplyLimits::json, bool headOnly = false);

    State feed(const char* data, qsizetype size);
    State feed(const QByteArray& bytes) { return feed(bytes.constData(), bytes.size()); }
    // The connection has ended: a body that runs to the end is complete, and a head that was begun but not
    // finished is invalid. A body cut short stays in ReadingBody.
    State finish();

    State state() const { return m_state; }
    bool headComplete() const { return m_state != ReadingHead && m_status > 0; }
    // Bytes received so far, interim replies included.
    qint64 bytesSeen() const { return m_seen; }

    int statusCode() const { return m_status; }
    QByteArray reasonPhrase() const { return m_reason; }
    const Headers& headers() const { return m_headers; }
    QByteArray header(const QByteArray& name) const;
    QByteArray takeBody();
    // Whether the connection can carry another request once the reply is complete.
    bool keepAlive() const;
    // What was wrong, for the log, once the state is Invalid or TooLarge.
    QString problem() const { return m_problem; }

private:
    enum BodyFraming { NoBody, ByLength, Chunked, UntilClose };
    enum ChunkStep { ChunkSize, ChunkData, ChunkDataEnd, Trailers };

    State fail(State state, const QString& problem);
    // The end of the line that starts at from, or -1 while it is incomplete or longer than bound.
    qsizetype lineEnd(qsizetype from, qsizetype bound);
    // Takes one line out of the buffer (without its end of line); false while it is incomplete.
    bool takeLine(QByteArray* line, qsizetype bound);
    State readHead();
    State startBody();
    State readBody(const char* data, qsizetype size);
    State readChunks();
    bool appendBody(const char* data, qsizetype size);

    qint64 m_maxBody;
    bool m_headOnly;
    State m_state = ReadingHead;
    qint64 m_seen = 0;
    QByteArray m_buffer;
    qsizetype m_scanned = 0;
    qsizetype m_headBytes = 0;
    bool m_statusLineRead = false;

    int m_minorVersion = 1;
    int m_status = 0;
    QByteArray m_reason;
    Headers m_headers;

    BodyFraming m_framing = NoBody;
    ChunkStep m_chunkStep = ChunkSize;
    qint64 m_remaining = 0;
    QList<QByteArray> m_body;
    qint64 m_bodySize = 0;
    bool m_surplus = false;
    QString m_problem;
};

} // namespace Core
} // namespace QuorvelClient
