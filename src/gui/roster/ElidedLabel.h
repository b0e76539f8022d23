#pragma once

#include <QLabel>
#include <QStringList>

#include <initializer_list>

namespace QuorvelClient {
namespace GUI {

// A one-line plain-text label that draws its text cut with "…" at the right when the text is wider than the label;
// text() stays the whole text, as far as a view shows a text from a peer. Its minimum width is 0, so that a long text
// never widens the row it sits in.
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    // Hides QLabel::setText, so that a new text is measured at once.
    void setText(const QString& text);
    bool isElided() const { return m_elided; }
    // The whole texts of those labels that are shown and cut.
    static QStringList cutTexts(std::initializer_list<const ElidedLabel*> labels);

    QSize minimumSizeHint() const override;

signals:
    // The text has started or stopped being cut, or a cut text has changed.
    void elisionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void checkElision(bool textChanged = false);

    bool m_elided = false;
};

} // namespace GUI
} // namespace QuorvelClient
