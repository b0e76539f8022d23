#include "support/TestEnvironment.h"
#include "utils/DriveType.h"

#include <QStorageInfo>

class tst_DriveType : public QObject
{
    Q_OBJECT
private slots:
    void classifiesFolders();
};

void tst_DriveType::classifiesFolders()
{
    QCOMPARE(Utils::driveType(TestSupport::workDir() + "/missing"), Utils::DriveNoRootDir);
    if (QStorageInfo("/dev/shm").fileSystemType() == "tmpfs")
        QCOMPARE(Utils::driveType("/dev/shm"), Utils::DriveRamDisk);
    // The working folder of a test is never on a removable drive here.
    const Utils::DriveType work = Utils::driveType(TestSupport::workDir());
    QVERIFY(work != Utils::DriveRemovable && work != Utils::DriveNoRootDir);
}

QUORVEL_TEST_MAIN(tst_DriveType)
#include "tst_DriveType.moc"
