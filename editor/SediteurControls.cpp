// The editor's controls: the tool bar, the pen and fill bars, the picture's
// scroll box, the status bar, the airbrush menu and timer; the tools behind
// the tool buttons; the connections of the handlers.
#include "Sediteur.h"

#include "ErrorBoundary.h"
#include "Named.h"
#include "PictureView.h"
#include "Resources.h"
#include "TMMImageList.h"
#include "TSpinEdit.h"
#include "Thdtm2.h"

#include <QButtonGroup>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QScrollArea>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

using platform::connectGuarded;

namespace {

constexpr int BarHeight = 33;
constexpr int ButtonSize = 27;

// The pen width box: 1 to 100, three digits; a value typed beyond 100 is
// brought back by the editor, and text that is no number becomes 1.
class PenWidthBox : public TSpinEdit {
public:
    explicit PenWidthBox(QWidget *parent) : TSpinEdit(1, 999, 1, parent) {}
    void fixup(QString &input) const override
    {
        bool number = false;
        input.toInt(&number);
        if (!number)
            input = QStringLiteral("1");
    }
};

QToolButton *toolButton(QWidget *bar, const QString &name, const QString &hint, const QIcon &icon, bool checkable)
{
    auto *button = named<QToolButton>(name, bar);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(resources::editorGlyphCell, resources::editorGlyphCell));
    button->setFixedSize(ButtonSize, ButtonSize);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    button->setFocusPolicy(Qt::NoFocus);
    bar->layout()->addWidget(button);
    return button;
}

QFrame *bar(const QString &name, QWidget *parent, int height)
{
    auto *frame = named<QFrame>(name, parent);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setFixedHeight(height);
    auto *layout = new QHBoxLayout(frame);
    layout->setContentsMargins(3, 2, 3, 2);
    layout->setSpacing(0);
    return frame;
}

void gap(QFrame *bar)
{
    static_cast<QHBoxLayout *>(bar->layout())->addSpacing(8);
}

// A swatch showing a colour.
QFrame *swatch(const QString &name, QFrame *bar)
{
    auto *panel = named<QFrame>(name, bar);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setFixedSize(23, 23);
    panel->setAutoFillBackground(true);
    bar->layout()->addWidget(panel);
    return panel;
}

// The style buttons show what the style paints, drawn by the canvas's own raster.
QIcon penStyleIcon(editor::PenStyle style)
{
    QImage card(resources::editorGlyphCell, resources::editorGlyphCell, QImage::Format_RGB32);
    card.fill(Qt::white);
    editor::Pen pen;
    pen.style = style;
    for (const int y : {7, 12, 17})
        editor::paintFigure(card, {}, editor::Figure::line({1, y}, {23, y}), pen, {}, card.rect());
    return QIcon(QPixmap::fromImage(card));
}

QIcon brushStyleIcon(editor::BrushStyle style)
{
    QImage card(resources::editorGlyphCell, resources::editorGlyphCell, QImage::Format_RGB32);
    card.fill(Qt::white);
    editor::paintFigure(card, {}, editor::Figure::rectangle({2, 2}, {22, 22}), editor::Pen(),
                        editor::Brush{editor::Black, style}, card.rect());
    return QIcon(QPixmap::fromImage(card));
}

} // namespace

void TEditeur::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildToolBar());
    layout->addWidget(buildPenBar());
    layout->addWidget(buildBrushBar());

    ScrollBox1 = named<QScrollArea>(QStringLiteral("ScrollBox1"), this);
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ScrollBox1->setBackgroundRole(QPalette::Dark);
    Image = new editor::PictureView(canvas_, ScrollBox1);
    ScrollBox1->setWidget(Image);
    ScrollBox1->viewport()->setMouseTracking(true);
    ScrollBox1->viewport()->installEventFilter(this);
    layout->addWidget(ScrollBox1, 1);
    layout->addWidget(buildStatusBar());

    AeroPopup = named<QMenu>(QStringLiteral("AeroPopup"), this);
    Couleur1 = AeroPopup->addAction(QStringLiteral("&Couleur..."));
    Couleur1->setObjectName(QStringLiteral("Couleur1"));
    Rglages1 = AeroPopup->addAction(QStringLiteral("&Réglages..."));
    Rglages1->setObjectName(QStringLiteral("Rglages1"));

    Timer = new TThreadedTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setEnabled(false);
    Timer->setInterval(1);
    Timer->setThreadPriority(QThread::HighestPriority);
}

