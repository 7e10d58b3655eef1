#include "ilfilterControls.h"

#include "Decimal.h"
#include "ErrorBoundary.h"
#include "Modal.h"
#include "Rounding.h"

#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

namespace imaging {
namespace {

QBoxLayout &layoutOf(QWidget &page)
{
    return *static_cast<QBoxLayout *>(page.layout());
}

QString editName(const char *barName)
{
    QString name = QString::fromLatin1(barName);
    if (name.endsWith(QLatin1String("Bar"), Qt::CaseInsensitive))
        name.chop(3);
    return name + QStringLiteral("Edit");
}

// Whole or decimal text as the edits take it: the program's separator or a point.
std::optional<long double> parseValue(const QString &text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char('.'), platform::decimalSeparator());
    return platform::parseReal(t);
}

// The captions of a page's bars make one column, as wide as its widest
// caption (and never narrower than 96), so that every bar starts at one
// place and no caption runs into its bar.
class TBarCaption : public QLabel {
public:
    TBarCaption(const QString &text, QWidget &page) : QLabel(text, &page) {}

    QSize sizeHint() const override { return {columnWidth(), QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int columnWidth() const
    {
        int width = 96;
        for (const QObject *sibling : parentWidget()->children())
            if (const auto *caption = dynamic_cast<const TBarCaption *>(sibling))
                width = std::max(width, caption->QLabel::sizeHint().width());
        return width;
    }
};

} // namespace

const isp::ParameterRow &effectRow(const char *exportName, const char *name)
{
    return isp::parameterRow(exportName, name);
}

TValueBar::TValueBar(const TBarSetup &setup, QWidget &page) : QObject(&page), setup_(setup)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    label = new TBarCaption(setup.caption, page);
    bar = new QSlider(Qt::Horizontal, &page);
    bar->setObjectName(QString::fromLatin1(setup.name));
    edit = new QLineEdit(&page);
    edit->setObjectName(editName(setup.name));
    edit->setFixedWidth(58);
    edit->installEventFilter(this);
    row->addWidget(label);
    row->addWidget(bar, 1);
    row->addWidget(edit);
    layoutOf(page).addLayout(row);
    setSetup(setup);
    connect(bar, &QSlider::valueChanged, this, [this](int position) { platform::guarded([&] { barMoved(position); }); });
    connect(edit, &QLineEdit::textEdited, this, [this](const QString &text) {
        // What more keys may still bring within the bar is an unfinished
        // entry: a lone "-", "1" on the way to 15 in 10..50, "-1" on the way
        // to -15 in -50..-10.  Its rule waits until the edit is left.
        if (!unfinished(text))
            platform::guarded([&] { typeText(text); });
    });
    connect(edit, &QLineEdit::editingFinished, this, [this] { platform::guarded([&] { typeText(edit->text()); }); });
}

void TValueBar::setSetup(const TBarSetup &setup)
{
    setup_ = setup;
    const isp::ParameterRow &row = *setup.row;
    double low = row.offeredMin, high = row.offeredMax;
    if (setup.side == TBarSide::Positive)
        low = std::max(low, 0.0);
    if (setup.side == TBarSide::Negative)
        high = std::min(high, 0.0);
    const int a = platform::roundInt(low * setup.factor + setup.offset);
    const int b = platform::roundInt(high * setup.factor + setup.offset);
    const int start = platform::roundInt(std::clamp(row.start, low, high) * setup.factor + setup.offset);
    const QSignalBlocker quiet(bar);
    bar->setRange(std::min(a, b), std::max(a, b));
    bar->setValue(start);
    barMoved(start);
}

int TValueBar::position() const
{
    return bar->value();
}

int TValueBar::minimum() const
{
    return bar->minimum();
}

int TValueBar::maximum() const
{
    return bar->maximum();
}

void TValueBar::setPosition(int position)
{
    bar->setValue(position);
}

void TValueBar::setVisible(bool visible)
{
    label->setVisible(visible);
    bar->setVisible(visible);
    edit->setVisible(visible);
}

double TValueBar::shown(int position) const
{
    return setup_.text == TBarText::Tenths ? position / 10.0 : position;
}

int TValueBar::positionOf(double shownValue) const
{
    return platform::roundInt(setup_.text == TBarText::Tenths ? shownValue * 10 : shownValue);
}

QString TValueBar::positionText(int position) const
{
    if (setup_.text == TBarText::Tenths)
        return platform::formatFixed(position / 10.0L, 2);
    return QString::number(position);
}

void TValueBar::barMoved(int position)
{
    // text being typed that already says this position stays as typed
    const std::optional<long double> typed = parseValue(edit->text());
    if (!typed || positionOf(double(*typed)) != position)
        edit->setText(positionText(position));
    emit changed(position);
}

void TValueBar::typeText(const QString &text)
{
    QString t = text;
    if (t.isEmpty())
        t = QStringLiteral("0");
    else if (t == QLatin1String("-"))
        t = QStringLiteral("-1");
    double value = double(parseValue(t).value_or(0));
    if (value > shown(maximum())) {
        value = shown(maximum());
        t = positionText(maximum());
    } else if (value < shown(minimum())) {
        value = shown(minimum());
        t = positionText(minimum());
    }
    if (t != edit->text())
        edit->setText(t);
    bar->setValue(positionOf(value));
}

bool TValueBar::unfinished(const QString &text) const
{
    if (text == QLatin1String("-"))
        return true;
    const std::optional<long double> value = parseValue(text);
    if (!value)
        return false;
    const double typed = double(*value);
    return (typed >= 0 && typed < shown(minimum())) || (typed <= 0 && typed > shown(maximum()));
}

bool TValueBar::acceptsText(const QString &text) const
{
    const std::optional<long double> value = parseValue(text);
    return value && double(*value) >= shown(minimum()) && double(*value) <= shown(maximum());
}

bool TValueBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != edit || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const QString text = key->text();
    if (!enter && (text.isEmpty() || text[0].unicode() < 0x20 || text[0].unicode() == 0x7F))
        return false; // moving, deleting and the like
    const QChar c = enter ? QChar() : text[0];
    const bool allowed = !enter && (c.isDigit() || c == QLatin1Char('-') || c == platform::decimalSeparator()
                                    || c == QLatin1Char(setup_.text == TBarText::Tenths ? '.' : '+'));
    if (allowed)
        return false;
    QApplication::beep();
    return true;
}

