#include "peer/PeerThread.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

namespace TestSupport {

QThread* PeerThread::thread()
{
    // Made with the first peer that listens, ended with the application object, after every peer has gone.
    static QThread* peers = [] {
        auto* started = new QThread;
        started->setObjectName(QStringLiteral("peers"));
        started->start();
        qAddPostRoutine([] {
            peers->quit();
            peers->wait();
        });
        return started;
    }();
    return peers;
}

void PeerThread::releaseServer(QTcpServer* server)
{
    release(server, [server] {
        server->close();
        for (QTcpSocket* socket : server->findChildren<QTcpSocket*>())
            socket->abort();
    });
}

void PeerThread::adopt(QObject* object)
{
    if (object->thread() == thread())
        return;
    if (QObject* parent = object->parent()) {
        object->setParent(nullptr);
        QObject::connect(
            parent, &QObject::destroyed, object, [object] { delete object; }, Qt::DirectConnection);
    }
    object->moveToThread(thread());
}

} // namespace TestSupport
