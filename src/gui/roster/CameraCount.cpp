#include "gui/roster/CameraCount.h"

#include "application/Language.h"

namespace QuorvelClient {
namespace GUI {

QString cameraCountText(int count, const QString& camera, const QString& ending, const QString& fewEnding)
{
    QString word = camera;
    if (Application::currentLanguage() == QLatin1String("ru")) {
        const int last = count % 10;
        if (count == 1 || (count > 20 && last == 1))
            word += ending;
        else if ((count >= 2 && count <= 4) || (count > 20 && last >= 2 && last <= 4))
            word += fewEnding.arg(QString());
    } else if (count > 1) {
        word += ending;
    }
    return QStringLiteral(" (%1 %2)").arg(QString::number(count), word);
}

} // namespace GUI
} // namespace QuorvelClient
