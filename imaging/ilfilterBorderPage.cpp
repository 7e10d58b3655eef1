// "Bordure": a shape cut out of a border colour.  The mask (ShapeImage) is
// drawn at the target's size and merged over it by MergeDib: the picture
// shows inside the shape, the border colour outside.
#include "ilfilterPageKit.h"

#include "DllSP96Frame.h"
#include "ShapeImage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace imaging {
namespace {

// The mask's own values: no export takes them, the dialog draws the mask.
constexpr isp::ParameterRow kEdgeSize = {"ShapeImage", "EdgeSize", 0, 32767, 1, 100, 1, isp::Outside::Held};
constexpr isp::ParameterRow kAngle = {"ShapeImage", "Angle", -32768, 32767, 0, 360, 90, isp::Outside::Typed};
constexpr isp::ParameterRow kVectors = {"ShapeImage", "Vectors", 0, 32767, 1, 100, 10, isp::Outside::Held};
constexpr isp::ParameterRow kVectorP = {"ShapeImage", "VectorP", 0, 100, 0, 100, 50, isp::Outside::Held};

class TBorderPage : public TEffectPage {
public:
    explicit TBorderPage(TEffectHost &host) : TEffectPage(QStringLiteral("Bordure"), TEffectMenu::Image, false), host_(host)
    {
        shapes_ = new QComboBox(this);
        shapes_->setObjectName(QStringLiteral("brShapeCombo"));
        shapes_->addItems({QStringLiteral("Aucune"), QStringLiteral("Rectangle"), QStringLiteral("Carré"),
                           QStringLiteral("Rectangle arrondi"), QStringLiteral("Carré arrondi"), QStringLiteral("Ellipse"),
                           QStringLiteral("Cercle"), QStringLiteral("Triangle gauche"), QStringLiteral("Triangle droit"),
                           QStringLiteral("Triangle haut"), QStringLiteral("Triangle bas"), QStringLiteral("Diamant"),
                           QStringLiteral("Etoile"), QStringLiteral("Polygone")});
        layout()->addWidget(shapes_);
        edge_ = addBar({"brEdgeBar", QStringLiteral("Retrait"), &kEdgeSize});
        angle_ = addBar({"brAngleBar", QStringLiteral("Angle"), &kAngle});
        vectors_ = addBar({"brVectorsBar", QStringLiteral("Pointes"), &kVectors});
        vectorSize_ = addBar({"brVectorSizeBar", QStringLiteral("Creux"), &kVectorP});
        windowColour_ = addCheck("brWindowColor", QStringLiteral("Couleur de cette fenêtre ou ->"), true);
        maskColour_ = addColour("brMaskColorBtn", QStringLiteral("couleur de masque"), host.colours(), TEffectColours::Mask);
        thumbnail_ = new QLabel(this);
        thumbnail_->setObjectName(QStringLiteral("ShapeImage"));
        thumbnail_->setFixedSize(64, 64);
        thumbnail_->setScaledContents(true);
        layout()->addWidget(thumbnail_);

        platform::connectGuarded(shapes_, &QComboBox::currentIndexChanged, this, [this] { shapeChosen(); });
        platform::connectGuarded(edge_, &TValueBar::changed, this, [this] { setMask([&] { mask_.setEdgeSize(edge_->position()); }); });
        platform::connectGuarded(angle_, &TValueBar::changed, this, [this] { setMask([&] { mask_.setAngle(angle_->position()); }); });
        platform::connectGuarded(vectors_, &TValueBar::changed, this,
                                 [this] { setMask([&] { mask_.setVectors(vectors_->position()); }); });
        platform::connectGuarded(vectorSize_, &TValueBar::changed, this,
                                 [this] { setMask([&] { mask_.setVectorP(vectorSize_->position()); }); });
        mask_.setEdgeSize(edge_->position());
        mask_.setAngle(angle_->position());
        mask_.setVectors(vectors_->position());
        mask_.setVectorP(vectorSize_->position());
        shapeChosen();

        setEffect([this](const TEffectTarget &target) -> TEffectWork {
            if (mask_.Shape() == shNone)
                return {};
            const QColor border = windowColour_->isChecked() ? host_.windowColour() : host_.colours().colour(TEffectColours::Mask);
            const ShapeImage mask = mask_;
            const QSize size = target.size;
            const int depth = target.depth;
            return newPicture([=](HGLOBAL d, const TEffectCall &c) -> HGLOBAL {
                // drawn at the target's size: the preview's or the whole picture's
                ShapeImage sized = mask;
                sized.setSize(size);
                const GlobalBlock shape(BitmapToDibAtDepth(Bitmap(sized.Picture(), 24), depth, false, FX_TAIL));
                if (!shape)
                    return nullptr;
                return MergeDib(d, shape.get(), border.red(), border.green(), border.blue(), 0, 0, FX_TAIL);
            });
        });
    }

    bool offersPreview() const override { return mask_.Shape() != shNone; }
    bool offersApply() const override { return mask_.Shape() != shNone; }
    void entered() override { shapeChosen(); }
    void pictureChanged() override { setMask([] {}); }

private:
    void shapeChosen()
    {
        const auto shape = TMyShapeType(std::max(0, shapes_->currentIndex()));
        if (shape == shStar) {
            if (vectorSize_->position() == 0)
                vectorSize_->setPosition(50);
            if (vectors_->position() < 10)
                vectors_->setPosition(10);
            angle_->setPosition(90);
        }
        const bool any = shape != shNone;
        for (TValueBar *bar : {edge_, angle_, vectors_, vectorSize_}) {
            bar->bar->setEnabled(any);
            bar->edit->setEnabled(any);
        }
        windowColour_->setEnabled(any);
        maskColour_->setEnabled(any);
        angle_->setVisible(shape == shPolyGon);
        vectors_->setVisible(shape == shStar || shape == shPolyGon);
        vectorSize_->setVisible(shape == shStar || shape == shPolyGon);
        setMask([&] { mask_.setShape(shape); });
        emit offerChanged();
        emit valuesChanged();
    }

    // Changes the mask, drawn at the preview's size for the thumbnail.
    template <typename Change> void setMask(Change change)
    {
        change();
        const QSize preview(sizeOf(host_.previewDib()).width, sizeOf(host_.previewDib()).height);
        if (!preview.isEmpty() && preview != mask_.size())
            mask_.setSize(preview);
        thumbnail_->setPixmap(QPixmap::fromImage(mask_.Picture()));
    }

    TEffectHost &host_;
    ShapeImage mask_;
    QComboBox *shapes_;
    TValueBar *edge_, *angle_, *vectors_, *vectorSize_;
    QCheckBox *windowColour_;
    TColourButton *maskColour_;
    QLabel *thumbnail_;
};

} // namespace

TEffectPage *MakeBorderPage(TEffectHost &host)
{
    return new TBorderPage(host);
}

} // namespace imaging
