// "Palette de couleurs": the colour table of a picture of 256 colours or
// fewer, edited entry by entry, replaced by a grey one, loaded from or
// saved to a ".ILP" file.  Every change acts on the working picture itself,
// which the preview shows while the page is active.
#include "ilfilterPageKit.h"

#include "DllSP96Frame.h"
#include "ILDibCls.h"
#include "ILPImage.h"
#include "ILPalette.h"
#include "Modal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>

namespace imaging {
namespace {

// The 256 palette indexes as 16 × 16 cells; a click chooses one.
class TPaletteGrid : public QWidget {
public:
    explicit TPaletteGrid(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("pbPalette"));
        setHint(this, QStringLiteral("Cliquez ici pour choisir"));
        setFixedSize(144, 144);
    }

    QList<QRgb> colours;
    int chosen = 0;
    std::function<void(int index)> OnChoose;

    int cellWidth() const { return width() / 16; }
    int cellHeight() const { return height() / 16; }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        for (int i = 0; i < colours.size() && i < 256; ++i) {
            const QRect cell((i % 16) * cellWidth(), (i / 16) * cellHeight(), cellWidth(), cellHeight());
            painter.fillRect(cell.adjusted(1, 1, -1, -1), QColor(colours[i]));
            if (i == chosen) {
                painter.setPen(palette().color(QPalette::WindowText));
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
        }
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        const QPoint p = event->position().toPoint();
        const int index = p.x() / cellWidth() + 16 * (p.y() / cellHeight());
        if (index >= 0 && index < colours.size() && OnChoose)
            OnChoose(index);
    }
};

// Runs `use` on the DIB object of a picture that stays its owner's.
template <typename Use> auto onDib(HGLOBAL picture, Use use)
{
    ILTDib dib;
    dib.OwnsMemory = false;
    GlobalLockGuard lock(picture);
    dib.Attach(lock.as<BITMAPINFOHEADER>());
    return use(dib);
}

enum PaletteAction { GreyAndOptimise, LoadAndOptimise, LoadAndApply, Save };

class TPalettePage : public TEffectPage {
public:
    explicit TPalettePage(TEffectHost &host) : TEffectPage(QStringLiteral("Palette de couleurs"), TEffectMenu::Correction, false), host_(host)
    {
        noPalette_ = addText(QStringLiteral("Image sans palette. Passez en 256 couleurs ou moins en utilisant l'onglet "
                                            "\"Nombre de couleurs\""));
        noPalette_->setObjectName(QStringLiteral("palNoPalette"));
        auto *grid = new QGridLayout;
        grid_ = new TPaletteGrid(this);
        grid->addWidget(grid_, 0, 0, 5, 1);
        index_ = new QLabel(this);
        index_->setObjectName(QStringLiteral("palIndexLabel"));
        grid->addWidget(index_, 0, 1, 1, 2);
        const char *names[3] = {"trbRed", "trbGreen", "trbBlue"};
        const QString hints[3] = {QStringLiteral("Règle la composante rouge"), QStringLiteral("Règle la composante verte"),
                                  QStringLiteral("Règle la composante bleue")};
        for (int k = 0; k < 3; ++k) {
            components_[k] = new QLabel(this);
            bars_[k] = new QSlider(Qt::Horizontal, this);
            bars_[k]->setObjectName(QString::fromLatin1(names[k]));
            bars_[k]->setRange(0, 255);
            setHint(bars_[k], hints[k]);
            grid->addWidget(components_[k], 1 + k, 1);
            grid->addWidget(bars_[k], 1 + k, 2);
            connect(bars_[k], &QSlider::valueChanged, this, [this] { platform::guarded([this] { componentsChanged(); }); });
        }
        colour_ = new QLabel(this);
        colour_->setObjectName(QStringLiteral("pnlColor"));
        colour_->setAutoFillBackground(true);
        colour_->setFrameShape(QFrame::Box);
        colour_->setFixedHeight(18);
        setHint(colour_, QStringLiteral("Cliquez ici pour appliquer la palette"));
        grid->addWidget(colour_, 4, 1, 1, 2);
        static_cast<QVBoxLayout *>(layout())->addLayout(grid);
        // the actions' texts take the page's whole width, "Appl." goes under them
        auto *actions = new QHBoxLayout;
        actions_ = new QComboBox(this);
        actions_->setObjectName(QStringLiteral("PalCombo"));
        actions_->addItems({QStringLiteral("Créer palette en niveaux de gris et optimiser l'image"),
                            QStringLiteral("Charger palette et optimiser l'image"),
                            QStringLiteral("Charger palette et appliquer"), QStringLiteral("Enregistrer palette")});
        // the longest action is a little wider than the page: the closed box
        // shows it a point smaller, its list at the page's own size
        actions_->view()->setFont(actions_->font());
        QFont smaller = actions_->font();
        smaller.setPointSizeF(smaller.pointSizeF() - 1);
        actions_->setFont(smaller);
        apply_ = new QPushButton(QStringLiteral("Appl."), this);
        apply_->setObjectName(QStringLiteral("PalOpt"));
        static_cast<QVBoxLayout *>(layout())->addWidget(actions_);
        actions->addStretch(1);
        actions->addWidget(apply_);
        static_cast<QVBoxLayout *>(layout())->addLayout(actions);

        grid_->OnChoose = [this](int index) { platform::guarded([&] { choose(index); }); };
        platform::connectGuarded(apply_, &QPushButton::clicked, this, [this] { runAction(PaletteAction(actions_->currentIndex())); });
        enableControls(false);
    }

