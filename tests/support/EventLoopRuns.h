#pragma once

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <ctime>
#include <functional>

namespace TestSupport {

// Both wait in the event loop rather than spin, so that the thread's CPU time counts only work.
inline void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Checks done() every checkMs.
inline void runUntil(const std::function<bool()>& done, int checkMs)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    check.start(checkMs);
    loop.exec();
}

// The CPU time the calling thread has used.
inline double threadCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

} // namespace TestSupport
