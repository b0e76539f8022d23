#include "application/SingleApplication.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLockFile>

namespace QuorvelClient {
namespace Application {

namespace Internal {

class SingleApplicationPrivate
{
public:
    std::unique_ptr<QLockFile> lock;
    std::unique_ptr<QLocalServer> server;
    bool running = false;
};

} // namespace Internal

SingleApplication::SingleApplication(int& argc, char** argv)
    : QApplication(argc, argv)
    , d(std::make_shared<Internal::SingleApplicationPrivate>())
{
    const QByteArray key =
        QCryptographicHash::hash(QCoreApplication::applicationFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    const QString name = QStringLiteral("quorvel-client-") + QString::fromLatin1(key);

    d->lock = std::make_unique<QLockFile>(QDir::temp().filePath(name + QStringLiteral(".lock")));
    // A lock is taken over only when its owner has died, never because it is old.
    d->lock->setStaleLockTime(0);
    if (!d->lock->tryLock(0)) {
        // Only a lock held by a live owner means another instance; an unusable lock folder does not.
        d->running = d->lock->error() == QLockFile::LockFailedError;
        return;
    }
    d->server = std::make_unique<QLocalServer>();
    QLocalServer::removeServer(name);
    d->server->listen(name);
}

SingleApplication::~SingleApplication() = default;

bool SingleApplication::isRunning() const
{
    return d->running;
}

} // namespace Application
} // namespace QuorvelClient
