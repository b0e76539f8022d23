#include "core/HttpReplyReader.h"

#include <cstring>

namespace QuorvelClient {
namespace Core {

namespace {

// Longest chunk-size line read (size, extensions and end of line).
constexpr qsizetype maxChunkSizeLine = 4096;

bool isTokenChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

QByteArray trimmedBlanks(const QByteArray& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text.at(begin) == ' ' || text.at(begin) == '\t'))
        ++begin;
    while (end > begin && (text.at(end - 1) == ' ' || text.at(end - 1) == '\t'))
        --end;
    return text.mid(begin, end - begin);
}

// Decimal digits only, at most 18 of them, so that the value fits whatever follows.
bool parseLength(const QByteArray& text, qint64* value)
{
    if (text.isEmpty() || text.size() > 18)
        return false;
    qint64 result = 0;
    for (char c : text) {
        if (!isDigit(c))
            return false;
        result = result * 10 + (c - '0');
    }
    *value = result;
    return true;
}

} // namespace

HttpReplyReader::HttpReplyReader(qint64 maxBodyBytes, bool headOnly) : m_maxBody(maxBodyBytes), m_headOnly(headOnly) {}

HttpReplyReader::State HttpReplyReader::fail(State state, const QString& problem)
{
    m_state = state;
    m_problem = problem;
    m_buffer.clear();
    m_body.clear();
    m_bodySize = 0;
    return m_state;
}

HttpReplyReader::State HttpReplyReader::feed(const char* data, qsizetype size)
{
    if (size <= 0)
        return m_state;
    m_seen += size;
    switch (m_state) {
    case ReadingHead:
        m_buffer.append(data, size);
        return readHead();
    case ReadingBody:
        if (m_framing == Chunked) {
            m_buffer.append(data, size);
            return readChunks();
        }
        return readBody(data, size);
    case Complete:
        m_surplus = true;
        return m_state;
    case Invalid:
    case TooLarge:
        break;
    }
    return m_state;
}

HttpReplyReader::State HttpReplyReader::finish()
{
    if (m_state == ReadingHead && m_seen > 0)
        return fail(Invalid, QStringLiteral("reply cut short in its head"));
    if (m_state == ReadingBody && m_framing == UntilClose)
        m_state = Complete;
    return m_state;
}

