#include "TTipsDialog.h"

#include "Modal.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>

TTipsDialog::TTipsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TipsDialog"));
    setWindowTitle(QStringLiteral("Trucs et astuces"));
    auto *layout = new QVBoxLayout(this);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("TipPanel"));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette colours = panel->palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
    panel->setPalette(colours);
    auto *panelLayout = new QVBoxLayout(panel);
    auto *header = new QLabel(QStringLiteral("Bienvenue !"), panel);
    header->setObjectName(QStringLiteral("Header"));
    QFont big = header->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    header->setFont(big);
    auto *question = new QLabel(QStringLiteral("Saviez-vous que... ?"), panel);
    question->setObjectName(QStringLiteral("Question"));
    QFont bold = question->font();
    bold.setBold(true);
    question->setFont(bold);
    tipText_ = new QLabel(panel);
    tipText_->setObjectName(QStringLiteral("TipText"));
    tipText_->setWordWrap(true);
    tipText_->setMinimumSize(360, 110);
    tipText_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    panelLayout->addWidget(header);
    panelLayout->addWidget(question);
    panelLayout->addWidget(tipText_, 1);
    layout->addWidget(panel, 1);

    auto *bottom = new QHBoxLayout;
    showCheck_ = new QCheckBox(QStringLiteral("Voir les astuces au prochain démarrage"), this);
    showCheck_->setObjectName(QStringLiteral("ShowAtStartup"));
    showCheck_->setChecked(true);
    auto *next = new QPushButton(QStringLiteral("&Suivante"), this);
    next->setObjectName(QStringLiteral("NextButton"));
    auto *close = new QPushButton(QStringLiteral("&Fermer"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    close->setDefault(true);
    bottom->addWidget(showCheck_, 1);
    bottom->addWidget(next);
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(next, &QPushButton::clicked, this, &TTipsDialog::nextTip);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

bool TTipsDialog::showAtStartup() const
{
    return showCheck_->isChecked();
}

void TTipsDialog::setShowAtStartup(bool show)
{
    showCheck_->setChecked(show);
}

bool TTipsDialog::Execute()
{
    if (!showAtStartup() || tips_.isEmpty())
        return false;
    showTip(static_cast<int>(QRandomGenerator::global()->bounded(tips_.size())));
    platform::execModal(*this);
    return true;
}

void TTipsDialog::nextTip()
{
    if (!tips_.isEmpty())
        showTip((current_ + 1) % static_cast<int>(tips_.size()));
}

void TTipsDialog::showTip(int index)
{
    current_ = index;
    tipText_->setText(tips_.at(index));
}
