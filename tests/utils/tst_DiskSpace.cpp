#include "support/TestEnvironment.h"
#include "utils/DiskSpace.h"

#include <QDir>

class tst_DiskSpace : public QObject
{
    Q_OBJECT
private slots:
    void answersForExistingFoldersOnly();
};

void tst_DiskSpace::answersForExistingFoldersOnly()
{
    // A Cyrillic folder name travels as UTF-8.
    const std::string folder = (TestSupport::workDir() + "/Экспорт").toUtf8().toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    quint64 total = 0, userFree = 0, totalFree = 0;
    QVERIFY(Utils::diskSpace(folder, &total, &userFree, &totalFree));
    QVERIFY(total > 0 && userFree <= totalFree && totalFree <= total);
    QVERIFY(Utils::diskSpace(folder));

    // A missing folder leaves the outputs as they were.
    quint64 kept[] = {7, 8, 9};
    QVERIFY(!Utils::diskSpace(folder + "/missing", &kept[0], &kept[1], &kept[2]));
    QCOMPARE(QList<quint64>(std::begin(kept), std::end(kept)), QList<quint64>({7, 8, 9}));
    QVERIFY(!Utils::diskSpace(std::string()));
}

QUORVEL_TEST_MAIN(tst_DiskSpace)
#include "tst_DiskSpace.moc"
