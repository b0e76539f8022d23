#include "peer/FakeVideoServer.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QJsonDocument>
#include <QPainter>
#include <QVariantList>

#include <utility>

namespace TestSupport {

namespace {

PeerReply jsonReply(const QVariant& value)
{
    return PeerReply::json(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
}

PeerReply status(int code)
{
    PeerReply reply;
    reply.status = code;
    reply.body = FakeHttpServer::reasonFor(code);
    return reply;
}

} // namespace

FakeVideoServer::FakeVideoServer(QObject* parent, const QByteArray& version)
    : FakeHttpServer(parent), m_prefix(version.isEmpty() ? QByteArray("/") : '/' + version + '/')
{
    addCommand(QStringLiteral("preview/live"), [this](const PeerRequest& request, QTcpSocket* socket) {
        const FakeCamera* cam = camera(request.queryItem(QStringLiteral("camera")).toInt());
        if (!cam) {
            sendReply(socket, status(404));
            return;
        }
        PeerReply reply;
        reply.headers << qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("image/jpeg"));
        reply.body = previewJpeg(cam->id);
        sendReply(socket, reply);
    });
    addCommand(QStringLiteral("streams/info"), [this](const PeerRequest&, QTcpSocket* socket) {
        QVariantList list;
        for (const FakeCamera& c : m_cameras) {
            list << QVariantMap{{"id", c.id},         {"name", c.name},   {"status", c.status},
                                {"vcodec", c.vcodec}, {"width", c.width}, {"height", c.height}};
        }
        sendReply(socket, jsonReply(list));
    });
    addCommand(QStringLiteral("vs_info/"), [this](const PeerRequest&, QTcpSocket* socket) {
        sendReply(socket, jsonReply(QVariantMap{{"functions", QVariant(m_functions)}}));
    });
    addCommand(QStringLiteral("archive/days"), [this](const PeerRequest& request, QTcpSocket* socket) {
        QMap<qint64, int> days;
        for (const FakeRecord& r : recordsIn(request)) {
            const QDateTime start = QDateTime::fromMSecsSinceEpoch(r.startMs);
            days[start.date().startOfDay().toSecsSinceEpoch()] += 1;
        }
        QVariantList list;
        for (auto it = days.constBegin(); it != days.constEnd(); ++it)
            list << QVariantMap{{"date", it.key()}, {"recordsCount", it.value()}};
        sendReply(socket, jsonReply(list));
    });
    addCommand(QStringLiteral("archive/list"), [this](const PeerRequest& request, QTcpSocket* socket) {
        const bool zone = !request.queryItem(QStringLiteral("x1")).isEmpty();
        QVariantList list;
        for (const FakeRecord& r : recordsIn(request)) {
            if (zone && !r.motion)
                continue;
            list << QVariantMap{{"startId", r.startId},
                                {"endId", r.endId},
                                {"startTime", r.startMs},
                                {"duration", r.durationMs},
                                {"type", r.type}};
        }
        sendReply(socket, jsonReply(list));
    });
}

FakeVideoServer::~FakeVideoServer()
{
    stopServing();
}

QByteArray FakeVideoServer::commandPath(const QString& command) const
{
    return m_prefix + command.toUtf8();
}

void FakeVideoServer::addCommand(const QString& command, const CommandHandler& handler)
{
    setRoute(commandPath(command), [this, command, handler](const PeerRequest& request, QTcpSocket* socket) {
        if (m_held.contains(command)) {
            m_heldRequests.append({request, socket, command, handler});
            return;
        }
        serve(command, handler, request, socket);
    });
}

void FakeVideoServer::serve(const QString& command, const CommandHandler& handler, const PeerRequest& request,
                            QTcpSocket* socket)
{
    QList<PeerReply>& next = m_nextFailures[command];
    if (!next.isEmpty()) {
        sendReply(socket, next.takeFirst());
        return;
    }
    const auto failure = m_failures.constFind(command);
    if (failure != m_failures.constEnd()) {
        sendReply(socket, failure.value());
        return;
    }
    if (!accessGranted(request)) {
        sendReply(socket, status(403));
        return;
    }
    handler(request, socket);
}

void FakeVideoServer::failNext(const QString& command, int count, const PeerReply& reply)
{
    PeerThread::call(this, [&] {
        for (int i = 0; i < count; ++i)
            m_nextFailures[command].append(reply);
    });
}

void FakeVideoServer::clearFailures()
{
    PeerThread::call(this, [this] {
        m_failures.clear();
        m_nextFailures.clear();
    });
}

void FakeVideoServer::holdReplies(const QString& command, bool hold)
{
    PeerThread::call(this, [&] {
        if (hold)
            m_held.insert(command);
        else
            m_held.remove(command);
    });
}

void FakeVideoServer::releaseHeld()
{
    PeerThread::call(this, [this] {
        const QList<HeldRequest> held = std::exchange(m_heldRequests, {});
        for (const HeldRequest& h : held) {
            if (h.socket)
                serve(h.command, h.handler, h.request, h.socket);
        }
    });
}

bool FakeVideoServer::accessGranted(const PeerRequest& request) const
{
    const QString key = request.queryItem(QStringLiteral("sessionId"));
    if (!m_password.isNull() && key == m_password)
        return true;
    return m_sessionCheck && m_sessionCheck(key);
}

const FakeCamera* FakeVideoServer::camera(int id) const
{
    for (const FakeCamera& c : m_cameras) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

QList<FakeRecord> FakeVideoServer::recordsIn(const PeerRequest& request) const
{
    const int cam = request.queryItem(QStringLiteral("camera")).toInt();
    const qint64 from = request.queryItem(QStringLiteral("startTime")).toLongLong() * 1000;
    const qint64 to = request.queryItem(QStringLiteral("endTime")).toLongLong() * 1000;
    QList<FakeRecord> found;
    for (const FakeRecord& r : m_records.value(cam)) {
        if (r.startMs + r.durationMs > from && r.startMs <= to)
            found << r;
    }
    return found;
}

void FakeVideoServer::fillSampleRecords(const QDateTime& now)
{
    for (const FakeCamera& c : cameras()) {
        QList<FakeRecord> records;
        int id = 1;
        for (int day = 3; day >= 1; --day) {
            const QDateTime midnight = now.addDays(-day).date().startOfDay();
            for (int hour : {2, 9, 15, 21}) {
                FakeRecord r;
                r.startId = id;
                r.endId = id + 99;
                r.startMs = midnight.addSecs(hour * 3600).toMSecsSinceEpoch();
                r.durationMs = 20 * 60 * 1000;
                r.type = hour == 15 ? 1 : 0;
                r.motion = hour == 9 || hour == 15;
                records << r;
                id += 100;
            }
        }
        setRecords(c.id, records);
    }
}

QByteArray FakeVideoServer::previewJpeg(int camera, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((camera * 67) % 360, 200, 220));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawRect(image.rect().adjusted(4, 4, -5, -5));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 85);
    return bytes;
}

} // namespace TestSupport
