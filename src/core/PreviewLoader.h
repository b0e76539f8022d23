#pragma once

#include "core/Camera.h"

#include <QObject>
#include <QVariant>

#include <memory>

namespace QuorvelClient {
namespace Core {

class StreamerClient;

namespace Internal {
class PreviewLoaderPrivate;
}

// Keeps the previews of the shown cameras fresh: asks at once and every 45 s, repeats a failed request once
// and clears the preview after the second failure. Only cameras whose flags are 0 are asked for.
class PreviewLoader : public QObject
{
    Q_OBJECT
public:
    static PreviewLoader* instance();

    explicit PreviewLoader(QObject* parent = nullptr);
    ~PreviewLoader() override;

    void start();
    void stop();

    void addCamera(CameraPtr camera);
    void removeCamera(const camera_global_id_t& id);

    // Asks for one preview of a listed camera; with a client, repeats the request on it.
    void request(const camera_global_id_t& id, StreamerClient* client = nullptr);

signals:
    void relogin();

private slots:
    void onPreviewReceived(QVariant data);
    void onPreviewRequestError(int errorCode, int httpStatus);
    bool checkAndDeleteRequest(Core::StreamerClient* client);
    void updatePreviews();

private:
    std::unique_ptr<Internal::PreviewLoaderPrivate> d;
};

} // namespace Core
} // namespace QuorvelClient
