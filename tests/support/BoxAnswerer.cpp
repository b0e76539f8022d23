#include "support/BoxAnswerer.h"

#include "gui/DialogSeam.h"
#include "support/PeerNameProbe.h"

#include <QAbstractButton>
#include <QDialog>
#include <QMessageBox>
#include <QTest>

namespace TestSupport {

namespace {

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

BoxAnswerer::BoxAnswerer(const QString& button) : m_default(button)
{
    QuorvelClient::GUI::DialogSeam::setAnswerer([this](QDialog* dialog) { return answer(dialog); });
}

BoxAnswerer::~BoxAnswerer()
{
    failOnUnexpectedBoxes();
}

void BoxAnswerer::answerNext(const QStringList& buttons)
{
    m_next = buttons;
}

void BoxAnswerer::setDialogHandler(std::function<int(QDialog*)> handler)
{
    m_handler = std::move(handler);
}

int BoxAnswerer::answer(QDialog* dialog)
{
    Seen seen;
    seen.className = QString::fromLatin1(dialog->metaObject()->className());
    seen.title = dialog->windowTitle();
    auto* box = qobject_cast<QMessageBox*>(dialog);
    if (box) {
        seen.text = box->text();
        seen.shown = PeerNameProbe::shownText(box->text(), box->textFormat());
        seen.informative = box->informativeText();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << withoutMnemonic(button->text());
    }
    m_seen << seen;

    if (!box) {
        if (m_handler)
            return m_handler(dialog);
        dialog->reject();
        return dialog->result();
    }
    const QString wanted = m_next.isEmpty() ? m_default : m_next.takeFirst();
    for (QAbstractButton* button : box->buttons()) {
        if (!wanted.isEmpty() && withoutMnemonic(button->text()) == withoutMnemonic(wanted)) {
            button->click();
            return box->result();
        }
    }
    box->reject();
    return box->result();
}

void failOnUnexpectedBoxes()
{
    QuorvelClient::GUI::DialogSeam::setAnswerer([](QDialog* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        const QByteArray what = QStringLiteral("%1 \"%2\" %3")
                                    .arg(QString::fromLatin1(dialog->metaObject()->className()), dialog->windowTitle(),
                                         box ? box->text() : QString())
                                    .toUtf8();
        QTest::qVerify(false, "no box unanswered", ("Unexpected box: " + what).constData(), __FILE__, __LINE__);
        dialog->reject();
        return dialog->result();
    });
}

} // namespace TestSupport
