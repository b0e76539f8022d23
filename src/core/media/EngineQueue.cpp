#include "core/media/EngineQueue.h"

#include "core/media/Vlc.h"

#include <QMutex>
#include <QThreadPool>

#include <atomic>
#include <deque>
#include <utility>

namespace QuorvelClient {
namespace Core {

namespace {

// A worker for every queue with calls: a call that waits for a stalled server keeps only its own thread.
QThreadPool* workers()
{
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(256);
        return created;
    }();
    return pool;
}

} // namespace

namespace Internal {

class EngineStrand
{
public:
    QMutex mutex;
    std::deque<std::function<void()>> calls;
    bool running = false;
    std::atomic<int> pending{0};

    // Runs the calls until none is left; a call posted meanwhile runs in this same turn.
    static void drain(const std::shared_ptr<EngineStrand>& strand)
    {
        for (;;) {
            std::function<void()> call;
            {
                QMutexLocker locker(&strand->mutex);
                if (strand->calls.empty()) {
                    strand->running = false;
                    return;
                }
                call = std::move(strand->calls.front());
                strand->calls.pop_front();
            }
            call();
            // What the call captured goes before the queue counts it done.
            call = nullptr;
            --strand->pending;
        }
    }
};

} // namespace Internal

EngineQueue::EngineQueue() : m_strand(std::make_shared<Internal::EngineStrand>()) {}

EngineQueue::~EngineQueue() = default;

void EngineQueue::post(std::function<void()> call)
{
    ++m_strand->pending;
    QMutexLocker locker(&m_strand->mutex);
    m_strand->calls.push_back(std::move(call));
    if (m_strand->running)
        return;
    m_strand->running = true;
    std::shared_ptr<Internal::EngineStrand> strand = m_strand;
    workers()->start([strand] { Internal::EngineStrand::drain(strand); });
}

bool EngineQueue::isBusy() const
{
    return m_strand->pending > 0;
}

bool EngineQueue::waitForAll(int msecs)
{
    return workers()->waitForDone(msecs);
}

QObject* EngineQueue::relay()
{
    return Vlc::instance();
}

} // namespace Core
} // namespace QuorvelClient
