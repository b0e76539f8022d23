#pragma once

#include <functional>

class QDialog;

namespace QuorvelClient {
namespace GUI {

// Every modal dialog of the program runs through here, so that tests can answer it without blocking.
class DialogSeam
{
public:
    // Receives the dialog, already shown, and returns its result (it may click a button first).
    using Answerer = std::function<int(QDialog*)>;

    static int exec(QDialog* dialog);

    // Installs the answerer that replaces the modal loop; an empty one restores QDialog::exec().
    static void setAnswerer(Answerer answerer);
};

} // namespace GUI
} // namespace QuorvelClient
