#pragma once

#include "utils/MemoryChecker.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringList>

struct libvlc_instance_t;
struct libvlc_media_t;
struct libvlc_media_player_t;

namespace QuorvelClient {
namespace Core {

// The process-wide libvlc engine; every media player of the process is made from its instance.
class Vlc : public QObject, public Utils::MemoryChecker
{
public:
    static Vlc* instance();
    // Starts loading the engine on a thread of its own, so that instance() later finds it ready; the proxy settings
    // are read when instance() takes it.
    static void startEarly();

    ~Vlc() override;

    // Null when the engine could not be started; players then report an error instead of playing.
    libvlc_instance_t* libvlcInstance() const;
    // A new media that reads the stream at the address (an 8-bit text) through one HTTP access module, so that one
    // try puts one request on the wire; null when the engine could not be started or refuses the address.
    libvlc_media_t* newStreamMedia(const QString& url) const;
    // A new media player, or null when the engine could not be started; counted until releasePlayer().
    libvlc_media_player_t* newPlayer() const;
    // Stops and releases a player. Stopping may wait on the network: call it on the player's engine queue.
    static void releasePlayer(libvlc_media_player_t* player);
    // The players made and not yet released.
    static int playerCount();

    // The environment for programs the client starts: "http_proxy" as the client found it at its start (absent
    // when it was), never the proxy with its password that the engine reads from the process environment.
    static QProcessEnvironment childEnvironment();
    // Starts a program in that environment, detached.
    static bool startDetached(const QString& program, const QStringList& arguments, qint64* pid = nullptr);

private:
    explicit Vlc(QObject* parent);

    libvlc_instance_t* m_instance = nullptr;
};

} // namespace Core
} // namespace QuorvelClient
