#include "core/PreviewLoader.h"

#include "core/CameraEndpoint.h"
#include "core/StreamerClient.h"
#include "utils/Intervals.h"

#include <QDebug>
#include <QMap>
#include <QTimer>

namespace QuorvelClient {
namespace Core {

namespace Internal {

class PreviewLoaderPrivate
{
public:
    QMap<camera_global_id_t, CameraPtr> cameras;
    // One entry per outstanding request: the client carrying it and the camera it is for.
    QMap<StreamerClient*, camera_global_id_t> requests;
    QMap<StreamerClient*, int> attempts;
    QTimer timer;
};

} // namespace Internal

PreviewLoader* PreviewLoader::instance()
{
    static PreviewLoader* loader = new PreviewLoader(nullptr);
    return loader;
}

PreviewLoader::PreviewLoader(QObject* parent) : QObject(parent), d(new Internal::PreviewLoaderPrivate)
{
    // The timer is a child only so that it can be found by name; the loader still owns it by value.
    d->timer.setParent(this);
    d->timer.setObjectName(QStringLiteral("previewRefreshTimer"));
    connect(&d->timer, &QTimer::timeout, this, &PreviewLoader::updatePreviews);
    d->timer.setInterval(Utils::intervalMs(Utils::Interval::PreviewRefresh));
    d->timer.start();
}

PreviewLoader::~PreviewLoader()
{
    d->timer.setParent(nullptr);
    for (auto it = d->requests.cbegin(); it != d->requests.cend(); ++it)
        it.key()->deleteLater();
}

void PreviewLoader::start()
{
    updatePreviews();
    if (!d->timer.isActive())
        d->timer.start();
}

void PreviewLoader::stop()
{
    d->timer.stop();
}

void PreviewLoader::addCamera(CameraPtr camera)
{
    if (!camera)
        return;
    const camera_global_id_t id = camera->globalId();
    if (d->cameras.contains(id))
        return;
    d->cameras.insert(id, camera);
    request(id);
}

void PreviewLoader::removeCamera(const camera_global_id_t& id)
{
    if (!d->cameras.contains(id))
        return;
    d->cameras.remove(id);
    for (auto it = d->requests.begin(); it != d->requests.end();) {
        if (it.value() == id) {
            StreamerClient* client = it.key();
            d->attempts.remove(client);
            it = d->requests.erase(it);
            client->deleteLater();
        } else {
            ++it;
        }
    }
}

void PreviewLoader::updatePreviews()
{
    const QList<camera_global_id_t> ids = d->cameras.keys();
    for (const camera_global_id_t& id : ids)
        request(id);
}

void PreviewLoader::request(const camera_global_id_t& id, StreamerClient* client)
{
    const CameraPtr camera = d->cameras.value(id);
    if (!camera)
        return;
    const CameraEndpoint endpoint(camera);
    if (camera->flags() || !endpoint.isReachable()) {
        // A repeat that will not be sent frees the camera for the next request.
        if (client)
            checkAndDeleteRequest(client);
        return;
    }

    if (!client) {
        for (auto it = d->requests.cbegin(); it != d->requests.cend(); ++it) {
            if (it.value() == id) {
                qDebug().noquote() << "Request for camera" << globalIdText(id)
                                   << "already exists, will not create new request";
                return;
            }
        }
        client = endpoint.newClient();
        d->requests.insert(client, id);
        connect(client, &StreamerClient::responceReceived, this, &PreviewLoader::onPreviewReceived);
        connect(client, &StreamerClient::error, this, &PreviewLoader::onPreviewRequestError);
    }

    QVariantMap params = endpoint.requestParams();
    params.insert(QStringLiteral("q"), 0);

    const int count = d->attempts.value(client, 0);
    client->request(QStringLiteral("preview/live"), params, false);
    d->attempts.insert(client, count + 1);
}

void PreviewLoader::onPreviewReceived(QVariant data)
{
    StreamerClient* client = qobject_cast<StreamerClient*>(sender());
    const camera_global_id_t id = d->requests.value(client);
    if (!checkAndDeleteRequest(client))
        return;
    if (const CameraPtr camera = d->cameras.value(id))
        camera->setPreview(data.toByteArray());
}

bool PreviewLoader::checkAndDeleteRequest(StreamerClient* client)
{
    if (!client)
        return false;
    const auto it = d->requests.find(client);
    if (it == d->requests.end()) {
        client->deleteLater();
        return false;
    }
    const camera_global_id_t id = it.value();
    d->requests.erase(it);
    d->attempts.remove(client);
    client->deleteLater();
    return d->cameras.contains(id);
}

void PreviewLoader::onPreviewRequestError(int errorCode, int httpStatus)
{
    qWarning() << "Preview receive error:" << errorCode << httpStatus;
    if (errorCode == -3 && httpStatus == 409) {
        // The request stays outstanding, so the refused session is not asked again for this camera.
        emit relogin();
        return;
    }
    StreamerClient* client = qobject_cast<StreamerClient*>(sender());
    if (!client || !d->requests.contains(client))
        return;
    const camera_global_id_t id = d->requests.value(client);
    const CameraPtr camera = d->cameras.value(id);
    if (!camera)
        return;
    if (d->attempts.value(client, 0) > 1) {
        camera->clearPreview();
        checkAndDeleteRequest(client);
    } else {
        request(id, client);
    }
}

} // namespace Core
} // namespace QuorvelClient