QFrame *TEditeur::buildToolBar()
{
    Panel1 = bar(QStringLiteral("Panel1"), this, BarHeight);
    const TMMImageList glyphs(QPixmap(resources::editorGlyphs),
                              QSize(resources::editorGlyphCell, resources::editorGlyphCell));
    struct Entry {
        QToolButton *TEditeur::*member;
        const char *name;
        const char *hint;
        resources::EditorGlyph glyph;
        bool checkable;
    };
    using namespace resources;
    const Entry entries[] = {
        {&TEditeur::pen, "pen", "Barre d'outils traits", PenBarGlyph, true},
        {&TEditeur::brush, "brush", "Barre d'outils remplissage", BrushBarGlyph, true},
        {nullptr, nullptr, nullptr, EditorGlyphCount, false},
        {&TEditeur::line, "line", "Outil trait", LineGlyph, true},
        {&TEditeur::rectangle, "rectangle", "Outil rectangle", RectangleGlyph, true},
        {&TEditeur::roundrect, "roundrect", "Outil rectangle arrondi", RoundRectGlyph, true},
        {&TEditeur::ellipse, "ellipse", "Outil ellipse", EllipseGlyph, true},
        {&TEditeur::HandBtn, "HandBtn", "Outil main levée", FreehandGlyph, true},
        {&TEditeur::Stabilo, "Stabilo", "Outil surlignage", HighlighterGlyph, true},
        {&TEditeur::PipetteBtn, "PipetteBtn", "Outil pipette (capture la couleur cliquée)", PipetteGlyph, true},
        {&TEditeur::FillBtn, "FillBtn", "Outil remplissage", FillGlyph, true},
        {&TEditeur::AeroBtn, "AeroBtn", "Aérographe", AirbrushGlyph, true},
        {&TEditeur::FontBtn, "FontBtn", "Police", FontGlyph, false},
        {&TEditeur::TextBtn, "TextBtn", "Outil texte", TextGlyph, true},
        {&TEditeur::GommeBtn, "GommeBtn", "Gomme", EraserGlyph, true},
        {&TEditeur::DecoupeBtn, "DecoupeBtn", "Outil recadrage", CropGlyph, true},
        {nullptr, nullptr, nullptr, EditorGlyphCount, false},
        {&TEditeur::SpeedButton1, "SpeedButton1", "Zoom avant", ZoomInGlyph, false},
        {&TEditeur::SpeedButton2, "SpeedButton2", "Zoom arrière", ZoomOutGlyph, false},
        {&TEditeur::SpeedButton3, "SpeedButton3", "100%", ActualSizeGlyph, false},
        {&TEditeur::FXBtn, "FXBtn", "Filtres et effets", EffectsGlyph, false},
        {&TEditeur::UndoBtn, "UndoBtn", "Annuler la dernière action", UndoGlyph, false},
        {nullptr, nullptr, nullptr, EditorGlyphCount, false},
        {&TEditeur::CloseYBtn, "CloseYBtn", "Ferme la fenêtre en enregistrant les modifications", SaveCloseGlyph, false},
        {&TEditeur::CloseNBtn, "CloseNBtn", "Ferme la fenêtre sans enregistrer les modifications", CloseGlyph, false},
    };
    for (const Entry &entry : entries) {
        if (!entry.member) {
            gap(Panel1);
            continue;
        }
        this->*entry.member = toolButton(Panel1, QString::fromUtf8(entry.name), QString::fromUtf8(entry.hint),
                                         QIcon(glyphs.image(entry.glyph)), entry.checkable);
    }
    static_cast<QHBoxLayout *>(Panel1->layout())->addStretch();

    toolGroup_ = new QButtonGroup(this);
    for (QToolButton *tool : {line, rectangle, roundrect, ellipse, HandBtn, Stabilo, PipetteBtn, FillBtn, AeroBtn,
                              TextBtn, GommeBtn, DecoupeBtn})
        toolGroup_->addButton(tool);
    line->setChecked(true);
    SpeedButton2->setEnabled(false);
    SpeedButton3->setEnabled(false);
    UndoBtn->setEnabled(false);
    UndoBtn->setVisible(false);
    return Panel1;
}

