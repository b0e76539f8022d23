#include "support/TestClips.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

class tst_TestClips : public QObject
{
    Q_OBJECT
private slots:
    void makersAtOnceReadWholeClips();
    void failedMakerSaysWhy();
};

namespace {

const int kMakers = 12;
const int kRounds = 40;

// One maker: makes the clip of each round in turn, as a test program asks for its clip, and reads it back at once.
// Prints a line for each read that differs from the source and returns their number.
int runMaker(const QString& dir)
{
    QFile source(dir + QStringLiteral("/source.bin"));
    if (!source.open(QIODevice::ReadOnly))
        return 100;
    const QByteArray whole = source.readAll();
    int bad = 0;
    for (int round = 0; round < kRounds; ++round) {
        const QString path = TestSupport::makeClip(dir + QStringLiteral("/clip-%1.flv").arg(round), {"-f", "flv"});
        QFile clip(path);
        const QByteArray read = clip.open(QIODevice::ReadOnly) ? clip.readAll() : QByteArray();
        if (read != whole) {
            std::printf("round %d: read %lld of %lld bytes\n", round, qlonglong(read.size()), qlonglong(whole.size()));
            ++bad;
        }
    }
    return bad;
}

} // namespace

void tst_TestClips::makersAtOnceReadWholeClips()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray bytes(4 << 20, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 131 >> 7);
    QFile source(dir.filePath("source.bin"));
    QVERIFY(source.open(QIODevice::WriteOnly) && source.write(bytes) == bytes.size());
    source.close();
    // Finishes at once: copies the source into the file named last, as ffmpeg writes its output.
    QFile standIn(dir.filePath("ffmpeg"));
    QVERIFY(standIn.open(QIODevice::WriteOnly));
    standIn.write("#!/bin/sh\nfor out; do :; done\nexec cp \"" + QFile::encodeName(source.fileName()) +
                  "\" \"$out\"\n");
    standIn.close();
    QVERIFY(standIn.setPermissions(standIn.permissions() | QFile::ExeOwner));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QUORVEL_TEST_FFMPEG", standIn.fileName());
    QProcess makers[kMakers];
    for (QProcess& maker : makers) {
        maker.setProcessEnvironment(environment);
        maker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        maker.start(QCoreApplication::applicationFilePath(), {"--maker", dir.path()});
    }
    QStringList bad;
    int exitCodes = 0;
    for (QProcess& maker : makers) {
        QVERIFY(maker.waitForFinished(120000));
        bad << QString::fromLocal8Bit(maker.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        exitCodes += maker.exitStatus() == QProcess::NormalExit ? maker.exitCode() : 1000;
    }
    QCOMPARE(bad, QStringList());
    QCOMPARE(exitCodes, 0);
    // Nothing is left beside the clips but their locks.
    QDir folder(dir.path());
    QCOMPARE(folder.entryList({"*.tmp"}, QDir::Files), QStringList());
    QCOMPARE(folder.entryList({"clip-*.flv"}, QDir::Files).size(), kRounds);
}

void tst_TestClips::failedMakerSaysWhy()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("clip.flv");
    qputenv("QUORVEL_TEST_FFMPEG", "/bin/false");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^cannot make the test clip " +
                                                          QRegularExpression::escape(path) + " with /bin/false: $"));
    QCOMPARE(TestSupport::makeClip(path, {"-f", "flv"}), QString());
    qputenv("QUORVEL_TEST_FFMPEG", dir.filePath("missing").toLocal8Bit());
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("with .*/missing: execvp: No such file or directory$"));
    QCOMPARE(TestSupport::makeClip(path, {"-f", "flv"}), QString());
    qunsetenv("QUORVEL_TEST_FFMPEG");
    // Nothing half made is left under the clip's name.
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(dir.path()).entryList({"*.tmp"}, QDir::Files), QStringList());
}

int main(int argc, char* argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--maker") == 0) {
        QCoreApplication app(argc, argv);
        return runMaker(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    tst_TestClips test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_TestClips.moc"
