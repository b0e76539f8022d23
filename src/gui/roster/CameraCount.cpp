#include "gui/roster/CameraCount.h"

#include "application/Language.h"

namespace QuorvelClient {
namespace GUI {

QString cameraCountText(int count, const QString& camera, const QString& ending, const QString& fewEnding)
{
    QString word = camera;
    if (Application::currentLanguage() == QLatin1String("ru")) {
        // 11 to 14 take the plural of many whatever the hundreds: 111 "камер", 121 "камера".
        const int last = count % 10;
        const bool teens = count % 100 >= 11 && count % 100 <= 14;
        if (!teens && last == 1)
            word += ending;
        else if (!teens && last >= 2 && last <= 4)
            word += fewEnding.arg(QString());
    } else if (count > 1) {
        word += ending;
    }
    return QStringLiteral(" (%1 %2)").arg(QString::number(count), word);
}

} // namespace GUI
} // namespace QuorvelClient
