#include "CopyOptions.h"

#include "Modal.h"
#include "SettingsTable.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

void CopyOptions::addRows(platform::SettingsTable &table, CopyOptions &options)
{
    using platform::always;
    const QString section = QStringLiteral("Copie");
    auto flag = [&](const char *key, bool CopyOptions::*member, bool fallback) {
        table.boolean(section, QLatin1String(key), always(fallback), [&options, member] { return options.*member; },
                      [&options, member](bool value) { options.*member = value; });
    };
    flag("Redresser", &CopyOptions::straighten, false);
    flag("Recadrer", &CopyOptions::crop, false);
    flag("Blanchir", &CopyOptions::whiten, false);
    table.integer(section, QStringLiteral("ParFeuille"), always(1), [&options] { return options.perSheet; },
                  [&options](int perSheet) { options.perSheet = perSheet == 2 || perSheet == 4 ? perSheet : 1; });
    flag("CarteIdentite", &CopyOptions::identityCard, false);
    flag("RectoVersoNumerise", &CopyOptions::bothSides, false);
    flag("RectoVersoImprime", &CopyOptions::twoSided, false);
    flag("CouleurJPEG", &CopyOptions::jpegColour, false);
    flag("Assembler", &CopyOptions::collate, true);
}

TCopyOptionsDialog::TCopyOptionsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CopyOptions"));
    setWindowTitle(QStringLiteral("Copie"));
    auto check = [this](const char *name, const QString &text) {
        auto *box = new QCheckBox(text, this);
        box->setObjectName(QLatin1String(name));
        return box;
    };
    auto radio = [this](const char *name, const QString &text) {
        auto *button = new QRadioButton(text, this);
        button->setObjectName(QLatin1String(name));
        return button;
    };
    auto group = [this](const QString &title, std::initializer_list<QWidget *> members) {
        auto *box = new QGroupBox(title, this);
        auto *column = new QVBoxLayout(box);
        for (QWidget *member : members)
            column->addWidget(member);
        return box;
    };
    straighten_ = check("Redresser", QStringLiteral("&Redresser la page"));
    crop_ = check("Recadrer", QStringLiteral("Re&cadrer sur le document"));
    whiten_ = check("Blanchir", QStringLiteral("&Blanchir le fond"));
    one_ = radio("UneParFeuille", QStringLiteral("&1 original par feuille"));
    two_ = radio("DeuxParFeuille", QStringLiteral("&2 par feuille"));
    four_ = radio("QuatreParFeuille", QStringLiteral("&4 par feuille"));
    card_ = radio("CarteIdentite", QStringLiteral("Carte d'&identité (recto et verso sur une feuille)"));
    bothSides_ = check("RectoVersoNumerise", QStringLiteral("Numériser les deux &faces (chargeur recto verso)"));
    twoSided_ = check("RectoVersoImprime", QStringLiteral("Imprimer en recto &verso"));
    jpeg_ = check("CouleurJPEG", QStringLiteral("Pages en couleur en &JPEG (fichiers plus petits)"));
    collate_ = check("Assembler", QStringLiteral("&Assembler les exemplaires (1 2 3, 1 2 3)"));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("OKBtn"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group(QStringLiteral("Nettoyage de la page"), {straighten_, crop_, whiten_}));
    layout->addWidget(group(QStringLiteral("Originaux par feuille"), {one_, two_, four_, card_}));
    layout->addWidget(group(QStringLiteral("Recto verso et impression"), {bothSides_, twoSided_, jpeg_, collate_}));
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TCopyOptionsDialog::Execute(CopyOptions &options)
{
    show(options);
    if (platform::execModal(*this) != QDialog::Accepted)
        return false;
    options = chosen();
    return true;
}

void TCopyOptionsDialog::show(const CopyOptions &options)
{
    straighten_->setChecked(options.straighten);
    crop_->setChecked(options.crop);
    whiten_->setChecked(options.whiten);
    card_->setChecked(options.identityCard);
    one_->setChecked(!options.identityCard && options.perSheet == 1);
    two_->setChecked(!options.identityCard && options.perSheet == 2);
    four_->setChecked(!options.identityCard && options.perSheet == 4);
    bothSides_->setChecked(options.bothSides);
    twoSided_->setChecked(options.twoSided);
    jpeg_->setChecked(options.jpegColour);
    collate_->setChecked(options.collate);
}

CopyOptions TCopyOptionsDialog::chosen() const
{
    CopyOptions options;
    options.straighten = straighten_->isChecked();
    options.crop = crop_->isChecked();
    options.whiten = whiten_->isChecked();
    options.identityCard = card_->isChecked();
    options.perSheet = two_->isChecked() ? 2 : four_->isChecked() ? 4 : 1;
    options.bothSides = bothSides_->isChecked();
    options.twoSided = twoSided_->isChecked();
    options.jpegColour = jpeg_->isChecked();
    options.collate = collate_->isChecked();
    return options;
}
