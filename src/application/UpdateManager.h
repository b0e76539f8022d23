#pragma once

#include "application/UpdateInfo.h"

#include <QObject>
#include <QVariant>

#include <memory>

namespace QuorvelClient {
namespace Application {

namespace Internal {
class UpdateManagerPrivate;
}

// Asks the service for the current client version every interval and on demand, and keeps the latest result.
class UpdateManager : public QObject
{
    Q_OBJECT
public:
    UpdateManager(int intervalMinutes, QObject* parent = nullptr);
    ~UpdateManager() override;

    const UpdateInfo& updateInfo() const;
    // Starts the check timer unless it runs; stop() stops it. Neither touches a check in flight.
    void start();
    void stop();

signals:
    void updatesCheckStarted();
    void updatesChecked();
    void updateFound();
    void updateError();

public slots:
    void checkForUpdates();

private slots:
    void onUpdatesCheckResultReceived(const QVariant& reply);
    void onUpdatesCheckError(int errorCode);

private:
    void releaseSender();

    std::unique_ptr<Internal::UpdateManagerPrivate> d;
};

} // namespace Application
} // namespace QuorvelClient