QFrame *TEditeur::buildPenBar()
{
    using editor::PenStyle;
    Penbar = bar(QStringLiteral("Penbar"), this, BarHeight);
    penStyles_ = new QButtonGroup(this);
    const std::tuple<QToolButton *TEditeur::*, const char *, const char *, PenStyle> styles[] = {
        {&TEditeur::Solidpen, "Solidpen", "Trait plein", PenStyle::Solid},
        {&TEditeur::dashpen, "dashpen", "Tirets", PenStyle::Dash},
        {&TEditeur::dotpen, "dotpen", "Pointillés", PenStyle::Dot},
        {&TEditeur::dashdotpen, "dashdotpen", "Tiret-Point", PenStyle::DashDot},
        {&TEditeur::dashdotdotpen, "dashdotdotpen", "Tiret-Point-Point", PenStyle::DashDotDot},
        {&TEditeur::clearpen, "clearpen", "Transparent", PenStyle::Clear},
    };
    for (const auto &[member, name, hint, style] : styles) {
        this->*member = toolButton(Penbar, QString::fromUtf8(name), QString::fromUtf8(hint), penStyleIcon(style), true);
        penStyles_->addButton(this->*member, int(style));
    }
    Solidpen->setChecked(true);
    gap(Penbar);
    const TMMImageList glyphs(QPixmap(resources::editorGlyphs),
                              QSize(resources::editorGlyphCell, resources::editorGlyphCell));
    PenColBtn = toolButton(Penbar, QStringLiteral("PenColBtn"), QStringLiteral("Couleur de trait"),
                           QIcon(glyphs.image(resources::PenColourGlyph)), false);
    Panel2 = swatch(QStringLiteral("Panel2"), Penbar);
    gap(Penbar);
    SpinEdit = new PenWidthBox(Penbar);
    SpinEdit->setObjectName(QStringLiteral("SpinEdit"));
    SpinEdit->setToolTip(QStringLiteral("Epaisseur de trait"));
    SpinEdit->setFixedWidth(52);
    Penbar->layout()->addWidget(SpinEdit);
    static_cast<QHBoxLayout *>(Penbar->layout())->addStretch();
    Penbar->setVisible(false);
    connect(pen, &QToolButton::toggled, Penbar, &QWidget::setVisible);
    return Penbar;
}

QFrame *TEditeur::buildBrushBar()
{
    using editor::BrushStyle;
    brushbar = bar(QStringLiteral("brushbar"), this, BarHeight);
    brushStyles_ = new QButtonGroup(this);
    const std::tuple<QToolButton *TEditeur::*, const char *, const char *, BrushStyle> styles[] = {
        {&TEditeur::solidbrush, "solidbrush", "Couleur unie", BrushStyle::Solid},
        {&TEditeur::clearbrush, "clearbrush", "Transparent", BrushStyle::Clear},
        {&TEditeur::horizontalbrush, "horizontalbrush", "Motif de remplissage 1", BrushStyle::Horizontal},
        {&TEditeur::verticalbrush, "verticalbrush", "Motif de remplissage 2", BrushStyle::Vertical},
        {&TEditeur::fdiagonalbrush, "fdiagonalbrush", "Motif de remplissage 3", BrushStyle::FDiagonal},
        {&TEditeur::bdiagonalbrush, "bdiagonalbrush", "Motif de remplissage 4", BrushStyle::BDiagonal},
        {&TEditeur::crossbrush, "crossbrush", "Motif de remplissage 5", BrushStyle::Cross},
        {&TEditeur::diagcrossbrush, "diagcrossbrush", "Motif de remplissage 6", BrushStyle::DiagCross},
    };
    for (const auto &[member, name, hint, style] : styles) {
        this->*member = toolButton(brushbar, QString::fromUtf8(name), QString::fromUtf8(hint), brushStyleIcon(style), true);
        brushStyles_->addButton(this->*member, int(style));
    }
    solidbrush->setChecked(true);
    gap(brushbar);
    const TMMImageList glyphs(QPixmap(resources::editorGlyphs),
                              QSize(resources::editorGlyphCell, resources::editorGlyphCell));
    BrushColBtn = toolButton(brushbar, QStringLiteral("BrushColBtn"), QStringLiteral("Couleur de remplissage"),
                             QIcon(glyphs.image(resources::BrushColourGlyph)), false);
    Panel3 = swatch(QStringLiteral("Panel3"), brushbar);
    static_cast<QHBoxLayout *>(brushbar->layout())->addStretch();
    brushbar->setVisible(false);
    connect(brush, &QToolButton::toggled, brushbar, &QWidget::setVisible);
    return brushbar;
}

