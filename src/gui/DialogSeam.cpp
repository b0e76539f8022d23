#include "gui/DialogSeam.h"

#include <QDialog>

namespace QuorvelClient {
namespace GUI {

namespace {
DialogSeam::Answerer& answerer()
{
    static DialogSeam::Answerer a;
    return a;
}
} // namespace

int DialogSeam::exec(QDialog* dialog)
{
    if (!answerer())
        return dialog->exec();
    // As exec() does: a dialog shown again starts without the result of its last run.
    dialog->setResult(0);
    dialog->show();
    const int result = answerer()(dialog);
    dialog->hide();
    return result;
}

void DialogSeam::setAnswerer(Answerer a)
{
    answerer() = std::move(a);
}

} // namespace GUI
} // namespace QuorvelClient
