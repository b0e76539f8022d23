#include "core/QualitySettings.h"

#include <cmath>

namespace QuorvelClient {
namespace Core {

namespace {

void registerQualityType()
{
    qRegisterMetaType<QualitySettings::Type>("Core::QualitySettings::Type");
}
Q_CONSTRUCTOR_FUNCTION(registerQualityType)

struct ResolutionRow
{
    int width;
    QSize high;
    QSize middle;
    QSize low;
};

// Rows in ascending row width.
const ResolutionRow table4x3[] = {
    {320, QSize(320, 240), QSize(320, 240), QSize(192, 144)},
    {640, QSize(640, 480), QSize(320, 240), QSize(320, 240)},
    {768, QSize(768, 576), QSize(320, 240), QSize(320, 240)},
};

const ResolutionRow table16x9[] = {
    {320, QSize(320, 180), QSize(320, 180), QSize(320, 180)},
    {854, QSize(854, 480), QSize(320, 180), QSize(320, 180)},
    {1280, QSize(1280, 720), QSize(854, 480), QSize(320, 180)},
};

template <size_t N> QSize lookUp(const ResolutionRow (&table)[N], int width, QualitySettings::Type type)
{
    // The largest row width not above the camera's width and less than 1000 below it; else the first row.
    const ResolutionRow* row = &table[0];
    int bestDistance = 1000;
    for (const ResolutionRow& candidate : table) {
        const int distance = width - candidate.width;
        if (distance >= 0 && distance < bestDistance) {
            row = &candidate;
            bestDistance = distance;
        }
    }
    switch (type) {
    case QualitySettings::High:
        return row->high;
    case QualitySettings::Middle:
        return row->middle;
    case QualitySettings::Low:
        return row->low;
    }
    return QSize();
}

} // namespace

QString QualitySettings::toString(Type type)
{
    switch (type) {
    case Low:
        return QStringLiteral("low");
    case Middle:
        return QStringLiteral("middle");
    case High:
        return QStringLiteral("high");
    }
    return QStringLiteral("unknown");
}

QSize QualitySettings::resolution(const CameraPtr& camera, Type type)
{
    QSize size = camera ? camera->resolution() : QSize();
    if (size.width() < 1 || size.height() < 1)
        size = QSize(640, 480);
    if (camera && type == High &&
        (camera->vcodec() == QLatin1String("h264") || camera->vcodec() == QLatin1String("mpeg4")))
        return size;
    const double ratio = double(size.width()) / double(size.height());
    if (std::fabs(ratio - 4.0 / 3.0) > std::fabs(ratio - 16.0 / 9.0))
        return lookUp(table16x9, size.width(), type);
    return lookUp(table4x3, size.width(), type);
}

} // namespace Core
} // namespace QuorvelClient
