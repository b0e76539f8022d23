#pragma once

#include <QObject>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace QuorvelClient {
namespace GUI {

// Watches an export-folder line: shows the free space of the drive that will hold the folder under it, opens a
// folder chooser from its button, and asks before an unusable folder is accepted. Owns none of the widgets.
class PathValidator : public QObject
{
    Q_OBJECT
public:
    PathValidator(QLineEdit* pathEdit, QPushButton* pathButton, QLabel* availLabel, QWidget* parent);

public slots:
    // Refreshes the label; true when the folder can take exports (more than 1 GiB free to the user).
    bool Update();
    // Update(), and for an unusable folder the user's answer whether to go on.
    bool Check();

private slots:
    void OnChangeExportPath();

private:
    QLineEdit* pathEdit;
    QPushButton* pathButton;
    QLabel* availLabel;
    QWidget* parentWidget;
};

} // namespace GUI
} // namespace QuorvelClient