TChoice::TChoice(QWidget &page, const QString &title, const std::vector<TChoiceItem> &items, int start, int perLine,
                 QBoxLayout *row)
    : QObject(&page)
{
    auto *box = new QGroupBox(title, &page);
    auto *grid = new QGridLayout(box);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    auto *group = new QButtonGroup(this);
    bool startChecked = false;
    for (const TChoiceItem &item : items) {
        auto *button = new QRadioButton(item.caption, box);
        button->setObjectName(QString::fromLatin1(item.name));
        group->addButton(button);
        const int at = int(buttons_.size());
        grid->addWidget(button, at / perLine, at % perLine);
        buttons_.push_back(button);
        values_.push_back(item.value);
        if (item.value == start && !startChecked) {
            button->setChecked(true);
            startChecked = true;
        }
    }
    if (!startChecked && !buttons_.empty())
        buttons_.front()->setChecked(true);
    (row ? *row : layoutOf(page)).addWidget(box);
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        connect(buttons_[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                platform::guarded([&] { emit changed(values_[i]); });
        });
}

int TChoice::value() const
{
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (buttons_[i]->isChecked())
            return values_[i];
    return values_.empty() ? 0 : values_.front();
}

void TChoice::setValue(int value)
{
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        if (values_[i] == value) {
            buttons_[i]->setChecked(true);
            return;
        }
}

const char *TEffectColours::name(Slot slot)
{
    switch (slot) {
    case BackGround: return "BackGroundColor";
    case ForeGround: return "ForeGroundColor";
    case Mask: break;
    }
    return "MaskColor";
}

TEffectColours::TEffectColours(QObject *parent) : QObject(parent)
{
    for (QColor &colour : colours_)
        colour = startColour();
}

QColor TEffectColours::startColour()
{
    const int face = int(isp::rows::kFace);
    return QColor(face, face, face);
}

void TEffectColours::setColour(Slot slot, const QColor &colour)
{
    colours_[slot] = colour;
    emit changed();
}

bool TEffectColours::choose(Slot slot, QWidget *parent)
{
    QColorDialog dialog(colours_[slot], parent);
    if (platform::execModal(dialog) != QDialog::Accepted || !dialog.selectedColor().isValid())
        return false;
    setColour(slot, dialog.selectedColor());
    return true;
}

TColourButton::TColourButton(const QString &caption, TEffectColours &colours, TEffectColours::Slot slot, QWidget &page)
    : QPushButton(caption, &page), colours_(colours), slot_(slot)
{
    layoutOf(page).addWidget(this);
    showColour();
    platform::connectGuarded(&colours, &TEffectColours::changed, this, &TColourButton::showColour);
    platform::connectGuarded(this, &QPushButton::clicked, this, [this] { colours_.choose(slot_, window()); });
}

void TColourButton::showColour()
{
    QPixmap swatch(24, 14);
    swatch.fill(colours_.colour(slot_));
    QPainter(&swatch).drawRect(0, 0, 23, 13);
    setIcon(QIcon(swatch));
}

} // namespace imaging
