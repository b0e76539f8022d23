#include "gui/roster/ServerWidget.h"

#include "gui/roster/RowTexts.h"

#include "ui_ServerWidget.h"

ServerWidget::ServerWidget(const QString& name, const QString& state, QWidget* parent)
    : QWidget(parent), ui(new Ui::ServerWidget)
{
    ui->setupUi(this);
    QuorvelClient::GUI::fitStripFont(ui->frame, {ui->name, ui->state});
    for (QuorvelClient::GUI::ElidedLabel* label : {ui->name, ui->state})
        connect(label, &QuorvelClient::GUI::ElidedLabel::elisionChanged, this, &ServerWidget::cutTextsChanged);
    ui->name->setText(name);
    setState(state);
}

ServerWidget::~ServerWidget() = default;

void ServerWidget::setName(const QString& name)
{
    ui->name->setText(name);
}

void ServerWidget::setState(const QString& state)
{
    ui->state->setText(state);
    ui->state->setVisible(!state.isEmpty());
}

void ServerWidget::setBold(bool bold)
{
    QFont font = ui->name->font();
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    ui->name->setFont(font);
}

QStringList ServerWidget::cutTexts() const
{
    return QuorvelClient::GUI::ElidedLabel::cutTexts({ui->name, ui->state});
}
