#include "core/media/Vlc.h"

#include "core/media/EngineQueue.h"
#include "utils/Mask.h"
#include "utils/Settings.h"
#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutex>
#include <QProcess>
#include <QStringList>
#include <QUrl>

#include <vlc/vlc.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <future>

namespace QuorvelClient {
namespace Core {

namespace {

Vlc* g_instance = nullptr;
std::atomic<int> g_players{0};

const char kProxyVariable[] = "http_proxy";
// What "http_proxy" held before the engine's proxy replaced it; children get this back.
bool g_proxySet = false;
// The engine's proxy asks for a user name and password.
bool g_proxyCredentials = false;
bool g_proxyInherited = false;
QByteArray g_inheritedProxy;

const int kMaxArgs = 29;
const char* g_args[kMaxArgs + 1] = {};

// Object types of the input and export chains; their errors say why a stream or an export failed. The decoders,
// filters and outputs report unusable hardware and missing sound devices at every start, which is noise here.
bool isReported(const char* objectType)
{
    static const char* const kTypes[] = {"input", "stream", "demux", "access out", "stream out", "stream output"};
    if (!objectType)
        return false;
    for (const char* type : kTypes) {
        if (std::strcmp(objectType, type) == 0)
            return true;
    }
    return false;
}

void logCallback(void*, int level, const libvlc_log_t* context, const char* format, va_list args)
{
    if (level < LIBVLC_ERROR)
        return;
    const char* objectType = nullptr;
    const char* header = nullptr;
    uintptr_t objectId = 0;
    libvlc_log_get_object(context, &objectType, &header, &objectId);
    if (!isReported(objectType))
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    // libvlc names the whole stream address when it cannot open it; the session id or password stays masked.
    qDebug() << "libvlc:" << objectType << Utils::maskUrlSecrets(QString::fromUtf8(text));
}

// The FFmpeg libraries inside libvlc's demuxer and decoders print their complaints about a broken stream to stderr;
// they go to the log instead, once each.
void ffmpegLogCallback(void*, int level, const char* format, va_list args)
{
    const int kErrorLevel = 16;
    if (level > kErrorLevel)
        return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    static QMutex mutex;
    static QByteArray last;
    QMutexLocker locker(&mutex);
    const QByteArray line = QByteArray(text).trimmed();
    if (line == last)
        return;
    last = line;
    locker.unlock();
    qDebug() << "ffmpeg:" << QString::fromUtf8(line);
}

void routeFfmpegLog()
{
    for (const char* name : {"libavutil.so.57", "libavutil.so.58", "libavutil.so.56"}) {
        if (void* library = ::dlopen(name, RTLD_NOW | RTLD_GLOBAL)) {
            using SetCallback = void (*)(void (*)(void*, int, const char*, va_list));
            if (auto setCallback = reinterpret_cast<SetCallback>(::dlsym(library, "av_log_set_callback")))
                setCallback(ffmpegLogCallback);
            return;
        }
    }
}

// The sound library reports a missing sound card straight to stderr at every stream start; libvlc already logs
// the failed audio output, so its own lines are dropped.
void silentSoundErrors(const char*, int, const char*, int, const char*, ...) {}

void silenceSoundLibrary()
{
    void* library = ::dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!library)
        return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    if (auto setHandler = reinterpret_cast<SetHandler>(::dlsym(library, "snd_lib_error_set_handler")))
        setHandler(silentSoundErrors);
}

QString maskedProxyUrl(const QString& host, int port, const QString& user, const QString& password)
{
    QString text = QStringLiteral("http://");
    if (!user.isEmpty())
        text +=
            user + (password.isEmpty() ? QString() : QLatin1Char(':') + Utils::maskSecret(password)) + QLatin1Char('@');
    return text + QStringLiteral("%1:%2/").arg(host).arg(port);
}

// libvlc 3 takes its HTTP proxy from the environment of the process, read whenever a stream is opened.
void setProxyEnvironment()
{
    if (!Utils::Keys::proxyUseProxy().value())
        return;
    const QString host = Utils::Keys::proxyHost().value();
    const int port = Utils::Keys::proxyPort().value();
    const QString user = Utils::Keys::proxyUsername().value();
    const QString password = Utils::Keys::proxyPassword().value();
    if (host.isEmpty()) {
        qDebug() << "Proxy host is empty, streams go direct";
        return;
    }
    QByteArray url = "http://";
    if (!user.isEmpty()) {
        url += QUrl::toPercentEncoding(user);
        if (!password.isEmpty())
            url += ':' + QUrl::toPercentEncoding(password);
        url += '@';
    }
    url += QStringLiteral("%1:%2/").arg(host).arg(port).toUtf8();
    if (!g_proxySet) {
        g_proxyInherited = qEnvironmentVariableIsSet(kProxyVariable);
        g_inheritedProxy = qgetenv(kProxyVariable);
        g_proxySet = true;
    }
    qputenv(kProxyVariable, url);
    g_proxyCredentials = !user.isEmpty();
    qDebug() << "http_proxy:" << maskedProxyUrl(host, port, user, password);
}

// Everything that goes before libvlc_new, on the calling thread: the arguments in g_args and the library hooks.
// Returns the number of arguments.
int prepareEngine()
{
    const QStringList args = {
        QStringLiteral("-I"),
        QStringLiteral("dummy"),
        QStringLiteral("--no-input-record-native"),
        QStringLiteral("--no-osd"),
        QStringLiteral("--no-video-title-show"),
        QStringLiteral("--no-stats"),
        QStringLiteral("--no-plugins-cache"),
        QStringLiteral("--no-drop-late-frames"),
        QStringLiteral("--access=http"),
        QStringLiteral("--demux=ffmpeg"),
        QStringLiteral("--avformat-format=flv"),
        QStringLiteral("--file-caching=0"),
        QStringLiteral("--live-caching=0"),
        QStringLiteral("--network-caching=1000"),
    };

    int count = 0;
    for (const QString& arg : args) {
        if (count >= kMaxArgs)
            break;
        qDebug() << "arg:" << arg;
        const QByteArray latin = arg.toLatin1();
        char* block = new char[latin.size() + 1];
        std::memcpy(block, latin.constData(), latin.size() + 1);
        g_args[count++] = block;
    }
    g_args[count] = nullptr;
    qDebug() << "argsCounter:" << count;

    silenceSoundLibrary();
    routeFfmpegLog();
    return count;
}

// An engine started ahead of its first use; released at exit when nobody took it.
std::future<libvlc_instance_t*> g_early;

void releaseUntakenEngine()
{
    if (g_early.valid()) {
        if (libvlc_instance_t* instance = g_early.get())
            libvlc_release(instance);
    }
}

} // namespace

Vlc* Vlc::instance()
{
    if (!g_instance)
        g_instance = new Vlc(QCoreApplication::instance());
    return g_instance;
}

void Vlc::startEarly()
{
    if (g_instance || g_early.valid())
        return;
    const int count = prepareEngine();
    // libvlc_new loads every plug-in (the plug-in cache is off), which takes a good part of a second.
    g_early = std::async(std::launch::async, [count] { return libvlc_new(count, g_args); });
    qAddPostRoutine(releaseUntakenEngine);
}

Vlc::Vlc(QObject* parent) : QObject(parent)
{
    m_instance = g_early.valid() ? g_early.get() : libvlc_new(prepareEngine(), g_args);
    // The proxy is read when the engine is taken, not when it starts loading early: the user may set it in the
    // sign-in dialog meanwhile. The loading thread is done with the environment by now.
    setProxyEnvironment();
    if (!m_instance) {
        qCritical() << "libvlc cannot be started:" << libvlc_errmsg();
        return;
    }
    libvlc_log_set(m_instance, logCallback, nullptr);
}

Vlc::~Vlc()
{
    // Players still being stopped and released on their queues go before the engine does.
    EngineQueue::waitForAll();
    if (m_instance) {
        libvlc_log_unset(m_instance);
        libvlc_release(m_instance);
    }
}

libvlc_instance_t* Vlc::libvlcInstance() const
{
    return m_instance;
}

libvlc_media_t* Vlc::newStreamMedia(const QString& url) const
{
    if (!m_instance)
        return nullptr;
    // libvlc 3 takes a path given to libvlc_media_new_path for a local file, so URLs go in as locations.
    libvlc_media_t* media = libvlc_media_new_location(m_instance, url.toLatin1().constData());
    // libvlc 3 has two HTTP access modules and tries the older one whenever the newer one fails, which asks the
    // server a second time. The older one alone reads this option, and refuses to connect through a proxy without
    // a host; the newer one takes its proxy from the environment. Only the older one answers a proxy's demand for
    // credentials, so behind such a proxy it stays, and the newer one's request ends at the proxy.
    if (media && !g_proxyCredentials)
        libvlc_media_add_option(media, ":http-proxy=none");
    return media;
}

libvlc_media_player_t* Vlc::newPlayer() const
{
    libvlc_media_player_t* player = m_instance ? libvlc_media_player_new(m_instance) : nullptr;
    if (player)
        ++g_players;
    return player;
}

void Vlc::releasePlayer(libvlc_media_player_t* player)
{
    if (!player)
        return;
    libvlc_media_player_stop(player);
    libvlc_media_player_release(player);
    --g_players;
}

int Vlc::playerCount()
{
    return g_players;
}

QProcessEnvironment Vlc::childEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (g_proxySet) {
        if (g_proxyInherited)
            environment.insert(QString::fromLatin1(kProxyVariable), QString::fromLocal8Bit(g_inheritedProxy));
        else
            environment.remove(QString::fromLatin1(kProxyVariable));
    }
    return environment;
}

bool Vlc::startDetached(const QString& program, const QStringList& arguments, qint64* pid)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(childEnvironment());
    return process.startDetached(pid);
}

} // namespace Core
} // namespace QuorvelClient
