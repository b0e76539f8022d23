#pragma once

#include "gui/playback/PlaybackWindow2.h"
#include "gui/playback/controls/ControlPanel.h"
#include "gui/playback/widgets/ArchivePanel.h"
#include "peer/FakeVideoServer.h"
#include "peer/FlvStreamSource.h"
#include "support/ObjectCensus.h"
#include "support/TestClips.h"

#include <QtTest>

namespace TestSupport {

// A playback window and the local video server its cameras stream from: the H.264 test clip live and as
// archive, behind the password "p@ss w/rd".
struct WindowRig
{
    FakeVideoServer server;
    FlvStreamSource source;
    std::unique_ptr<QuorvelClient::GUI::PlaybackWindow2> window;

    bool start()
    {
        source.attachTo(&server);
        server.setPassword(QStringLiteral("p@ss w/rd"));
        return source.setLiveClip(clipPath(Clip::H264)) && source.setArchiveClip(clipPath(Clip::H264)) &&
               server.start();
    }
    QString serverId() const { return QStringLiteral("127.0.0.1:%1").arg(server.port()); }
    // Camera "<site>-<name>" of the server, "Yard-Cam <id>" unless named.
    QuorvelClient::Core::CameraPtr camera(int id, QString name = QString(), const QString& site = "Yard") const
    {
        using QuorvelClient::Core::Camera;
        auto camera =
            std::make_shared<Camera>(id, name.isEmpty() ? QStringLiteral("Cam %1").arg(id) : name, serverId(), 0, site,
                                     true, true, true, QSize(320, 240), "h264", Camera::CameraFlags(), QString());
        camera->setServerType(1);
        camera->setPassword(server.password());
        return camera;
    }
    void newWindow(int width = 1000)
    {
        window.reset(new QuorvelClient::GUI::PlaybackWindow2);
        window->resize(width, 700);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    QuorvelClient::GUI::ControlPanel* panel() const { return window->findChild<QuorvelClient::GUI::ControlPanel*>(); }
    // Opens the cameras on that day of the archive and waits for their records and days. The clock's first
    // report would bring the calendar back to today.
    void open(const QList<QuorvelClient::Core::CameraPtr>& cameras, const QDate& day)
    {
        ObjectCensus census;
        panel()->setCurrentTime(QDateTime::currentDateTime());
        window->findChild<QuorvelClient::GUI::ArchivePanel*>()->setCurrentDate(day);
        for (const QuorvelClient::Core::CameraPtr& camera : cameras)
            window->addCamera(camera);
        QTRY_COMPARE_WITH_TIMEOUT(census.alive("QuorvelClient::Core::StreamerClient"), 0, 10000);
    }
};

} // namespace TestSupport
