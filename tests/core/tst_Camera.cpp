#include "core/ArchiveDay.h"
#include "core/ArchiveRecord.h"
#include "core/Camera.h"
#include "core/LocalVideoServer.h"
#include "core/QualitySettings.h"
#include "core/VideoServer.h"
#include "support/RussianTranslator.h"
#include "support/TestEnvironment.h"

#include <QMetaMethod>
#include <QSignalSpy>

using namespace QuorvelClient;
using Core::Camera;
using Core::CameraPtr;

namespace {

CameraPtr makeCamera(const QString& serverId, Core::camera_id_t id, const QString& name = QStringLiteral("Gate"),
                     Camera::CameraFlags flags = Camera::CameraFlags())
{
    return std::make_shared<Camera>(id, name, serverId, 77, QStringLiteral("Office"), true, false, true,
                                    QSize(1280, 720), QStringLiteral("h264"), flags, QStringLiteral("active"));
}

} // namespace

// Receives records through old-style connections, the way the form-based classes connect by name.
class Relay : public QObject
{
    Q_OBJECT
public:
    QList<Core::Camera::CameraFlags> received;
public slots:
    void take(Core::Camera::CameraFlags flags) { received.append(flags); }
};

class tst_Camera : public QObject
{
    Q_OBJECT
private slots:
    void constructionKeepsValuesAndFullName();
    void serverAddress_data();
    void serverAddress();
    void globalIdsOrderByServerThenNumber();
    void setFlagsSignalsOnlyOnChange();
    void previewSignals();
    void flagsText_data();
    void flagsText();
    void signalTypesTravelQueued();
};

void tst_Camera::constructionKeepsValuesAndFullName()
{
    CameraPtr camera = makeCamera(QStringLiteral("srv-1"), 4);
    // The capabilities arrive in the constructor's order.
    QVERIFY(camera->isSpeedPlaySupported() && !camera->isArchiveExportSupported() &&
            camera->isArchiveSearchSupported());
    QCOMPARE(camera->fullName(), QStringLiteral("Office-Gate"));
    QCOMPARE(camera->serverValue(), qint64(77));
    QCOMPARE(camera->serverType(), 0);

    // Renaming leaves the full name as built; the plain setters signal nothing.
    QSignalSpy flags(camera.get(), &Camera::flagsChanged);
    QSignalSpy preview(camera.get(), &Camera::previewChanged);
    camera->setName(QStringLiteral("Yard"));
    camera->setPassword(QStringLiteral("pw"));
    camera->setServiceStatus(QStringLiteral("billing"));
    QCOMPARE(camera->name(), QStringLiteral("Yard"));
    QCOMPARE(camera->fullName(), QStringLiteral("Office-Gate"));
    QCOMPARE(flags.count() + preview.count(), 0);

    // Server type 1 marks a local camera and its value becomes 1; type 0 leaves the value alone.
    camera->setServerType(0);
    QCOMPARE(camera->serverValue(), qint64(77));
    camera->setServerType(1);
    QCOMPARE(camera->serverValue(), qint64(1));

    // Equality is server id, number and name.
    QVERIFY(*camera == *makeCamera(QStringLiteral("srv-1"), 4, QStringLiteral("Yard"), Camera::Offline));
    QVERIFY(!(*camera == *makeCamera(QStringLiteral("srv-1"), 5, QStringLiteral("Yard"))));
    QVERIFY(!(*camera == *makeCamera(QStringLiteral("srv-2"), 4, QStringLiteral("Yard"))));
    QVERIFY(!(*camera == *makeCamera(QStringLiteral("srv-1"), 4, QStringLiteral("Gate"))));
}

void tst_Camera::serverAddress_data()
{
    QTest::addColumn<QString>("serverId");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("local") << "10.0.0.5:8080"
                           << "10.0.0.5" << 8080;
    QTest::newRow("name and port") << "recorder.lan:81"
                                   << "recorder.lan" << 81;
    QTest::newRow("port not a number") << "10.0.0.5:http"
                                       << "10.0.0.5" << 0;
    QTest::newRow("empty port") << "10.0.0.5:"
                                << "10.0.0.5" << 0;
    QTest::newRow("two colons") << "fe80::1"
                                << "" << 0;
    QTest::newRow("host:port:extra") << "10.0.0.5:80:1"
                                     << "" << 0;
    QTest::newRow("cloud id") << "a1b2c3d4"
                              << "" << 0;
    QTest::newRow("empty") << ""
                           << "" << 0;
}

