#include "gui/playback/VideoPlaceholderWidget.h"

#include "ui_VideoPlaceholderWidget.h"

VideoPlaceholderWidget::VideoPlaceholderWidget(QWidget* parent) : QWidget(parent), ui(new Ui::VideoPlaceholderWidget)
{
    ui->setupUi(this);
    connect(ui->btnContinue, &QPushButton::clicked, this, &VideoPlaceholderWidget::continueClicked);
}

VideoPlaceholderWidget::~VideoPlaceholderWidget() = default;

void VideoPlaceholderWidget::setInfo(const QDateTime& start, const QTime& duration)
{
    ui->lbTimeText->setText(
        tr("Watched since %1 for %2.")
            .arg(start.toString(QStringLiteral("dd.MM.yy hh:mm:ss")), duration.toString(QStringLiteral("hh:mm:ss"))));
}
