#include "support/MessageCapture.h"

#include <QAtomicInt>
#include <QThread>
#include <QtTest>

class tst_MessageCapture : public QObject
{
    Q_OBJECT
private slots:
    void capturesEndWhileThreadsLog();
};

// Threads keep logging, as the threads of players still stopping do, while captures begin and end: each message
// goes to the capture active when it came or to the one outside it, and no capture is used once it ended.
void tst_MessageCapture::capturesEndWhileThreadsLog()
{
    TestSupport::MessageCapture outer;
    QAtomicInt running(1);
    QList<QThread*> threads;
    for (int i = 0; i < 4; ++i) {
        threads << QThread::create([&running] {
            for (int n = 0; n < 50000 && running.loadRelaxed(); ++n)
                qDebug("from a thread");
        });
        threads.last()->start();
    }
    QTRY_VERIFY(outer.count(QStringLiteral("from a thread")) > 0);
    for (int round = 0; round < 2000; ++round) {
        TestSupport::MessageCapture capture;
        QThread::yieldCurrentThread();
        capture.count(QStringLiteral("from a thread"));
    }
    running.storeRelaxed(0);
    for (QThread* thread : threads) {
        QVERIFY(thread->wait(10000));
        delete thread;
    }
    qDebug("from the test");
    QCOMPARE(outer.messages().constLast(), QStringLiteral("from the test"));
}

QTEST_GUILESS_MAIN(tst_MessageCapture)

#include "tst_MessageCapture.moc"
