#pragma once

#include <QMargins>
#include <QMessageBox>

class QScrollArea;

namespace QuorvelClient {
namespace GUI {

// The update notice: a non-modal message box whose text scrolls inside it when it would make the box taller than its
// screen, so that the whole box and its OK button stay on the screen. Shorter texts show as in any message box.
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
    // Moves the text into a scroll area of the height that fits when the box is too tall for its screen; unfit()
    // puts it back. Both keep the box's width.
    bool fit();
    void unfit();

    QScrollArea* m_scroll = nullptr;
    QMargins m_labelMargins;
};

} // namespace GUI
} // namespace QuorvelClient
