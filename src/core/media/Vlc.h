#pragma once

#include "utils/MemoryChecker.h"

#include <QObject>

struct libvlc_instance_t;

namespace QuorvelClient {
namespace Core {

// The process-wide libvlc engine; every media player of the process is made from its instance.
class Vlc : public QObject, public Utils::MemoryChecker
{
public:
    static Vlc* instance();

    ~Vlc() override;

    // Null when the engine could not be started; players then report an error instead of playing.
    libvlc_instance_t* libvlcInstance() const;

private:
    explicit Vlc(QObject* parent);

    libvlc_instance_t* m_instance = nullptr;
};

} // namespace Core
} // namespace QuorvelClient
