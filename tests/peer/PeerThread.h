#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <type_traits>
#include <utility>

class QTcpServer;

namespace TestSupport {

// The thread every fake peer serves on once it listens, so that a test whose own thread blocks (in a call into the
// engine, on a process) never stops the peers that the blocked call waits for. Each peer runs its public functions
// there through call(), so tests use them as before.
class PeerThread
{
public:
    // Moves the object and its children onto the peers' thread. An object with a Qt parent leaves it and is
    // deleted when the parent goes.
    static void adopt(QObject* object);
    // Brings the object back to the calling thread after running stop on the peers' thread (there the object's
    // sockets and timers are closed, so that nothing of it runs there any more). Nothing when it was not adopted.
    template <typename F> static void release(QObject* object, F&& stop);
    // release() for a server: it stops listening, and the connections it made are aborted.
    static void releaseServer(QTcpServer* server);

    // Runs the function on the object's thread and waits for its result; at once when called there.
    template <typename F> static auto call(const QObject* object, F&& function) -> decltype(function());

private:
    static QThread* thread();
};

template <typename F> auto PeerThread::call(const QObject* object, F&& function) -> decltype(function())
{
    auto* target = const_cast<QObject*>(object);
    if (target->thread() == QThread::currentThread())
        return function();
    using Result = decltype(function());
    if constexpr (std::is_void_v<Result>) {
        QMetaObject::invokeMethod(target, std::forward<F>(function), Qt::BlockingQueuedConnection);
    } else {
        Result result{};
        QMetaObject::invokeMethod(
            target, [&result, &function] { result = function(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}

template <typename F> void PeerThread::release(QObject* object, F&& stop)
{
    if (object->thread() != thread())
        return;
    QThread* home = QThread::currentThread() == thread() ? nullptr : QThread::currentThread();
    call(object, [object, home, &stop] {
        stop();
        if (home)
            object->moveToThread(home);
    });
}

} // namespace TestSupport
