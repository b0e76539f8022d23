#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QDialog;

namespace TestSupport {

// Answers the program's modal dialogs through GUI::DialogSeam while it lives, and records what each one showed;
// then boxes fail the test again (failOnUnexpectedBoxes).
// Answering the next boxes with a button is one line: `TestSupport::BoxAnswerer boxes("Yes");`.
class BoxAnswerer
{
public:
    struct Seen
    {
        QString className; // e.g. "QMessageBox"
        QString title;
        QString text;        // a message box's text, empty for other dialogs
        QString shown;       // that text as the box shows it: the plain text of its markup when taken as rich text
        QString informative; // a message box's informative text
        QStringList buttons; // texts of a message box's buttons, in their order
    };

    // Each box is answered by clicking the button with the given text (mnemonics ignored); an empty text, or a
    // text no button has, rejects the dialog.
    explicit BoxAnswerer(const QString& button = QString());
    ~BoxAnswerer();

    // Buttons for the next boxes, one each, before the default of the constructor applies again.
    void answerNext(const QStringList& buttons);
    // A dialog that is not a message box goes to this handler, which returns the dialog's result.
    void setDialogHandler(std::function<int(QDialog*)> handler);

    const QList<Seen>& seen() const { return m_seen; }
    int count() const { return m_seen.size(); }
    const Seen& last() const { return m_seen.last(); }
    void clear() { m_seen.clear(); }

private:
    int answer(QDialog* dialog);

    QString m_default;
    QStringList m_next;
    std::function<int(QDialog*)> m_handler;
    QList<Seen> m_seen;
};

// Installs the answerer every test starts with and gets back when a BoxAnswerer ends: a box that no test answers
// fails the running test at once and is rejected, instead of waiting for a click that never comes.
void failOnUnexpectedBoxes();

} // namespace TestSupport