void tst_Camera::serverAddress()
{
    QFETCH(QString, serverId);
    CameraPtr camera = makeCamera(serverId, 1);
    QTEST(camera->serverHost(), "host");
    QTEST(camera->serverPort(), "port");
}

void tst_Camera::globalIdsOrderByServerThenNumber()
{
    Core::GlobalCameraList list;
    for (const auto& entry :
         {qMakePair(QStringLiteral("b"), 1), qMakePair(QStringLiteral("a"), 10), qMakePair(QStringLiteral("a"), 2),
          qMakePair(QStringLiteral("B"), 99), qMakePair(QStringLiteral("ab"), 0)}) {
        CameraPtr camera = makeCamera(entry.first, entry.second);
        list.insert(camera->globalId(), camera);
    }
    // Server id in code-unit order ("B" before "a"), then the number as a number (2 before 10).
    QList<Core::camera_global_id_t> keys = list.keys();
    QCOMPARE(keys.size(), 5);
    QCOMPARE(keys.at(0), Core::camera_global_id_t("B", 99));
    QCOMPARE(keys.at(1), Core::camera_global_id_t("a", 2));
    QCOMPARE(keys.at(2), Core::camera_global_id_t("a", 10));
    QCOMPARE(keys.at(3), Core::camera_global_id_t("ab", 0));
    QCOMPARE(keys.at(4), Core::camera_global_id_t("b", 1));

    // The same camera under a second pointer is the same key.
    CameraPtr again = makeCamera(QStringLiteral("a"), 2, QStringLiteral("Other"));
    list.insert(again->globalId(), again);
    QCOMPARE(list.size(), 5);
    QCOMPARE(list.value(Core::camera_global_id_t("a", 2)), again);

    QCOMPARE(Core::globalIdText(Core::camera_global_id_t("10.0.0.5:8080", 3)),
             QStringLiteral("QPair(\"10.0.0.5:8080\",3)"));
}

void tst_Camera::setFlagsSignalsOnlyOnChange()
{
    CameraPtr camera = makeCamera(QStringLiteral("srv"), 1);
    camera->setPreview("JPEG");

    // Going offline drops the preview first, then announces the flags.
    QStringList order;
    connect(camera.get(), &Camera::previewChanged, this,
            [&order](const QByteArray& bytes) { order << QStringLiteral("preview:%1").arg(bytes.size()); });
    connect(camera.get(), &Camera::flagsChanged, this,
            [&order](Camera::CameraFlags flags) { order << QStringLiteral("flags:%1").arg(int(flags)); });
    QSignalSpy removed(camera.get(), &Camera::previewRemoved);

    camera->setFlags(Camera::Offline);
    QCOMPARE(order, QStringList({"preview:0", "flags:2"}));
    QCOMPARE(camera->flags(), Camera::CameraFlags(Camera::Offline));
    QVERIFY(camera->preview().isEmpty());

    // The same flags again: nothing at all.
    order.clear();
    camera->setFlags(Camera::Offline);
    QVERIFY(order.isEmpty());

    // Another non-zero value: the preview is already empty, so only the flags are announced.
    camera->setFlags(Camera::Offline | Camera::NotPaid);
    QCOMPARE(order, QStringList({"flags:3"}));

    // Back to 0 keeps whatever preview there is and announces the flags.
    order.clear();
    camera->setFlags(Camera::CameraFlags());
    QCOMPARE(order, QStringList({"flags:0"}));
    QCOMPARE(removed.count(), 0);
}

