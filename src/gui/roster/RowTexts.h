#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QFrame;
class QLabel;

namespace QuorvelClient {
namespace GUI {

// Gives the lines of a row widget's strip the largest font, not larger than the one they have, at which they all fit
// into the strip's greatest height. The row sizes were made for a smaller default font than many systems have.
void fitStripFont(QFrame* strip, const QList<QLabel*>& lines);

// A row's tooltip: its sentence, then on a line each the texts that its widget shows cut and the sentence does not
// hold in full. Whatever the names in it, the tooltip shows as plain text.
QString rowToolTip(const QString& sentence, const QStringList& cutTexts);

} // namespace GUI
} // namespace QuorvelClient
