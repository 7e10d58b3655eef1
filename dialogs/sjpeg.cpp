#include "sjpeg.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

namespace {

template <typename Widget> Widget *named(const QString &name, QWidget *parent)
{
    auto *widget = new Widget(parent);
    widget->setObjectName(name);
    return widget;
}

QScrollBar *bar(const QString &name, QWidget *parent, int top)
{
    auto *scrollBar = named<QScrollBar>(name, parent);
    scrollBar->setOrientation(Qt::Horizontal);
    scrollBar->setRange(0, 100);
    scrollBar->setPageStep(10);
    scrollBar->setGeometry(24, top, 209, 17);
    return scrollBar;
}

} // namespace

TJPEG::TJPEG(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TJPEG"));
    setWindowTitle(QStringLiteral("Options d'enregistrement JPEG"));
    setFixedSize(313, 214);

    Bevel1 = named<QFrame>(QStringLiteral("Bevel1"), this);
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 297, 153);
    Label1 = named<QLabel>(QStringLiteral("Label1"), this);
    Label1->setText(QStringLiteral("Qualité"));
    Label1->setGeometry(24, 24, 150, 16);
    ScrollBar1 = bar(QStringLiteral("ScrollBar1"), this, 48);
    Label3 = named<QLabel>(QStringLiteral("Label3"), this);
    Label3->setGeometry(248, 48, 41, 17);
    Label2 = named<QLabel>(QStringLiteral("Label2"), this);
    Label2->setText(QStringLiteral("Adoucissement"));
    Label2->setGeometry(24, 88, 150, 16);
    ScrollBar2 = bar(QStringLiteral("ScrollBar2"), this, 112);
    Label4 = named<QLabel>(QStringLiteral("Label4"), this);
    Label4->setGeometry(248, 112, 41, 17);

    OKBtn = named<QPushButton>(QStringLiteral("OKBtn"), this);
    OKBtn->setText(QStringLiteral("OK"));
    OKBtn->setGeometry(64, 176, 89, 27);
    OKBtn->setDefault(true);
    CancelBtn = named<QPushButton>(QStringLiteral("CancelBtn"), this);
    CancelBtn->setText(QStringLiteral("Annuler"));
    CancelBtn->setGeometry(168, 176, 89, 27);

    connect(ScrollBar1, &QScrollBar::valueChanged, this, &TJPEG::ScrollBar1Change);
    connect(ScrollBar2, &QScrollBar::valueChanged, this, &TJPEG::ScrollBar2Change);
    connect(OKBtn, &QPushButton::clicked, this, &TJPEG::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &TJPEG::reject);
    FormCreate();
}

void TJPEG::FormCreate()
{
    ScrollBar1->setValue(80);
    ScrollBar2->setValue(10);
    // the labels follow the bars, also when a bar already stood there
    ScrollBar1Change();
    ScrollBar2Change();
}

void TJPEG::ScrollBar1Change()
{
    Label3->setText(QString::number(ScrollBar1->value()));
}

void TJPEG::ScrollBar2Change()
{
    Label4->setText(QString::number(ScrollBar2->value()));
}

void TJPEG::accept()
{
    confirmedQuality_ = ScrollBar1->value();
    confirmedSmoothing_ = ScrollBar2->value();
    QDialog::accept();
}

void TJPEG::reject()
{
    ScrollBar1->setValue(confirmedQuality_);
    ScrollBar2->setValue(confirmedSmoothing_);
    QDialog::reject();
}
