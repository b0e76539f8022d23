#include "application/Language.h"
#include "support/MessageCapture.h"
#include "support/TestEnvironment.h"
#include "utils/Settings.h"

#include <QDomDocument>
#include <QFile>
#include <QProcess>
#include <QTranslator>

class tst_Language : public QObject
{
    Q_OBJECT
private slots:
    void storedLanguageIsLoaded_data();
    void storedLanguageIsLoaded();
    void catalogueTranslatesEveryText();
};

void tst_Language::storedLanguageIsLoaded_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("texts");
    // Rows run in order: each starts from the language the row before left. Our own texts, then Qt's own.
    QTest::newRow("ru") << "ru"
                        << "ru" << QStringList{"Loading language: \"ru\""} << QStringList{"Войти", "Отмена"};
    QTest::newRow("same code again") << "ru_RU"
                                     << "ru" << QStringList() << QStringList{"Войти", "Отмена"};
    QTest::newRow("en") << "en"
                        << "en" << QStringList{"Loading language: \"en\""} << QStringList{"Sign in", "Cancel"};
    QTest::newRow("unknown keeps its code")
        << "de_DE"
        << "de" << QStringList{"Loading language: \"de\""} << QStringList{"Sign in", "Cancel"};
}

void tst_Language::storedLanguageIsLoaded()
{
    QFETCH(QString, stored);
    Utils::Settings::instance()->setValue("common/language", stored);
    TestSupport::MessageCapture capture;
    setupLanguage();
    QTEST(capture.messages(), "log");
    QTEST(QuorvelClient::Application::currentLanguage(), "code");
    QTEST(QStringList({QCoreApplication::translate("QuorvelClient::GUI::LogInDialog", "Sign in"),
                       QCoreApplication::translate("QPlatformTheme", "Cancel")}),
          "texts");
}

// Every translatable text of the sources has a Russian translation in the compiled catalogue.
void tst_Language::catalogueTranslatesEveryText()
{
    const QString ts = TestSupport::rootDir() + "/all_ru.ts";
    QProcess lupdate;
    lupdate.start(QStringLiteral(QUORVEL_LUPDATE),
                  {"-silent", "-no-obsolete", "-I", QUORVEL_SOURCE_DIR "/src", QUORVEL_SOURCE_DIR "/src", "-ts", ts});
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);
    QFile file(ts);
    QDomDocument doc;
    QVERIFY(file.open(QIODevice::ReadOnly) && doc.setContent(&file));
    QTranslator catalogue;
    QVERIFY(catalogue.load(":/translations/QuorvelClient_ru.qm"));

    QStringList missing;
    const QDomNodeList messages = doc.elementsByTagName("message");
    QVERIFY(messages.size() > 0);
    for (int i = 0; i < messages.size(); ++i) {
        const QDomElement message = messages.at(i).toElement();
        const QByteArray context = message.parentNode().firstChildElement("name").text().toUtf8();
        const QByteArray source = message.firstChildElement("source").text().toUtf8();
        const QByteArray comment = message.firstChildElement("comment").text().toUtf8();
        if (catalogue
                .translate(context.constData(), source.constData(), comment.isEmpty() ? nullptr : comment.constData(),
                           message.attribute("numerus") == QLatin1String("yes") ? 1 : -1)
                .isEmpty())
            missing << QString::fromUtf8(context + " / " + source);
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

    // No catalogue keeps entries marked unfinished.
    const QDir dir(QStringLiteral(QUORVEL_SOURCE_DIR "/src/resources/translations"));
    for (const QString& name : dir.entryList({"*_ru.ts"})) {
        QFile catalogueFile(dir.filePath(name));
        QVERIFY(catalogueFile.open(QIODevice::ReadOnly));
        QVERIFY2(!catalogueFile.readAll().contains("type=\"unfinished\""), qPrintable(name));
    }
}

QUORVEL_TEST_MAIN(tst_Language)
#include "tst_Language.moc"