QFrame *TEditeur::buildStatusBar()
{
    statusbar = named<QFrame>(QStringLiteral("statusbar"), this);
    statusbar->setFixedHeight(20);
    auto *layout = new QHBoxLayout(statusbar);
    layout->setContentsMargins(0, 1, 0, 1);
    layout->setSpacing(2);
    originpanel = named<QLabel>(QStringLiteral("originpanel"), statusbar);
    originpanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    originpanel->setFixedWidth(184);
    currentpanel = named<QLabel>(QStringLiteral("currentpanel"), statusbar);
    currentpanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(originpanel);
    layout->addWidget(currentpanel, 1);
    return statusbar;
}

void TEditeur::buildTools()
{
    using namespace editor;
    const QCursor cross(Qt::CrossCursor);
    ToolHost &host = *this;
    auto add = [this](QToolButton *button, std::unique_ptr<Tool> tool, const QCursor &cursor) {
        tools_.push_back({button, std::move(tool), cursor});
    };
    add(line, std::make_unique<LineTool>(host), cross);
    add(rectangle, std::make_unique<RectangleTool>(host), cross);
    add(roundrect, std::make_unique<RoundRectTool>(host), cross);
    add(ellipse, std::make_unique<EllipseTool>(host), cross);
    add(HandBtn, std::make_unique<FreehandTool>(host), Cursors.at(11));
    add(Stabilo, std::make_unique<HighlighterTool>(host), cross);
    add(PipetteBtn, std::make_unique<PipetteTool>(host), Cursors.at(25));
    add(FillBtn, std::make_unique<FillTool>(host), Cursors.at(23));
    add(AeroBtn, std::make_unique<AirbrushTool>(host), Cursors.at(22));
    add(TextBtn, std::make_unique<TextTool>(host), QCursor(Qt::IBeamCursor));
    add(GommeBtn, std::make_unique<EraserTool>(host), cross);
    add(DecoupeBtn, std::make_unique<CropTool>(host), cross);
    choose(toolGroup_->checkedButton());
    // a right press on a tool button opens its colour, or the airbrush's menu
    for (QToolButton *button : {line, rectangle, roundrect, ellipse, HandBtn, TextBtn, FillBtn, Stabilo, AeroBtn})
        button->installEventFilter(this);
}

void TEditeur::connectHandlers()
{
    canvas_.changed = [this](const QRegion &region) { Image->update(region); };
    connectGuarded(Image, &editor::PictureView::mouseDown, this, &TEditeur::FormMouseDown);
    connectGuarded(Image, &editor::PictureView::mouseMove, this, &TEditeur::FormMouseMove);
    connectGuarded(Image, &editor::PictureView::mouseUp, this, &TEditeur::FormMouseUp);
    connectGuarded(toolGroup_, &QButtonGroup::buttonClicked, this, &TEditeur::choose);
    connectGuarded(penStyles_, &QButtonGroup::idClicked, this,
                   [this] { canvas_.pen.style = editor::PenStyle(penStyles_->checkedId()); });
    connectGuarded(brushStyles_, &QButtonGroup::idClicked, this,
                   [this] { canvas_.brush.style = editor::BrushStyle(brushStyles_->checkedId()); });
    connectGuarded(SpinEdit, &QSpinBox::valueChanged, this, [this] { SpinEditChange(); });
    const std::pair<QToolButton *, void (TEditeur::*)()> commands[] = {
        {PenColBtn, &TEditeur::PenColBtnClick},     {BrushColBtn, &TEditeur::BrushColBtnClick},
        {FontBtn, &TEditeur::FontBtnClick},         {SpeedButton1, &TEditeur::SpeedButton1Click},
        {SpeedButton2, &TEditeur::SpeedButton2Click}, {SpeedButton3, &TEditeur::SpeedButton3Click},
        {UndoBtn, &TEditeur::UndoBtnClick},         {FXBtn, &TEditeur::FXBtnClick},
        {CloseYBtn, &TEditeur::CloseYBtnClick},     {CloseNBtn, &TEditeur::CloseNBtnClick},
    };
    for (const auto &[button, handler] : commands)
        connectGuarded(button, &QToolButton::clicked, this, [this, handler = handler] { (this->*handler)(); });
    connectGuarded(Couleur1, &QAction::triggered, this, [this] { BrushColBtnClick(); });
    connectGuarded(Rglages1, &QAction::triggered, this, [this] { Rglages1Click(); });
    Timer->setOnTimer([this](TThreadedTimer *) { TimerTimer(); });
    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { emit helpRequested(HelpContext); });
}
