#include "core/HttpReplyReader.h"
#include "support/TestEnvironment.h"

using QuorvelClient::Core::HttpReplyReader;

class tst_HttpReplyReader : public QObject
{
    Q_OBJECT
private slots:
    void repliesAreFramedAndBounded_data();
    void repliesAreFramedAndBounded();
};

void tst_HttpReplyReader::repliesAreFramedAndBounded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("keepAlive");

    const int complete = HttpReplyReader::Complete;
    const int invalid = HttpReplyReader::Invalid;
    const int tooLarge = HttpReplyReader::TooLarge;
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";

    QTest::newRow("length") << ok + "Content-Length: 5\r\n\r\nhello" << false << complete << 200 << QByteArray("hello")
                            << true;
    QTest::newRow("chunks, extension, trailer")
        << ok + "Transfer-Encoding: gzip, Chunked\r\n\r\n5;x=y\r\nhello\r\nA\r\n, world...\r\n0\r\nT: v\r\n\r\n"
        << false << complete << 200 << QByteArray("hello, world...") << true;
    QTest::newRow("to the close") << QByteArray("HTTP/1.0 200 OK\r\n\r\nabc") << true << complete << 200
                                  << QByteArray("abc") << false;
    QTest::newRow("interim reply skipped") << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No\r\n\r\n")
                                           << false << complete << 204 << QByteArray() << true;
    QTest::newRow("bare line feeds, no reason") << QByteArray("HTTP/1.1 302\nLocation: /x\nContent-Length: 0\n\n")
                                                << false << complete << 302 << QByteArray() << true;
    QTest::newRow("connection close") << ok + "Connection: Keep-Alive, close\r\nContent-Length: 1\r\n\r\nx" << false
                                      << complete << 200 << QByteArray("x") << false;
    QTest::newRow("bytes after the reply")
        << ok + "Content-Length: 1\r\n\r\nxy" << false << complete << 200 << QByteArray("x") << false;
    QTest::newRow("cut short in the body") << ok + "Content-Length: 10\r\n\r\nabc" << true
                                           << int(HttpReplyReader::ReadingBody) << 200 << QByteArray() << false;
    QTest::newRow("cut short in the head") << ok + "Content-Length: 10\r\n"
                                           << true << invalid << 0 << QByteArray() << false;

    QTest::newRow("status of one digit") << QByteArray("HTTP/1.1 2") << true << invalid << 0 << QByteArray() << false;
    QTest::newRow("not HTTP") << QByteArray("SPDY") << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("HTTP/2") << QByteArray("HTTP/2 200 OK\r\n\r\n") << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("negative length") << ok + "Content-Length: -1\r\n\r\n"
                                     << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("two lengths") << ok + "Content-Length: 1\r\nContent-Length: 2\r\n\r\nxx" << false << invalid << 0
                                 << QByteArray() << false;
    QTest::newRow("folded header") << ok + " folded: x\r\n\r\n" << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("header without colon") << ok + "nocolon\r\n\r\n" << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("bad chunk size") << ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n"
                                    << false << invalid << 0 << QByteArray() << false;
    QTest::newRow("chunk overruns its size") << ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nxy\r\n"
                                             << false << invalid << 0 << QByteArray() << false;

    QTest::newRow("announced body over the bound") << ok + "Content-Length: 8388609\r\n\r\n"
                                                   << false << tooLarge << 0 << QByteArray() << false;
    QTest::newRow("chunks over the bound")
        << ok + "Transfer-Encoding: chunked\r\n\r\n800000\r\n" + QByteArray(0x800000, 'x') + "\r\n1\r\n"
        << false << tooLarge << 0 << QByteArray() << false;
    QTest::newRow("body to the close over the bound")
        << ok + "\r\n" + QByteArray(0x800001, 'x') << false << tooLarge << 0 << QByteArray() << false;
    QTest::newRow("head over the bound") << ok + "X: " + QByteArray(70000, 'x') + "\r\n\r\n"
                                         << false << tooLarge << 0 << QByteArray() << false;
    QByteArray lines = ok;
    for (int i = 0; i < 129; ++i)
        lines += "X-" + QByteArray::number(i) + ": y\r\n";
    QTest::newRow("too many header lines") << lines + "\r\n" << false << tooLarge << 0 << QByteArray() << false;
}

// Each reply is read whole and a byte at a time, with the same outcome.
void tst_HttpReplyReader::repliesAreFramedAndBounded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, closed);
    QFETCH(int, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, keepAlive);

    for (const int step : {int(bytes.size()), 1}) {
        HttpReplyReader reader;
        for (qsizetype at = 0; at < bytes.size(); at += step)
            reader.feed(bytes.constData() + at, qMin<qsizetype>(step, bytes.size() - at));
        if (closed)
            reader.finish();
        QCOMPARE(int(reader.state()), state);
        if (state == HttpReplyReader::Complete) {
            QCOMPARE(reader.statusCode(), status);
            QCOMPARE(reader.takeBody(), body);
        }
        QCOMPARE(reader.keepAlive(), keepAlive);
        QCOMPARE(reader.problem().isEmpty(), state != HttpReplyReader::Invalid && state != HttpReplyReader::TooLarge);
    }
}

QUORVEL_TEST_MAIN(tst_HttpReplyReader)
#include "tst_HttpReplyReader.moc"
