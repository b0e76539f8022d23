#pragma once

#include <QObject>
#include <QThread>

#include <functional>

namespace TestSupport {

// Fake peers on a thread of their own, so that their work does not count as the client's: `Peers` is made and its
// start() called on that thread, and it is deleted there when this ends.
template <typename Peers> class PeersOnThread
{
public:
    PeersOnThread()
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
    }
    ~PeersOnThread()
    {
        run([this] { delete m_peers; });
        m_thread.quit();
        m_thread.wait();
    }

    // False when the peers cannot start.
    bool start()
    {
        bool started = false;
        run([&] { started = (m_peers = new Peers)->start(); });
        return started;
    }
    // Runs the function on the peers' thread and waits for it.
    void run(const std::function<void()>& function)
    {
        QMetaObject::invokeMethod(&m_context, function, Qt::BlockingQueuedConnection);
    }
    Peers* operator->() const { return m_peers; }

private:
    QThread m_thread;
    QObject m_context;
    Peers* m_peers = nullptr;
};

} // namespace TestSupport
