#include "ilfilterPage.h"

#include "ilfilterPageKit.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace imaging {

TEffectPage::TEffectPage(const QString &caption, TEffectMenu menu, bool usesSelection)
    : caption_(caption), menu_(menu), usesSelection_(usesSelection)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
}

TEffectWork TEffectPage::effect(const TEffectTarget &target) const
{
    return effect_ ? effect_(target) : TEffectWork();
}

TValueBar *TEffectPage::addBar(const TBarSetup &setup)
{
    auto *bar = new TValueBar(setup, *this);
    bars_.push_back(bar);
    connect(bar, &TValueBar::changed, this, &TEffectPage::valuesChanged);
    return bar;
}

QCheckBox *TEffectPage::addCheck(const char *name, const QString &caption, const isp::ParameterRow &row)
{
    return addCheck(name, caption, row.start != 0);
}

QCheckBox *TEffectPage::addCheck(const char *name, const QString &caption, bool checked)
{
    auto *box = new QCheckBox(caption, this);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    layout()->addWidget(box);
    checks_.push_back(box);
    connect(box, &QCheckBox::toggled, this, &TEffectPage::valuesChanged);
    return box;
}

TChoice *TEffectPage::addChoice(const QString &title, const std::vector<TChoiceItem> &items, int start, int perLine,
                                QBoxLayout *row)
{
    auto *choice = new TChoice(*this, title, items, start, perLine, row);
    radios_.insert(radios_.end(), choice->buttons().begin(), choice->buttons().end());
    connect(choice, &TChoice::changed, this, &TEffectPage::valuesChanged);
    return choice;
}

QBoxLayout *TEffectPage::addRow()
{
    auto *row = new QHBoxLayout;
    static_cast<QVBoxLayout *>(layout())->addLayout(row);
    return row;
}

QLabel *TEffectPage::addText(const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setWordWrap(true);
    layout()->addWidget(label);
    return label;
}

TColourButton *TEffectPage::addColour(const char *name, const QString &caption, TEffectColours &colours,
                                      TEffectColours::Slot slot)
{
    auto *button = new TColourButton(caption, colours, slot, *this);
    button->setObjectName(QString::fromLatin1(name));
    connect(&colours, &TEffectColours::changed, this, &TEffectPage::valuesChanged);
    return button;
}

TEffectPage *newPage(std::vector<TEffectPage *> &pages, const char *caption, TEffectMenu menu, bool usesSelection)
{
    pages.push_back(new TEffectPage(QString::fromUtf8(caption), menu, usesSelection));
    return pages.back();
}

std::vector<TEffectPage *> MakeEffectPages(TEffectHost &host)
{
    static const char *const order[] = {
        "Contraste auto", "Sépia", "Bordure", "Adoucir bordure", "Flou", "Plus clair", "Plus sombre",
        "Nombre de couleurs", "Palette de couleurs", "Anti bruit", "Détection de contours", "Gravure", "Amélioration",
        "Extrusion", "Gamma", "Zone grise", "Niveaux de gris", "Teinte et saturation", "Inversion", "Bougé", "Miroir",
        "Mosaïque", "Vitesse", "Bruit", "Peinture", "Page cornée", "Bouchage", "Trou", "Polarisation", "Rotation",
        "Durcir", "Adoucir", "Spray", "Vitrail", "Seuil", "Transitions", "Dissolution", "Ondulation", "Torsion",
    };
    std::vector<TEffectPage *> pages = MakeImagePages(host);
    for (auto *more : {&MakeDeformationPages, &MakeCorrectionPages}) {
        const std::vector<TEffectPage *> made = more(host);
        pages.insert(pages.end(), made.begin(), made.end());
    }
    pages.push_back(MakeBorderPage(host));
    pages.push_back(MakePastePage(host));
    pages.push_back(MakePalettePage(host));
    pages.push_back(new TTransitionsPage(host));
    auto rank = [&](const TEffectPage *page) {
        return std::find_if(std::begin(order), std::end(order),
                            [&](const char *caption) { return page->caption() == QString::fromUtf8(caption); })
            - std::begin(order);
    };
    std::stable_sort(pages.begin(), pages.end(), [&](auto *a, auto *b) { return rank(a) < rank(b); });
    // controls at the top of every page
    for (TEffectPage *page : pages)
        static_cast<QVBoxLayout *>(page->layout())->addStretch(1);
    return pages;
}

} // namespace imaging