QByteArray HttpReplyReader::header(const QByteArray& name) const
{
    for (const auto& header : m_headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

QByteArray HttpReplyReader::takeBody()
{
    QByteArray body;
    if (m_body.size() == 1) {
        body.swap(m_body.first());
    } else {
        body.reserve(m_bodySize);
        for (const QByteArray& piece : std::as_const(m_body))
            body += piece;
    }
    m_body.clear();
    m_bodySize = 0;
    return body;
}

bool HttpReplyReader::keepAlive() const
{
    if (m_state != Complete || m_framing == UntilClose || m_surplus || m_minorVersion < 1)
        return false;
    for (const auto& header : m_headers) {
        if (header.first.compare("Connection", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray& token : header.second.split(',')) {
            if (trimmedBlanks(token).compare("close", Qt::CaseInsensitive) == 0)
                return false;
        }
    }
    return true;
}

qsizetype HttpReplyReader::lineEnd(qsizetype from, qsizetype bound)
{
    // Bytes already searched are not searched again: a peer that sends a long line a byte at a time costs no
    // more than one that sends it at once.
    const qsizetype end = m_buffer.indexOf('\n', from + m_scanned);
    if (end < 0) {
        m_scanned = m_buffer.size() - from;
        return -1;
    }
    m_scanned = 0;
    return end - from + 1 > bound ? -1 : end;
}

bool HttpReplyReader::takeLine(QByteArray* line, qsizetype bound)
{
    const qsizetype end = lineEnd(0, bound);
    if (end < 0)
        return false;
    qsizetype length = end;
    if (length > 0 && m_buffer.at(length - 1) == '\r')
        --length;
    *line = m_buffer.left(length);
    m_buffer.remove(0, end + 1);
    return true;
}

HttpReplyReader::State HttpReplyReader::readHead()
{
    for (;;) {
        if (!m_statusLineRead) {
            // Anything that does not begin like a status line is refused at once, not buffered.
            static const char prefix[] = "HTTP/";
            const qsizetype n = qMin<qsizetype>(m_buffer.size(), 5);
            if (std::memcmp(m_buffer.constData(), prefix, size_t(n)) != 0)
                return fail(Invalid, QStringLiteral("not an HTTP reply"));
        }
        const qsizetype headLeft = ReplyLimits::head - m_headBytes;
        const qsizetype before = m_buffer.size();
        QByteArray line;
        if (!takeLine(&line, headLeft)) {
            if (m_buffer.size() >= headLeft)
                return fail(TooLarge, QStringLiteral("head over %1 bytes").arg(ReplyLimits::head));
            return m_state;
        }
        m_headBytes += before - m_buffer.size();

        if (!m_statusLineRead) {
            // "HTTP/1.x NNN reason": a major version of 1, three digits, then a blank and the reason, if any.
            if (line.size() < 12 || !line.startsWith("HTTP/1.") || !isDigit(line.at(7)) || line.at(8) != ' ' ||
                !isDigit(line.at(9)) || !isDigit(line.at(10)) || !isDigit(line.at(11)) ||
                (line.size() > 12 && line.at(12) != ' ') || line.at(9) == '0')
                return fail(Invalid, QStringLiteral("broken status line"));
            m_minorVersion = line.at(7) - '0';
            m_status = (line.at(9) - '0') * 100 + (line.at(10) - '0') * 10 + (line.at(11) - '0');
            m_reason = line.size() > 13 ? line.mid(13) : QByteArray();
            if (m_reason.contains('\r') || m_reason.contains('\0'))
                return fail(Invalid, QStringLiteral("broken status line"));
            m_statusLineRead = true;
            continue;
        }

        if (line.isEmpty()) {
            if (m_status >= 100 && m_status < 200 && m_status != 101) {
                // An interim reply: the real one follows on the same connection.
                m_statusLineRead = false;
                m_status = 0;
                m_reason.clear();
                m_headers.clear();
                continue;
            }
            return startBody();
        }

        if (m_headers.size() >= ReplyLimits::headerLines)
            return fail(TooLarge, QStringLiteral("more than %1 header lines").arg(ReplyLimits::headerLines));
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return fail(Invalid, QStringLiteral("broken header line"));
        const QByteArray name = line.left(colon);
        for (char c : name) {
            if (!isTokenChar(c))
                return fail(Invalid, QStringLiteral("broken header line"));
        }
        const QByteArray value = trimmedBlanks(line.mid(colon + 1));
        if (value.contains('\r') || value.contains('\0'))
            return fail(Invalid, QStringLiteral("broken header line"));
        m_headers << qMakePair(name, value);
    }
}

HttpReplyReader::State HttpReplyReader::startBody()
{
    m_framing = UntilClose;
    const bool bodyless = m_headOnly || (m_status >= 100 && m_status < 200) || m_status == 204 || m_status == 304;
    qint64 length = -1;
    if (bodyless) {
        m_framing = NoBody;
    } else if (!header("Transfer-Encoding").isNull()) {
        QByteArray codings;
        for (const auto& h : std::as_const(m_headers)) {
            if (h.first.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
                codings += (codings.isEmpty() ? "" : ",") + h.second;
        }
        const QByteArray last = trimmedBlanks(codings.mid(codings.lastIndexOf(',') + 1));
        // Anything not ending in chunks runs to the end of the connection.
        m_framing = last.compare("chunked", Qt::CaseInsensitive) == 0 ? Chunked : UntilClose;
    } else {
        for (const auto& h : std::as_const(m_headers)) {
            if (h.first.compare("Content-Length", Qt::CaseInsensitive) != 0)
                continue;
            qint64 value = 0;
            if (!parseLength(h.second, &value) || (length >= 0 && value != length))
                return fail(Invalid, QStringLiteral("bad Content-Length"));
            length = value;
        }
        if (length >= 0) {
            if (length > m_maxBody)
                return fail(TooLarge,
                            QStringLiteral("body of %1 bytes over the bound of %2").arg(length).arg(m_maxBody));
            m_framing = ByLength;
            m_remaining = length;
        }
    }

    QByteArray rest;
    rest.swap(m_buffer);
    if (m_framing == NoBody || (m_framing == ByLength && m_remaining == 0)) {
        m_state = Complete;
        m_surplus = !rest.isEmpty();
        return m_state;
    }
    m_state = ReadingBody;
    if (m_framing == Chunked) {
        m_buffer = rest;
        return readChunks();
    }
    return readBody(rest.constData(), rest.size());
}

bool HttpReplyReader::appendBody(const char* data, qsizetype size)
{
    if (m_bodySize + size > m_maxBody) {
        fail(TooLarge, QStringLiteral("body over %1 bytes").arg(m_maxBody));
        return false;
    }
    // Kept in pieces and joined once at the end: a growing body is never copied into a larger block, which would
    // hold it twice for a moment.
    constexpr qsizetype pieceSize = 256 * 1024;
    while (size > 0) {
        if (m_body.isEmpty() || m_body.last().size() == pieceSize) {
            m_body.append(QByteArray());
            m_body.last().reserve(pieceSize);
        }
        const qsizetype n = qMin(size, pieceSize - m_body.last().size());
        m_body.last().append(data, n);
        m_bodySize += n;
        data += n;
        size -= n;
    }
    return true;
}

HttpReplyReader::State HttpReplyReader::readBody(const char* data, qsizetype size)
{
    if (m_framing == UntilClose) {
        appendBody(data, size);
        return m_state;
    }
    const qsizetype n = qsizetype(qMin<qint64>(size, m_remaining));
    appendBody(data, n);
    m_remaining -= n;
    if (m_remaining == 0) {
        m_state = Complete;
        m_surplus = size > n;
    }
    return m_state;
}

HttpReplyReader::State HttpReplyReader::readChunks()
{
    // Data is taken through an offset and the buffer shortened once, so that many small chunks cost no copies.
    qsizetype pos = 0;
    auto line = [this, &pos](qsizetype end) {
        qsizetype length = end - pos;
        if (length > 0 && m_buffer.at(end - 1) == '\r')
            --length;
        const QByteArray text = m_buffer.mid(pos, length);
        pos = end + 1;
        return text;
    };

    while (m_state == ReadingBody) {
        if (m_chunkStep == ChunkData) {
            const qsizetype n = qsizetype(qMin<qint64>(m_buffer.size() - pos, m_remaining));
            if (n == 0)
                break;
            appendBody(m_buffer.constData() + pos, n);
            pos += n;
            m_remaining -= n;
            if (m_remaining == 0)
                m_chunkStep = ChunkDataEnd;
            continue;
        }

        const qsizetype bound = m_chunkStep == Trailers    ? ReplyLimits::head - m_headBytes
                                : m_chunkStep == ChunkSize ? maxChunkSizeLine
                                                           : 2;
        const qsizetype end = lineEnd(pos, bound);
        if (end < 0) {
            if (m_buffer.size() - pos < bound)
                break;
            if (m_chunkStep == Trailers)
                return fail(TooLarge, QStringLiteral("head over %1 bytes").arg(ReplyLimits::head));
            return fail(Invalid, QStringLiteral("broken chunk framing"));
        }
        const qsizetype lineStart = pos;
        const QByteArray text = line(end);

        if (m_chunkStep == ChunkDataEnd) {
            if (!text.isEmpty())
                return fail(Invalid, QStringLiteral("broken chunk framing"));
            m_chunkStep = ChunkSize;
        } else if (m_chunkStep == ChunkSize) {
            const qsizetype semicolon = text.indexOf(';');
            const QByteArray digits = trimmedBlanks(semicolon < 0 ? text : text.left(semicolon));
            if (digits.isEmpty() || digits.size() > 15)
                return fail(Invalid, QStringLiteral("broken chunk size"));
            qint64 size = 0;
            for (char c : digits) {
                const int v = hexValue(c);
                if (v < 0)
                    return fail(Invalid, QStringLiteral("broken chunk size"));
                size = size * 16 + v;
            }
            if (size == 0) {
                m_chunkStep = Trailers;
            } else if (m_bodySize + size > m_maxBody) {
                return fail(TooLarge, QStringLiteral("body over %1 bytes").arg(m_maxBody));
            } else {
                m_remaining = size;
                m_chunkStep = ChunkData;
            }
        } else {
            m_headBytes += end + 1 - lineStart;
            if (text.isEmpty()) {
                m_state = Complete;
                m_surplus = pos < m_buffer.size();
            }
        }
    }
    if (m_state == ReadingBody || m_state == Complete)
        m_buffer.remove(0, pos);
    return m_state;
}

} // namespace Core
} // namespace QuorvelClient