    bool showsWorkingPicture() const override { return true; }
    bool picksColours() const override { return depth() > 0 && depth() < 16; }

    void entered() override
    {
        host_.takeLibrary();
        palette_ = onDib(host_.workingDib(), [](ILTDib &dib) { return dib.Palette(); });
        const bool available = depth() > 0 && depth() <= 8;
        enableControls(available);
        grid_->colours = available ? palette_ : QList<QRgb>();
        if (available)
            choose(std::min(grid_->chosen, int(palette_.size()) - 1));
        grid_->update();
    }

    void left() override { enableControls(false); }

    void pick(QPoint point) override
    {
        const QImage &shown = host_.previewControl().picture();
        const QSize control = host_.previewControl().size();
        if (shown.isNull() || control.isEmpty() || palette_.isEmpty())
            return;
        const QPoint pixel(std::clamp(point.x() * shown.width() / control.width(), 0, shown.width() - 1),
                           std::clamp(point.y() * shown.height() / control.height(), 0, shown.height() - 1));
        const QRgb colour = shown.pixel(pixel);
        int best = 0;
        for (int i = 1; i < palette_.size(); ++i)
            if (distance(palette_[i], colour) < distance(palette_[best], colour))
                best = i;
        grid_->chosen = best;
        setBars(colour);
    }

private:
    static int distance(QRgb a, QRgb b)
    {
        const int r = qRed(a) - qRed(b), g = qGreen(a) - qGreen(b), bl = qBlue(a) - qBlue(b);
        return r * r + g * g + bl * bl;
    }

    int depth() const { return sizeOf(host_.workingDib()).bits; }

    void enableControls(bool enabled)
    {
        noPalette_->setVisible(!enabled);
        for (QWidget *control : std::initializer_list<QWidget *>{grid_, bars_[0], bars_[1], bars_[2], actions_, apply_, colour_})
            control->setEnabled(enabled);
    }

    void choose(int index)
    {
        if (index < 0 || index >= palette_.size())
            return;
        grid_->chosen = index;
        setBars(palette_[index]);
        grid_->update();
    }

    void setBars(QRgb colour)
    {
        settingBars_ = true;
        bars_[0]->setValue(qRed(colour));
        bars_[1]->setValue(qGreen(colour));
        bars_[2]->setValue(qBlue(colour));
        settingBars_ = false;
        componentsChanged();
    }

    // The bars' colour becomes the chosen entry, in the palette and the picture's colour table.
    void componentsChanged()
    {
        const QColor colour(bars_[0]->value(), bars_[1]->value(), bars_[2]->value());
        components_[0]->setText(QStringLiteral("R: %1").arg(colour.red()));
        components_[1]->setText(QStringLiteral("G: %1").arg(colour.green()));
        components_[2]->setText(QStringLiteral("B: %1").arg(colour.blue()));
        index_->setText(QStringLiteral("Indice couleur: (%1)").arg(grid_->chosen));
        QPalette shown = colour_->palette();
        shown.setColor(QPalette::Window, colour);
        colour_->setPalette(shown);
        const int index = grid_->chosen;
        if (settingBars_ || index >= palette_.size() || palette_[index] == colour.rgb())
            return;
        palette_[index] = colour.rgb();
        writeTable(false);
    }

    void writeTable(bool pixelsChanged)
    {
        onDib(host_.workingDib(), [this](ILTDib &dib) { dib.SetPalette(palette_); });
        grid_->colours = palette_;
        grid_->update();
        host_.workingPictureEdited(pixelsChanged);
    }

    void runAction(PaletteAction action)
    {
        host_.takeLibrary();
        QList<QRgb> chosen = palette_;
        if (action == Save) {
            const QString path = fileName(QFileDialog::AcceptSave);
            if (!path.isEmpty())
                WritePaletteFile(path, palette_);
            return;
        }
        if (action == GreyAndOptimise) {
            chosen = GreyPalette(int(palette_.size()));
        } else {
            const QString path = fileName(QFileDialog::AcceptOpen);
            if (path.isEmpty())
                return;
            ReadPaletteFile(path, chosen);
        }
        if (action == LoadAndApply) {
            palette_ = chosen;
            writeTable(false);
            return;
        }
        const TLibraryCallbacks progress = host_.progressCallbacks();
        palette_ = onDib(host_.workingDib(), [&](ILTDib &dib) {
            RemapToPalette(dib, chosen, progress.userData, progress.progress);
            return dib.Palette();
        });
        writeTable(true);
    }

    QString fileName(QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(window(), QString(), QString(), QStringLiteral("Palettes (*.ILP *.ilp)"));
        dialog.setAcceptMode(mode);
        dialog.setDefaultSuffix(QStringLiteral("ILP"));
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (platform::execModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().first();
    }

    TEffectHost &host_;
    QList<QRgb> palette_;
    bool settingBars_ = false;
    QLabel *noPalette_;
    TPaletteGrid *grid_;
    QLabel *index_;
    QLabel *components_[3];
    QSlider *bars_[3];
    QLabel *colour_;
    QComboBox *actions_;
    QPushButton *apply_;
};

} // namespace

TEffectPage *MakePalettePage(TEffectHost &host)
{
    return new TPalettePage(host);
}

} // namespace imaging
