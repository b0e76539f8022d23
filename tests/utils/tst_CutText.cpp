#include "support/TestEnvironment.h"
#include "utils/CutText.h"

#include <QTest>

class tst_CutText : public QObject
{
    Q_OBJECT
private slots:
    void cutsBetweenLetters_data();
    void cutsBetweenLetters();
};

void tst_CutText::cutsBetweenLetters_data()
{
    const QChar ellipsis(0x2026);
    const QString face = QString::fromUcs4(U"\U0001F600");
    const QString accent(QChar(0x0301));
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("short") << "Lab"
                           << "Lab";
    QTest::newRow("as long as the room") << QString(200, 'a') << QString(200, 'a');
    QTest::newRow("one letter more") << QString(201, 'a') << QString(199, 'a') + ellipsis;
    QTest::newRow("a million letters") << QString(1000000, 'a') << QString(199, 'a') + ellipsis;
    QTest::newRow("a surrogate pair across the cut")
        << QString(198, 'a') + face + QString(10, 'b') << QString(198, 'a') + ellipsis;
    QTest::newRow("a mark across the cut")
        << QString(198, 'a') + 'e' + accent + QString(10, 'b') << QString(198, 'a') + ellipsis;
    QTest::newRow("one letter longer than the room")
        << 'e' + accent.repeated(1000) << 'e' + accent.repeated(198) + ellipsis;
}

void tst_CutText::cutsBetweenLetters()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(Utils::cutText(text), shown);
}

QUORVEL_TEST_MAIN(tst_CutText)
#include "tst_CutText.moc"
