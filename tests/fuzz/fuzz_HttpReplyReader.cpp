// Feeds arbitrary bytes to the HTTP reply reader, once whole and once in pieces, and stops at the first
// difference between the two readings or broken bound. The first input byte sets the size of the pieces, the
// second whether the connection ends after the bytes, whether the body bound is small and whether the reply
// answers a CONNECT.
#include "core/HttpReplyReader.h"

#include <cstdint>
#include <cstdlib>

using QuorvelClient::Core::HttpReplyReader;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const qsizetype step = data[0] % 64 + 1;
    const bool closed = data[1] & 1;
    const qint64 bound = (data[1] & 2) ? 64 : QuorvelClient::Core::ReplyLimits::json;
    const bool headOnly = data[1] & 4;
    const char* bytes = reinterpret_cast<const char*>(data + 2);
    const qsizetype length = qsizetype(size - 2);

    HttpReplyReader whole(bound, headOnly);
    HttpReplyReader pieces(bound, headOnly);
    whole.feed(bytes, length);
    for (qsizetype at = 0; at < length; at += step)
        pieces.feed(bytes + at, qMin(step, length - at));
    if (closed) {
        whole.finish();
        pieces.finish();
    }

    if (whole.state() != pieces.state() || whole.problem() != pieces.problem() ||
        whole.keepAlive() != pieces.keepAlive())
        std::abort();
    if (whole.state() == HttpReplyReader::Complete) {
        if (whole.statusCode() != pieces.statusCode() || whole.headers() != pieces.headers())
            std::abort();
        if (whole.statusCode() < 100 || whole.statusCode() > 999)
            std::abort();
        const QByteArray body = whole.takeBody();
        if (body != pieces.takeBody() || body.size() > bound)
            std::abort();
    }
    return 0;
}
