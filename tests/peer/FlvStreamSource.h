#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTimer>
#include <QUrlQuery>

class QTcpSocket;

namespace TestSupport {
class FakeHttpServer;
}

namespace TestSupport {

// Serves "/flv/live" and "/flv/archive" from FLV clips the way a streaming server does: the first seconds in one
// burst, then tag by tag at the clip's own rate. Live loops the clip for ever with growing time stamps; archive
// sends it once and closes. Streams can be cut, stalled, refused or answered with errors on cue, and every
// request is recorded. It listens on loopback by itself, or serves as two routes of a fake HTTP server; either
// way it serves on the peers' thread (PeerThread) from then on.
class FlvStreamSource : public QObject
{
    Q_OBJECT
public:
    enum class Answer {
        Stream,   // the clip
        NotFound, // HTTP 404
        Garbage,  // 200 with a body that is not FLV
        Close     // the connection closed as soon as the request is read
    };

    struct Request
    {
        QByteArray target; // the request target as sent
        QByteArray path;
        QUrlQuery query;
        QByteArray head; // request line and headers
        qint64 elapsed;  // ms since the source was made
    };

    explicit FlvStreamSource(QObject* parent = nullptr);
    ~FlvStreamSource() override;

    // Listens on 127.0.0.1 at the given port (0 picks a free one).
    bool listen(quint16 port = 0);
    quint16 port() const;
    // "127.0.0.1:<port>"
    QString hostAndPort() const;

    bool setLiveClip(const QString& path);
    bool setArchiveClip(const QString& path);
    void setAnswer(Answer answer);
    void setBurst(int milliseconds);
    // How many times the archive stream repeats its clip (1 by default).
    void setArchiveLoops(int loops);

    // Stops listening so that connections are refused, or listens again on the same port.
    void setRefusing(bool refusing);
    // Closes every stream being sent.
    void cutStreams();
    // Keeps every open stream connected but sends nothing more on it.
    void stallStreams();
    // Every stream sends this many bytes of its clip (the HTTP head apart), then stalls as above; 0 for no limit.
    // A stalled stream is closed `closeAfterMs` later, or kept open with -1.
    void setStallAfter(qint64 bytes, int closeAfterMs = -1);
    // Every stream sends this many bytes of its clip as usual, then `bytesPerTick` bytes every 10 ms however far
    // the clip has got, as over a link that has all but failed; 0 for no limit.
    void setTrickleAfter(qint64 bytes, int bytesPerTick = 1);

    int openStreams() const;
    // Open streams that stalled after the bytes setStallAfter() allows.
    int stalledStreams() const;
    QList<Request> requests() const;
    int requestCount(const QByteArray& path = QByteArray()) const;
    void clearRequests();

    // Adds "<prefix>/flv/live" and "<prefix>/flv/archive" to the server's routes.
    void attachTo(TestSupport::FakeHttpServer* server, const QByteArray& prefix = QByteArray());

signals:
    void requestReceived(const QByteArray& target);

private:
    struct Tag
    {
        qint64 time;
        int type;
        QByteArray bytes; // the tag with its trailing size field
    };
    struct Clip
    {
        QByteArray header; // file header and the first size field
        QList<Tag> tags;
        qint64 duration = 0;
    };
    struct Stream
    {
        QPointer<QTcpSocket> socket;
        const Clip* clip = nullptr;
        bool live = false;
        bool stalled = false;
        int next = 0;
        int loop = 0;
        qint64 sent = 0;
        // The clip's bytes that a trickling stream has not sent yet.
        QByteArray held;
        QElapsedTimer clock;
    };

    static bool loadClip(const QString& path, Clip* clip);
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void pump();
    // Answers a request; false when the path is not a stream path.
    bool serve(QTcpSocket* socket, const QByteArray& target, const QByteArray& head);
    void startStream(QTcpSocket* socket, bool live);
    // Writes what the stall limit leaves of the bytes; false once the stream has stalled.
    bool send(Stream* stream, const QByteArray& bytes);
    // Sends what a trickling stream holds, up to the trickle limit and `extra` bytes more.
    void release(Stream* stream, qint64 extra);

    QTcpServer m_server;
    quint16 m_port = 0;
    Clip m_live;
    Clip m_archive;
    Answer m_answer = Answer::Stream;
    int m_burst = 2000;
    int m_archiveLoops = 1;
    qint64 m_stallAfter = 0;
    int m_closeStalledAfter = -1;
    qint64 m_trickleAfter = 0;
    int m_tricklePerTick = 1;
    // The servers it serves routes of, with the routes' prefix.
    QList<QPair<QPointer<TestSupport::FakeHttpServer>, QByteArray>> m_hosts;
    QList<Request> m_requests;
    QList<Stream*> m_streams;
    QTimer m_pump;
    QElapsedTimer m_clock;
};

} // namespace TestSupport
