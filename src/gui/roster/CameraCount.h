#pragma once

#include <QString>

namespace QuorvelClient {
namespace GUI {

// " (<count> <word>)" for a server row's text. The row passes its own translations of "camera", "s" and "s%1";
// Russian takes "s" after 1, 21, 101 ... and "s%1" after 2 to 4, 22 to 24 ... (never after 11 to 14 of a hundred),
// English "s" after any count above 1.
QString cameraCountText(int count, const QString& camera, const QString& ending, const QString& fewEnding);

} // namespace GUI
} // namespace QuorvelClient
