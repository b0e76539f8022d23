// Start-up of the real client on an X server of its own (Xvfb), trusting the fake service's CA through the same
// namespace wrapper as the end-to-end tests, with remembered account credentials and five cameras, so that the
// camera rows expand and paint; the settings are those of a returning user, so the start writes none. Seven runs
// alternate with a bare window program (bare_window.cpp):
//   T  process start to the first "preview/live" request at the fake streaming server (a camera row sends it once the
//      main window is shown and the roster filled and painted);
//   C  the sign-in countdown as the client logged it ("Drive type:" to "Start for internet and local service");
//   B  process start to the bare window's first paint.
// The last line is `ratio: median(T - C) / median(B)`.
#include "peer/FakePeerSet.h"
#include "support/ClientRun.h"
#include "support/TestEnvironment.h"
#include "support/VirtualScreen.h"

#include <QApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstdio>

using namespace TestSupport;

namespace {

const int kRuns = 7;
const QString kEmail = QStringLiteral("bench@quorvel.example");
const QString kPassword = QStringLiteral("bench");

struct Figures
{
    QList<qint64> values;
    qint64 median() const
    {
        QList<qint64> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.isEmpty() ? 0 : sorted.at(sorted.size() / 2);
    }
    void print(const char* name) const
    {
        if (values.isEmpty())
            return;
        std::printf("%-8s median %5lld ms   min %5lld   max %5lld\n", name, static_cast<long long>(median()),
                    static_cast<long long>(*std::min_element(values.begin(), values.end())),
                    static_cast<long long>(*std::max_element(values.begin(), values.end())));
    }
};

void waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QThread::msleep(1);
}

} // namespace

int main(int argc, char* argv[])
{
    TestSupport::prepareEnvironment();
    QApplication app(argc, argv);
    VirtualScreen screen;
    if (!screen.start()) {
        std::fprintf(stderr, "Xvfb or xdotool is missing (scripts/setup installs them)\n");
        return 1;
    }

    // The peers answer on the peers' thread, so that the waits below do not delay them.
    FakePeerSet peers;
    std::atomic<qint64> firstPreview{0};
    if (!peers.start()) {
        std::fprintf(stderr, "cannot start the fake peers\n");
        return 1;
    }
    peers.service.addAccount(kEmail, kPassword);
    peers.service.setRoster(FakeService::generatedRoster(1, 5));
    peers.streamer.setSessionCheck([](const QString&) { return true; });
    // Runs on the peers' thread, as the request comes.
    QObject::connect(&peers.streamer, &FakeHttpServer::requestReceived, [&](const PeerRequest& request) {
        if (request.path.endsWith("/preview/live") && !firstPreview)
            firstPreview = QDateTime::currentMSecsSinceEpoch();
    });
    const QStringList wrapper = peers.caWrapper();
    // The wrapper prepares its certificate folder at its first run; that is not part of a start.
    QProcess::execute(wrapper.first(), wrapper.mid(1) << QStringLiteral("true"));

    Figures t, c, tc, b;
    for (int i = 0; i < kRuns; ++i) {
        {
            ClientRun run(QStringLiteral("client-%1").arg(i));
            run.setDisplay(screen.display());
            run.setWrapper(wrapper);
            ClientRun::writeFile(run.iniPath(),
                                 QStringLiteral("[auth]\nemail=%1\npassword=%2\nsaveAuth=true\nlocalOnly=false\n"
                                                "[proxy]\nuseProxy=true\nhost=127.0.0.1\nport=%3\n"
                                                "[video]\nliveCodec=MPEG4\narchiveCodec=MPEG4\n")
                                     .arg(kEmail, kPassword)
                                     .arg(peers.proxy.port())
                                     .toUtf8());
            firstPreview = 0;
            const qint64 start = QDateTime::currentMSecsSinceEpoch();
            run.start();
            // The preview's time is taken on the peers' thread; this only waits for it, or for the client's end.
            waitUntil([&] { return firstPreview != 0 || run.process()->waitForFinished(1); }, 30000);
            if (!firstPreview) {
                std::fprintf(stderr, "run %d: no preview request; the client's log:\n%s\n", i, qPrintable(run.log()));
                return 1;
            }
            const qint64 countdown = run.logTime(QStringLiteral("Start for internet and local service")) -
                                     run.logTime(QStringLiteral("Drive type:"));
            t.values << firstPreview - start;
            c.values << countdown;
            tc.values << firstPreview - start - countdown;
        }
        {
            QProcess bare;
            bare.setProcessEnvironment(screen.environment());
            const qint64 start = QDateTime::currentMSecsSinceEpoch();
            bare.start(wrapper.first(), wrapper.mid(1) << QStringLiteral(QUORVEL_BARE_WINDOW_BINARY));
            bare.waitForReadyRead(30000);
            const qint64 painted = QDateTime::currentMSecsSinceEpoch();
            if (!bare.readAllStandardOutput().contains("painted")) {
                std::fprintf(stderr, "the bare window did not paint\n");
                return 1;
            }
            b.values << painted - start;
            bare.terminate();
            bare.waitForFinished(5000);
        }
    }

    std::printf("%d runs each, on Xvfb %s through the namespace wrapper\n", kRuns, qPrintable(screen.display()));
    t.print("T");
    c.print("C");
    tc.print("T - C");
    b.print("B");
    std::printf("ratio: %.2f\n", b.median() ? double(tc.median()) / double(b.median()) : 0.0);
    return 0;
}
