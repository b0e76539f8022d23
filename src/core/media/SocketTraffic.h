#pragma once

#include <QHostAddress>
#include <QList>
#include <QSet>

namespace QuorvelClient {
namespace Core {

// The bytes this process's TCP connections have received, as the kernel counts them. libvlc tells nothing of a
// stream it is still opening, not even how much of it has come, so a player reads it here. Linux only; elsewhere
// no socket is known.
class SocketTraffic
{
public:
    struct Connection
    {
        quint64 id = 0; // the socket's inode, unique while it is open
        QHostAddress peer;
        quint16 peerPort = 0;
        quint64 received = 0;
    };

    struct Reading
    {
        int number = 0;     // 0 for none yet
        qint64 takenAt = 0; // when it was started, in ms of a steady clock
        QList<Connection> connections;
    };

    // The ids of the process's open sockets, and its connected TCP sockets. Each descriptor is asked in turn, which
    // takes milliseconds with thousands open: call them off the GUI thread.
    static QSet<quint64> sockets();
    static QList<Connection> connections();

    // GUI thread: the last reading of connections(). A new one is started on a worker when it is older than
    // `maxAgeMs` and none is under way; it replaces this one once it is done.
    static const Reading& latest(int maxAgeMs);
};

} // namespace Core
} // namespace QuorvelClient
