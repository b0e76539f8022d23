#include "core/media/SocketTraffic.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

#ifdef Q_OS_LINUX
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstddef>
#include <functional>

namespace QuorvelClient {
namespace Core {

namespace {

#ifdef Q_OS_LINUX
// Calls `found` with the descriptor and inode of every open socket of the process.
void forEachSocket(const std::function<void(int fd, quint64 inode)>& found)
{
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir)
        return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        char link[64];
        const ssize_t size = ::readlinkat(dirFd, entry->d_name, link, sizeof link - 1);
        if (size <= 0)
            continue;
        link[size] = '\0';
        unsigned long long inode = 0;
        if (std::sscanf(link, "socket:[%llu]", &inode) != 1)
            continue;
        found(std::atoi(entry->d_name), quint64(inode));
    }
    ::closedir(dir);
}

bool sameSocket(int fd, quint64 inode)
{
    struct stat status;
    return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode) && quint64(status.st_ino) == inode;
}
#endif

struct Sampler
{
    SocketTraffic::Reading latest;
    QElapsedTimer clock;
    bool reading = false;
};

// Used on the GUI thread only.
Sampler& sampler()
{
    static Sampler instance;
    return instance;
}

} // namespace

QSet<quint64> SocketTraffic::sockets()
{
    QSet<quint64> ids;
#ifdef Q_OS_LINUX
    forEachSocket([&ids](int, quint64 inode) { ids.insert(inode); });
#endif
    return ids;
}

QList<SocketTraffic::Connection> SocketTraffic::connections()
{
    QList<Connection> found;
#ifdef Q_OS_LINUX
    forEachSocket([&found](int fd, quint64 inode) {
        // The descriptor may be closed and taken again by another thread meanwhile: it must still be the socket
        // once its numbers are read.
        if (!sameSocket(fd, inode))
            return;
        int type = 0;
        socklen_t length = sizeof type;
        if (::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_STREAM)
            return;
        sockaddr_storage address;
        length = sizeof address;
        std::memset(&address, 0, sizeof address);
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        if (address.ss_family != AF_INET && address.ss_family != AF_INET6)
            return;
        tcp_info info;
        std::memset(&info, 0, sizeof info);
        length = sizeof info;
        if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
            length < offsetof(tcp_info, tcpi_bytes_received) + sizeof info.tcpi_bytes_received)
            return;
        if (!sameSocket(fd, inode))
            return;
        Connection connection;
        connection.id = inode;
        connection.peer = QHostAddress(reinterpret_cast<const sockaddr*>(&address));
        connection.peerPort = address.ss_family == AF_INET
                                  ? ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port)
                                  : ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
        connection.received = info.tcpi_bytes_received;
        found.append(connection);
    });
#endif
    return found;
}

const SocketTraffic::Reading& SocketTraffic::latest(int maxAgeMs)
{
    Sampler& current = sampler();
    if (!current.clock.isValid())
        current.clock.start();
    const qint64 now = current.clock.elapsed();
    if (current.reading || (current.latest.number > 0 && now - current.latest.takenAt < maxAgeMs))
        return current.latest;
    current.reading = true;
    QThreadPool::globalInstance()->start([now] {
        const QList<Connection> found = connections();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [now, found] {
                Sampler& done = sampler();
                done.reading = false;
                done.latest.number += 1;
                done.latest.takenAt = now;
                done.latest.connections = found;
            },
            Qt::QueuedConnection);
    });
    return current.latest;
}

} // namespace Core
} // namespace QuorvelClient
