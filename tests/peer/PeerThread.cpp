#include "peer/PeerThread.h"

#include <QCoreApplication>
#include <QPointer>

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
