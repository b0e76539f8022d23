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
    void emptyBeforeStartUp();
    void storedLanguageIsLoaded();
    void sameCodeIsLoadedOnce();
    void unknownLanguageKeepsEnglishButItsCode();
    void catalogueTranslatesEveryText();
};

void tst_Language::emptyBeforeStartUp()
{
    QVERIFY(QuorvelClient::Application::currentLanguage().isEmpty());
}

void tst_Language::storedLanguageIsLoaded()
{
    Utils::Settings::instance()->setValue(QStringLiteral("common/language"), QStringLiteral("ru"));
    TestSupport::MessageCapture capture;
    setupLanguage();
    QCOMPARE(capture.messages(), QStringList{QStringLiteral("Loading language: \"ru\"")});
    QCOMPARE(QuorvelClient::Application::currentLanguage(), QStringLiteral("ru"));
    // Our own texts and Qt's own texts are in Russian.
    QCOMPARE(QCoreApplication::translate("QuorvelClient::GUI::LogInDialog", "Sign in"), QStringLiteral("Войти"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
}

void tst_Language::sameCodeIsLoadedOnce()
{
    TestSupport::MessageCapture capture;
    QuorvelClient::Application::loadLanguage(QStringLiteral("ru_RU"));
    QuorvelClient::Application::loadLanguage(QStringLiteral("ru"));
    QVERIFY(capture.messages().isEmpty());
    QCOMPARE(QCoreApplication::translate("QuorvelClient::GUI::LogInDialog", "Sign in"), QStringLiteral("Войти"));

    QuorvelClient::Application::loadLanguage(QStringLiteral("en"));
    QCOMPARE(capture.messages(), QStringList{QStringLiteral("Loading language: \"en\"")});
    QCOMPARE(QuorvelClient::Application::currentLanguage(), QStringLiteral("en"));
    QCOMPARE(QCoreApplication::translate("QuorvelClient::GUI::LogInDialog", "Sign in"), QStringLiteral("Sign in"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

void tst_Language::unknownLanguageKeepsEnglishButItsCode()
{
    QuorvelClient::Application::loadLanguage(QStringLiteral("de_DE"));
    QCOMPARE(QuorvelClient::Application::currentLanguage(), QStringLiteral("de"));
    QCOMPARE(QCoreApplication::translate("QuorvelClient::GUI::LogInDialog", "Sign in"), QStringLiteral("Sign in"));
}

// Every translatable text of the sources has a Russian translation in the compiled catalogue.
void tst_Language::catalogueTranslatesEveryText()
{
    const QString ts = TestSupport::rootDir() + QStringLiteral("/all_ru.ts");
    QProcess lupdate;
    lupdate.start(QStringLiteral(QUORVEL_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-no-obsolete"), QStringLiteral("-I"),
                   QStringLiteral(QUORVEL_SOURCE_DIR "/src"), QStringLiteral(QUORVEL_SOURCE_DIR "/src"),
                   QStringLiteral("-ts"), ts});
    QVERIFY(lupdate.waitForFinished(120000));
    QCOMPARE(lupdate.exitCode(), 0);

    QFile file(ts);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QDomDocument doc;
    QVERIFY(doc.setContent(&file));

    QTranslator catalogue;
    QVERIFY(catalogue.load(QStringLiteral(":/translations/QuorvelClient_ru.qm")));

    QStringList missing;
    int texts = 0;
    const QDomNodeList contexts = doc.elementsByTagName(QStringLiteral("context"));
    for (int c = 0; c < contexts.size(); ++c) {
        const QDomElement context = contexts.at(c).toElement();
        const QByteArray name = context.firstChildElement(QStringLiteral("name")).text().toUtf8();
        for (QDomElement message = context.firstChildElement(QStringLiteral("message")); !message.isNull();
             message = message.nextSiblingElement(QStringLiteral("message"))) {
            const QByteArray source = message.firstChildElement(QStringLiteral("source")).text().toUtf8();
            const QByteArray comment = message.firstChildElement(QStringLiteral("comment")).text().toUtf8();
            const bool numerus = message.attribute(QStringLiteral("numerus")) == QLatin1String("yes");
            ++texts;
            const QString translated = catalogue.translate(name.constData(), source.constData(),
                                                           comment.isEmpty() ? nullptr : comment.constData(),
                                                           numerus ? 1 : -1);
            if (translated.isEmpty())
                missing << QString::fromUtf8(name + " / " + source);
        }
    }
    QVERIFY(texts > 0);
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

    // No catalogue keeps entries marked unfinished.
    const QDir dir(QStringLiteral(QUORVEL_SOURCE_DIR "/src/resources/translations"));
    for (const QString& name : dir.entryList({QStringLiteral("*_ru.ts")})) {
        QFile catalogueFile(dir.filePath(name));
        QVERIFY(catalogueFile.open(QIODevice::ReadOnly));
        QVERIFY2(!catalogueFile.readAll().contains("type=\"unfinished\""), qPrintable(name));
    }
}

QUORVEL_TEST_MAIN(tst_Language)
#include "tst_Language.moc"
