#pragma once

#include <QMetaObject>
#include <QPointer>

#include <functional>
#include <memory>

namespace QuorvelClient {
namespace Core {

namespace Internal {
class EngineStrand;
}

// The calls into the engine for one media player, run on a worker thread one after the other in the order they
// were posted, so that a call that may wait on the network (stopping a stream, replacing its media, releasing the
// player) never blocks the thread that posts it. Each queue has a worker of its own while it has calls: a player
// whose stop waits for a stalled server holds up no other. The queue may go while calls are pending; they still
// run, so a player's last calls can release it.
class EngineQueue
{
public:
    EngineQueue();
    ~EngineQueue();

    EngineQueue(const EngineQueue&) = delete;
    EngineQueue& operator=(const EngineQueue&) = delete;

    void post(std::function<void()> call);
    // Runs `call` as post() does, then `done` with its result on the thread that made the engine (the GUI thread,
    // where the context lives), unless the context has gone by then.
    template <typename Result>
    void post(std::function<Result()> call, QObject* context, std::function<void(Result)> done);

    // A call posted here has not finished yet. While it is false, no call of this queue runs, so the posting
    // thread may read the player directly.
    bool isBusy() const;

    // Waits until every call posted to any queue has finished, at most `msecs` (-1 for no bound); true when they
    // have.
    static bool waitForAll(int msecs = -1);

private:
    // An object of the GUI thread that outlives every call.
    static QObject* relay();

    std::shared_ptr<Internal::EngineStrand> m_strand;
};

template <typename Result>
void EngineQueue::post(std::function<Result()> call, QObject* context, std::function<void(Result)> done)
{
    // The guard is copied on the worker and read only on the GUI thread.
    QPointer<QObject> guard(context);
    QObject* target = relay();
    post([call, guard, done, target] {
        const Result result = call();
        QMetaObject::invokeMethod(
            target,
            [guard, done, result] {
                if (guard)
                    done(result);
            },
            Qt::QueuedConnection);
    });
}

} // namespace Core
} // namespace QuorvelClient
