#include "gui/mainwindow/PathValidator.h"

#include "gui/DialogSeam.h"
#include "utils/DiskSpace.h"
#include "utils/ExportFolder.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace QuorvelClient {
namespace GUI {

namespace {
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;
}

PathValidator::PathValidator(QLineEdit* pathEdit, QPushButton* pathButton, QLabel* availLabel, QWidget* parent)
    : QObject(parent), pathEdit(pathEdit), pathButton(pathButton), availLabel(availLabel), parentWidget(parent)
{
    connect(pathButton, &QPushButton::clicked, this, &PathValidator::OnChangeExportPath);
    connect(pathEdit, &QLineEdit::textChanged, this, &PathValidator::Update);
    Update();
}

bool PathValidator::Update()
{
    // A folder that does not exist yet is measured on the folder above that the export will create it in.
    const QString folder = Utils::nearestUsableFolder(pathEdit->text());
    quint64 total = 0;
    quint64 freeForUser = 0;
    if (folder.isEmpty() || !Utils::freeSpace(folder.toUtf8().toStdString(), &total, &freeForUser)) {
        availLabel->setText(tr("<p style=\"color:%1\">%2</p>").arg(QStringLiteral("#FF0000"), tr("Incorrect path!")));
        return false;
    }
    const double freeGiB = double(freeForUser) / kGiB;
    const double totalGiB = double(total) / kGiB;
    const bool usable = freeGiB > 1.0;
    const QString text = tr("Available %1 of %2 Gb.").arg(freeGiB, 0, 'f', 2).arg(totalGiB, 0, 'f', 2);
    availLabel->setText(
        tr("<p style=\"color:%1\">%2</p>").arg(usable ? QStringLiteral("#000000") : QStringLiteral("#FF0000"), text));
    return usable;
}

bool PathValidator::Check()
{
    if (Update())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Quorvel Client"),
                    tr("Your archive export path is incorrect! Records export to this path may work incorrectly. "
                       "Apply the settings anyway?"),
                    QMessageBox::Yes | QMessageBox::No, parentWidget);
    box.setDefaultButton(QMessageBox::No);
    DialogSeam::exec(&box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

void PathValidator::OnChangeExportPath()
{
    QFileDialog chooser(parentWidget);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly);
    chooser.setDirectory(pathEdit->text());
    chooser.setWindowFlags(chooser.windowFlags() & ~Qt::WindowContextHelpButtonHint);
    chooser.setModal(true);
    if (DialogSeam::exec(&chooser) == QDialog::Accepted && !chooser.selectedFiles().isEmpty())
        pathEdit->setText(QFileInfo(chooser.selectedFiles().constFirst()).absoluteFilePath());
    Update();
}

} // namespace GUI
} // namespace QuorvelClient
