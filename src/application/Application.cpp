#include "application/Application.h"

#include "application/Language.h"
#include "application/Log.h"
#include "application/SingleApplication.h"
#include "core/media/Vlc.h"
#include "gui/mainwindow/LogInDialog.h"
#include "utils/OpenFileLimit.h"
#include "utils/ServiceHosts.h"
#include "utils/Settings.h"

#include <QCoreApplication>
#include <QDebug>

#include <memory>

static void registerIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace QuorvelClient {
namespace Application {

int runApplication(int& argc, char** argv)
{
    // Local video servers are asked over many connections at once.
    Utils::raiseOpenFileLimit();
    auto app = std::make_unique<SingleApplication>(argc, argv);
    if (app->isRunning())
        return 0;

    QCoreApplication::setApplicationName(QCoreApplication::translate("QApplication", "Quorvel Client"));
    QCoreApplication::setOrganizationName(QStringLiteral("Tarnwell Labs"));
    QCoreApplication::setApplicationVersion(QStringLiteral("5.6.0 Build 232"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("http://%1/?target=site&lang=%2")
                                                .arg(QLatin1String(Utils::ServiceHosts::portalHost))
                                                .arg(currentLanguage()));
    QCoreApplication::addLibraryPath(QStringLiteral("plugins"));

    openLog();

    qDebug() << "Settings are loading from:" << Utils::Settings::instance()->fileName();

    setupLanguage();
    registerIconResources();

    int result = 0;
    {
        GUI::LogInDialog dialog;
        dialog.show();
        // The engine loads while the user signs in.
        Core::Vlc::startEarly();
        result = app->exec();
    }
    Utils::Settings::instance()->sync();
    app.reset();
    return result;
}

} // namespace Application
} // namespace QuorvelClient
