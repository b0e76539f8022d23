#include "application/Language.h"

#include "utils/SettingsKeys.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLocale>
#include <QTranslator>

namespace QuorvelClient {
namespace Application {

namespace {

struct LanguageState
{
    QString code;
    QTranslator* appTranslator = nullptr;
    QTranslator* qtTranslator = nullptr;
};

LanguageState& state()
{
    static LanguageState s;
    return s;
}

} // namespace

QString currentLanguage()
{
    return state().code;
}

void loadLanguage(const QString& language)
{
    LanguageState& s = state();
    // The neutral locale ("C") names no language; its texts are the English ones.
    const QString code = language.size() < 2 ? QStringLiteral("en") : language.left(2);
    if (code == s.code)
        return;
    qDebug() << "Loading language:" << code;

    if (!s.appTranslator) {
        s.appTranslator = new QTranslator;
        s.qtTranslator = new QTranslator;
    }
    if (code == QLatin1String("en")) {
        QCoreApplication::removeTranslator(s.appTranslator);
        QCoreApplication::removeTranslator(s.qtTranslator);
    } else {
        (void)s.appTranslator->load(QStringLiteral(":/translations/QuorvelClient_%1").arg(code));
        (void)s.qtTranslator->load(QStringLiteral(":/translations/qt_%1").arg(code));
        QCoreApplication::installTranslator(s.appTranslator);
        QCoreApplication::installTranslator(s.qtTranslator);
    }
    s.code = code;
}

} // namespace Application
} // namespace QuorvelClient

void setupLanguage()
{
    QString language = Utils::Keys::language().value();
    if (language.isEmpty()) {
        language = QLocale().name();
        qDebug() << "No language in settings. Setup locale:" << language;
    }
    QuorvelClient::Application::loadLanguage(language);
}
