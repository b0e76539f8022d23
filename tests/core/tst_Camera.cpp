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

CameraPtr makeCamera(const QString& serverId, Core::camera_id_t id, const QString& name = "Gate",
                     Camera::CameraFlags flags = Camera::CameraFlags())
{
    return std::make_shared<Camera>(id, name, serverId, 77, "Office", true, false, true, QSize(1280, 720), "h264",
                                    flags, "active");
}

} // namespace

class tst_Camera : public QObject
{
    Q_OBJECT
private slots:
    void serverTypeAndEquality();
    void flagsAndPreviewSignalOnlyOnChange();
    void flagsText_data();
    void flagsText();
    void signalTypesAreKnownByName();
};

void tst_Camera::serverTypeAndEquality()
{
    CameraPtr camera = makeCamera("srv-1", 4);
    // Server type 1 marks a local camera and its value becomes 1; type 0 leaves the value alone.
    camera->setServerType(0);
    QCOMPARE(camera->serverValue(), qint64(77));
    camera->setServerType(1);
    QCOMPARE(camera->serverValue(), qint64(1));

    // Equality is server id, number and name, not flags.
    QVERIFY(*camera == *makeCamera("srv-1", 4, "Gate", Camera::Offline));
    for (const CameraPtr& other : {makeCamera("srv-1", 5), makeCamera("srv-2", 4), makeCamera("srv-1", 4, "Yard")})
        QVERIFY(!(*camera == *other));
}

void tst_Camera::flagsAndPreviewSignalOnlyOnChange()
{
    CameraPtr camera = makeCamera("srv", 1);
    camera->setPreview("JPEG");

    // Going offline drops the preview first, then announces the flags.
    QStringList order;
    connect(camera.get(), &Camera::previewChanged, this,
            [&order](const QByteArray& bytes) { order << QStringLiteral("preview:%1").arg(bytes.size()); });
    connect(camera.get(), &Camera::flagsChanged, this,
            [&order](Camera::CameraFlags flags) { order << QStringLiteral("flags:%1").arg(int(flags)); });
    camera->setFlags(Camera::Offline);
    QCOMPARE(order, QStringList({"preview:0", "flags:2"}));
    QCOMPARE(camera->flags(), Camera::CameraFlags(Camera::Offline));

    // The same flags again: nothing at all. Another non-zero value: the preview is empty already.
    order.clear();
    camera->setFlags(Camera::Offline);
    QVERIFY(order.isEmpty());
    camera->setFlags(Camera::Offline | Camera::NotPaid);
    QCOMPARE(order, QStringList({"flags:3"}));

    // Back to 0 keeps whatever preview there is and announces the flags.
    camera->setPreview("JPEG");
    order.clear();
    camera->setFlags(Camera::CameraFlags());
    QCOMPARE(order, QStringList({"flags:0"}));
    QCOMPARE(camera->preview(), QByteArray("JPEG"));

    // Every call of the setter signals, also with the same bytes; clearing an empty preview says nothing.
    order.clear();
    camera->setPreview("JPEG");
    camera->clearPreview();
    camera->clearPreview();
    QCOMPARE(order, QStringList({"preview:4", "preview:0"}));
}

void tst_Camera::flagsText_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("russian");
    QTest::newRow("0") << 0 << QString() << QString();
    QTest::newRow("not paid") << 1 << QString("not paid for") << QString("не оплачена");
    QTest::newRow("offline") << 2 << QString("offline") << QString("не в сети");
    QTest::newRow("both") << 3 << QString("not paid for, offline") << QString("не оплачена, не в сети");
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

void tst_Camera::signalTypesAreKnownByName()
{
    // Queued connections look every parameter type of the records' signals up by the name the signal uses.
    for (const QMetaObject* meta :
         {&Camera::staticMetaObject, &Core::VideoServer::staticMetaObject, &Core::LocalVideoServer::staticMetaObject}) {
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            const QMetaMethod method = meta->method(i);
            for (const QByteArray& type : method.parameterTypes())
                QVERIFY2(QMetaType::fromName(type).isValid(), method.methodSignature().constData());
        }
    }
    for (const char* name :
         {"Core::CameraPtr", "Core::GlobalCameraList", "Core::camera_global_id_t", "Core::VideoServerPtr",
          "Core::LocalVideoServerPtr", "Core::ArchiveRecordPtr", "Core::ArchiveDayPtr", "Core::QualitySettings::Type"})
        QVERIFY2(QMetaType::fromName(name).isValid(), name);
}

QUORVEL_TEST_MAIN(tst_Camera)
#include "tst_Camera.moc"
