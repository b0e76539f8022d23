#include "gui/DialogSeam.h"
#include "support/BoxAnswerer.h"
#include "support/TestEnvironment.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>

using QuorvelClient::GUI::DialogSeam;

class tst_DialogSeam : public QObject
{
    Q_OBJECT
private slots:
    void unexpectedBoxFailsTheTest();
};

// A box that no test answers fails the running test at once; one a BoxAnswerer answers does not, and once the
// answerer is gone boxes fail again. Should a box wait for a click instead, it is closed after 2 s so that the
// check expected to fail passes, which fails the test.
void tst_DialogSeam::unexpectedBoxFailsTheTest()
{
    QMessageBox box(QMessageBox::Question, "Sure?", "Stop it?", QMessageBox::Yes | QMessageBox::No);
    QTimer rescue;
    rescue.setInterval(2000);
    connect(&rescue, &QTimer::timeout, &box, &QMessageBox::reject);
    const auto exec = [&] {
        rescue.start();
        const int result = DialogSeam::exec(&box);
        rescue.stop();
        return result;
    };
    {
        TestSupport::BoxAnswerer boxes("Yes");
        QCOMPARE(exec(), int(QMessageBox::Yes));
        QCOMPARE(boxes.count(), 1);
    }
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer clock;
        clock.start();
        QEXPECT_FAIL("", "no test answers the box", Continue);
        const int result = exec();
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(clock.elapsed() < 1500);
    }
}

QUORVEL_TEST_MAIN(tst_DialogSeam)
#include "tst_DialogSeam.moc"
