#include "gui/playback/widgets/VideoPanel.h"

#include "gui/playback/widgets/VolumeSlider.h"
#include "ui_VideoPanel.h"
#include "utils/SettingsKeys.h"

#include <QDebug>
#include <QIcon>

namespace QuorvelClient {
namespace GUI {

VideoPanel::VideoPanel(QWidget* parent) : QWidget(parent), ui(new Ui::VideoPanel)
{
    ui->setupUi(this);
    initControls();
    connectControls();
}

VideoPanel::~VideoPanel() = default;

void VideoPanel::initControls()
{
    m_volumeSlider = new VolumeSlider(ui->volumeWidget, 5, false, "255;255;255;20;210;20;255;199;15;245;39;29");
    m_volumeSlider->setOrientation(Qt::Horizontal);
    m_volumeSlider->setSliderPosition(100);
    m_volumeSlider->setFocusPolicy(Qt::NoFocus);
    m_volumeSlider->show();
    connect(m_volumeSlider, &VolumeSlider::valueChanged, this, &VideoPanel::volumeChanged);

    ui->btnAccExport->hide();
    ui->btnCancelExport->hide();
    ui->btnAccSearch->hide();
    ui->btnCancelSearch->hide();
    ui->btnCloseFinded->hide();
}

void VideoPanel::connectControls()
{
    connect(ui->btnPause, &QPushButton::clicked, this, &VideoPanel::pauseClicked);
    connect(ui->btnRotateRight, &QPushButton::clicked, this, &VideoPanel::rotateRightClicked);
    connect(ui->btnSave, &QPushButton::clicked, this, &VideoPanel::saveClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &VideoPanel::exportStarted);
    connect(ui->btnAccExport, &QPushButton::clicked, this, &VideoPanel::exportAccepted);
    connect(ui->btnCancelExport, &QPushButton::clicked, this, &VideoPanel::exportCanceled);
    connect(ui->btnSearch, &QPushButton::clicked, this, &VideoPanel::searchStarted);
    connect(ui->btnCloseFinded, &QPushButton::clicked, this, &VideoPanel::searchClosed);
    connect(ui->btnAccSearch, &QPushButton::clicked, this, &VideoPanel::searchAccepted);
    connect(ui->btnCancelSearch, &QPushButton::clicked, this, &VideoPanel::searchCanceled);
    connect(ui->btnLive, &QPushButton::clicked, this, &VideoPanel::goLive);
    connect(ui->boxQuality, &QComboBox::currentIndexChanged, this, &VideoPanel::qualitySelectionChanged);
    connect(ui->boxSpeed, &QComboBox::currentIndexChanged, this, &VideoPanel::speedSelectionChanged);
}

int VideoPanel::speed() const
{
    return ui->boxSpeed->currentIndex();
}

int VideoPanel::quality() const
{
    return ui->boxQuality->currentIndex();
}

void VideoPanel::setVolume(int volume)
{
    m_volumeSlider->setValue(volume);
}

int VideoPanel::volume() const
{
    return m_volumeSlider->sliderPosition();
}

void VideoPanel::pauseClicked()
{
    setShowPaused(m_pauseFace == 1);
    emit pause(m_pauseFace == 0);
}

void VideoPanel::saveClicked()
{
    emit save();
}

void VideoPanel::rotateRightClicked()
{
    emit rotateRight();
}

void VideoPanel::setTimeText(QString text)
{
    ui->timeLabel->setText(text);
}

void VideoPanel::setVideoState(VideoState state)
{
    if (state == m_videoState)
        return;
    m_videoState = state;
    if (state != NoVideo && state != LiveVideo && state != ArchiveVideo)
        return;
    const bool on = state != NoVideo;
    ui->btnLive->setEnabled(on);
    ui->btnRotateRight->setEnabled(on);
    ui->btnPause->setEnabled(on);
    ui->btnSave->setEnabled(on);
    if (!on) {
        ui->btnExport->setEnabled(false);
        ui->btnSearch->setEnabled(false);
    }
}

void VideoPanel::setPauseEnabled(bool enabled)
{
    ui->btnPause->setEnabled(enabled);
}

void VideoPanel::setShowPaused(bool paused)
{
    m_pauseFace = paused ? 0 : 1;
    ui->btnPause->setToolTip(paused ? tr("Continue watching") : tr("Pause"));
    ui->btnPause->setIcon(QIcon(paused ? QStringLiteral(":icons/play.png") : QStringLiteral(":icons/pause.png")));
}

void VideoPanel::setSpeedEnabled(bool enabled)
{
    ui->boxSpeed->setEnabled(enabled);
}

void VideoPanel::setExportArchiveStarted(bool started)
{
    ui->btnAccExport->setVisible(started);
    ui->btnCancelExport->setVisible(started);
    ui->btnExport->setVisible(!started);
}

void VideoPanel::setExportArchiveEnabled(bool enabled)
{
    ui->btnExport->setEnabled(enabled);
}

void VideoPanel::setSearchArchiveStarted(bool started)
{
    ui->btnAccSearch->setVisible(started);
    ui->btnCancelSearch->setVisible(started);
    ui->btnSearch->setVisible(!started);
    ui->btnCloseFinded->hide();
}

void VideoPanel::setSearchArchiveEnabled(bool enabled)
{
    ui->btnSearch->setEnabled(enabled);
}

void VideoPanel::showCloseArchiveSearch()
{
    ui->btnAccSearch->hide();
    ui->btnCancelSearch->hide();
    ui->btnSearch->show();
    ui->btnSearch->setEnabled(true);
    ui->btnCloseFinded->show();
}

void VideoPanel::qualitySelectionChanged(int index)
{
    if (m_pendingQualityChanges > 0) {
        --m_pendingQualityChanges;
        emit qualityChanged();
        return;
    }
    m_savedQuality = index;
    Utils::Keys::panelQuality().setValue(index);
    emit qualityChanged();
}

void VideoPanel::speedSelectionChanged(int index)
{
    Q_UNUSED(index);
    emit speedChanged();
}

void VideoPanel::setQuality(int quality)
{
    if (quality < LowQuality || quality > HighQuality)
        return;
    qDebug() << "VideoPanel::setQuality" << m_savedQuality;
    m_savedQuality = quality;
    ui->boxQuality->setCurrentIndex(quality);
}

void VideoPanel::moveQualityBox(int index)
{
    if (ui->boxQuality->currentIndex() == index)
        return;
    ++m_pendingQualityChanges;
    ui->boxQuality->setCurrentIndex(index);
}

void VideoPanel::setQualityLimit(int level)
{
    if (level == m_qualityLimit)
        return;
    switch (level) {
    case 0:
        if (ui->boxQuality->count() < 3)
            ui->boxQuality->addItem(tr("High"));
        ui->boxQuality->setEnabled(true);
        moveQualityBox(m_savedQuality);
        break;
    case 1:
        ui->boxQuality->setEnabled(true);
        if (ui->boxQuality->currentIndex() == HighQuality || m_savedQuality == HighQuality)
            moveQualityBox(MediumQuality);
        else
            moveQualityBox(m_savedQuality);
        // The box no longer shows "High" here, so taking it away changes no index.
        if (ui->boxQuality->count() > 2)
            ui->boxQuality->removeItem(HighQuality);
        break;
    case 2:
        moveQualityBox(LowQuality);
        ui->boxQuality->setEnabled(false);
        break;
    default:
        break;
    }
    m_qualityLimit = level;
}

} // namespace GUI
} // namespace QuorvelClient
