#pragma once

#include <QMessageBox>

class QTextBrowser;

namespace QuorvelClient {
namespace GUI {

// The update notice: a non-modal message box. Where its own label cannot show the whole text, or the box would be
// taller than its screen, the text shows in a view of its own in the label's place instead: the view wraps the text
// to the box's width, breaking words longer than a line, and scrolls when the text is taller than the screen allows.
class UpdateMessageBox : public QMessageBox
{
    Q_OBJECT
public:
    explicit UpdateMessageBox(QWidget* parent = nullptr);

    // Shows the rich text, with the icon unless it is NoIcon; an open box shows it in place of what it showed.
    void showMessage(const QString& text, QMessageBox::Icon icon);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Lays the box out as a plain message box, then puts the view in the label's place when the plain box would cut
    // its text or not fit its screen. Keeps the box's width.
    void arrange();

    // Kept for the box's life: the box is laid out anew inside a restyle, when nothing may be deleted.
    QTextBrowser* m_notes = nullptr;
};

} // namespace GUI
} // namespace QuorvelClient
