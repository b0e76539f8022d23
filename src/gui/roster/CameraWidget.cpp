#include "gui/roster/CameraWidget.h"

#include "gui/roster/RowTexts.h"

#include "ui_CameraWidget.h"

#include <QPixmap>

namespace {

// Qt decodes a cut-off JPEG and greys out what is missing. Markers cannot occur inside the compressed data, so a
// whole picture has its end marker after the start of its last scan.
bool isWholeJpeg(const QByteArray& bytes)
{
    const int scan = bytes.lastIndexOf("\xFF\xDA");
    return scan >= 0 && bytes.lastIndexOf("\xFF\xD9") > scan;
}

} // namespace

CameraWidget::CameraWidget(const QString& name, const QString& state, bool online, QWidget* parent)
    : QWidget(parent), ui(new Ui::CameraWidget)
{
    ui->setupUi(this);
    QuorvelClient::GUI::fitStripFont(ui->frame, {ui->name, ui->state});
    for (QuorvelClient::GUI::ElidedLabel* label : {ui->name, ui->state})
        connect(label, &QuorvelClient::GUI::ElidedLabel::elisionChanged, this, &CameraWidget::cutTextsChanged);
    ui->name->setText(name);
    setState(state);
    setOnline(online);
    setCursor(Qt::PointingHandCursor);
}

CameraWidget::~CameraWidget() = default;

void CameraWidget::setState(const QString& state)
{
    ui->state->setText(state);
    ui->state->setVisible(!state.isEmpty());
}

void CameraWidget::setOnline(bool online)
{
    const QString styleSheet =
        online ? QStringLiteral("QFrame#camFrame { background-color: rgb(226, 240, 255);border: 1px solid rgb(190, "
                                "210, 255); border-bottom-left-radius: 3px;border-bottom-right-radius: 3px; }")
               : QStringLiteral("QFrame#camFrame {border: 1px solid rgb(200, 200, 200); border-bottom-left-radius: "
                                "3px;border-bottom-right-radius: 3px; }");
    // Setting a style sheet re-polishes the frame even when it is the same one.
    if (ui->camFrame->styleSheet() != styleSheet)
        ui->camFrame->setStyleSheet(styleSheet);
}

bool CameraWidget::setPreview(const QByteArray& preview)
{
    if (preview.isEmpty() && hasPreview) {
        hasPreview = false;
        ui->preview->setPixmap(QPixmap(QStringLiteral(":icons/default-preview.png")));
        return true;
    }
    QPixmap picture;
    if (!isWholeJpeg(preview) || !picture.loadFromData(preview, "JPEG"))
        return false;
    hasPreview = true;
    ui->preview->setPixmap(picture);
    return true;
}

QStringList CameraWidget::cutTexts() const
{
    return QuorvelClient::GUI::ElidedLabel::cutTexts({ui->name, ui->state});
}

void CameraWidget::paintEvent(QPaintEvent*)
{
    if (previewActive)
        return;
    previewActive = true;
    emit previewOn();
}

void CameraWidget::hideEvent(QHideEvent*)
{
    if (!previewActive)
        return;
    previewActive = false;
    emit previewOff();
}
