#include "support/TestEnvironment.h"
#include "utils/DiskSpace.h"
#include "utils/Error.h"

#include <QDir>

#include <cerrno>

class tst_DiskSpace : public QObject
{
    Q_OBJECT
private slots:
    void queriesExistingFolders();
    void refusesMissingFolderWithoutTouchingOutputs();
    void errorKeepsMessageAndErrno();
};

void tst_DiskSpace::queriesExistingFolders()
{
    // A Cyrillic folder name travels as UTF-8.
    const QString folder = TestSupport::workDir() + QStringLiteral("/Экспорт");
    QVERIFY(QDir().mkpath(folder));
    quint64 total = 0, userFree = 0, totalFree = 0;
    QVERIFY(Utils::diskSpace(folder.toUtf8().toStdString(), &total, &userFree, &totalFree));
    QVERIFY(total > 0);
    QVERIFY(userFree <= totalFree);
    QVERIFY(totalFree <= total);
    QVERIFY(Utils::diskSpace(folder.toUtf8().toStdString()));
}

void tst_DiskSpace::refusesMissingFolderWithoutTouchingOutputs()
{
    quint64 total = 7, userFree = 8, totalFree = 9;
    QVERIFY(!Utils::diskSpace((TestSupport::workDir() + "/no/such/folder").toStdString(), &total, &userFree,
                              &totalFree));
    QCOMPARE(total, quint64(7));
    QCOMPARE(userFree, quint64(8));
    QCOMPARE(totalFree, quint64(9));
    QVERIFY(!Utils::diskSpace(std::string()));
}

void tst_DiskSpace::errorKeepsMessageAndErrno()
{
    errno = ENOENT;
    try {
        throw utils::Error("abc");
    } catch (utils::Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("abc"));
        QCOMPARE(e.savedErrno(), ENOENT);
    }
}

QUORVEL_TEST_MAIN(tst_DiskSpace)
#include "tst_DiskSpace.moc"