void tst_Camera::previewSignals()
{
    CameraPtr camera = makeCamera(QStringLiteral("srv"), 1);
    QSignalSpy spy(camera.get(), &Camera::previewChanged);

    // Clearing an empty preview says nothing.
    camera->clearPreview();
    QCOMPARE(spy.count(), 0);

    // Every call of the setter signals, also with the same bytes.
    const QByteArray jpeg("\xff\xd8\xff\xe0 picture", 13);
    camera->setPreview(jpeg);
    camera->setPreview(jpeg);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(1).at(0).toByteArray(), jpeg);
    QCOMPARE(camera->preview(), jpeg);

    camera->clearPreview();
    QCOMPARE(spy.count(), 3);
    QVERIFY(spy.at(2).at(0).toByteArray().isEmpty());
    camera->clearPreview();
    QCOMPARE(spy.count(), 3);
}

void tst_Camera::flagsText_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("0") << 0 << ""
                       << "";
    QTest::newRow("not paid") << 1 << "not paid for"
                              << "не оплачена";
    QTest::newRow("offline") << 2 << "offline"
                             << "не в сети";
    QTest::newRow("both") << 3 << "not paid for, offline"
                          << "не оплачена, не в сети";
}

void tst_Camera::flagsText()
{
    QFETCH(int, flags);
    const Camera::CameraFlags value = Camera::CameraFlags::fromInt(flags);
    QTEST(Camera::flagsToString(value), "english");
    TestSupport::RussianTranslator russian;
    QVERIFY(russian.isLoaded());
    QTEST(Camera::flagsToString(value), "russian");
}

void tst_Camera::signalTypesTravelQueued()
{
    // Every parameter type of the records' signals is known to the meta-type system by the name the signal uses.
    for (const QMetaObject* meta :
         {&Camera::staticMetaObject, &Core::VideoServer::staticMetaObject, &Core::LocalVideoServer::staticMetaObject}) {
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            for (const QByteArray& type : method.parameterTypes())
                QVERIFY2(QMetaType::fromName(type).isValid(), method.methodSignature().constData());
        }
    }
    QVERIFY(Camera::staticMetaObject.indexOfSignal("flagsChanged(Core::Camera::CameraFlags)") >= 0);
    QVERIFY(Core::VideoServer::staticMetaObject.indexOfSignal("cameraRemoved(Core::camera_id_t)") >= 0);
    QVERIFY(Core::LocalVideoServer::staticMetaObject.indexOfSignal(
                "stateChanged(Core::LocalVideoServer::LocalVideoServerState)") >= 0);
    for (const char* name :
         {"Core::CameraPtr", "Core::GlobalCameraList", "Core::camera_global_id_t", "Core::VideoServerPtr",
          "Core::LocalVideoServerPtr", "Core::ArchiveRecordPtr", "Core::ArchiveDayPtr", "Core::QualitySettings::Type"})
        QVERIFY2(QMetaType::fromName(name).isValid(), name);
    QCOMPARE(QMetaType::fromName("Core::CameraPtr"), QMetaType::fromType<CameraPtr>());

    CameraPtr camera = makeCamera(QStringLiteral("srv"), 1);
    QVERIFY(static_cast<QObject*>(camera.get())->qt_metacast("Utils::MemoryChecker") != nullptr);

    // A queued old-style connection carries the flags to the receiver.
    Relay relay;
    QVERIFY(connect(camera.get(), SIGNAL(flagsChanged(Core::Camera::CameraFlags)), &relay,
                    SLOT(take(Core::Camera::CameraFlags)), Qt::QueuedConnection));
    camera->setFlags(Camera::NotPaid);
    QVERIFY(relay.received.isEmpty());
    QTRY_COMPARE(relay.received.size(), 1);
    QCOMPARE(relay.received.first(), Camera::CameraFlags(Camera::NotPaid));

    // A list of cameras travels through a QVariant unchanged.
    Core::GlobalCameraList list;
    list.insert(camera->globalId(), camera);
    const QVariant variant = QVariant::fromValue(list);
    QCOMPARE(variant.value<Core::GlobalCameraList>().value(camera->globalId()), camera);
}

QUORVEL_TEST_MAIN(tst_Camera)
#include "tst_Camera.moc"
