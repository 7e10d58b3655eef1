#pragma once
// The controls of the effects dialog's pages: a track bar paired with an
// edit for each numeric value, radio choices, and the three colours the
// dialog keeps with the buttons that choose them.
//
// Every bar shows one row of the effect catalogue (EffectParameters.h): its
// range and start value are the row's offered ones, in the export's units,
// mapped onto the bar as position = value × factor + offset.  So a rotation
// of -180..180 degrees is a bar of -1800..1800 tenths, "Plus sombre" is the
// negative half of the brightness row shown as 0..255, and the hue of
// -180..180 is a bar of 0..360.
#include "EffectParameters.h"

#include <QColor>
#include <QObject>
#include <QPushButton>
#include <QString>

#include <vector>

class QBoxLayout;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QWidget;

namespace imaging {

// The edit shows the position, or the position ÷ 10 with two decimals.
enum class TBarText { Whole, Tenths };
// Which part of the row's range the bar offers.
enum class TBarSide { Both, Positive, Negative };

struct TBarSetup {
    const char *name; // the bar's name; its edit's ends in "Edit" instead of "Bar"
    QString caption;
    const isp::ParameterRow *row;
    int factor = 1;
    int offset = 0;
    TBarText text = TBarText::Whole;
    TBarSide side = TBarSide::Both;
};

const isp::ParameterRow &effectRow(const char *exportName, const char *name);

class TValueBar : public QObject {
    Q_OBJECT
public:
    // Makes the caption, bar and edit as children of `page`, in one row of its layout.
    TValueBar(const TBarSetup &setup, QWidget &page);

    QLabel *label;
    QSlider *bar;
    QLineEdit *edit;

    int position() const;
    // In the export's units.
    double value() const { return double(position() - setup_.offset) / setup_.factor; }
    // Another range (the hue of one colour): the bar goes to its start.
    void setSetup(const TBarSetup &setup);
    void setPosition(int position);
    int minimum() const;
    int maximum() const;

    // What typing does: empty text is 0, a lone "-" is -1 (once the edit is
    // left), text that is no number counts as 0, values beyond the range
    // become its end; the bar follows.
    void typeText(const QString &text);
    // Whether the edit could show this text (a settings file's value).
    // Text more keys may still bring within the bar.
    bool unfinished(const QString &text) const;
    bool acceptsText(const QString &text) const;
    QString positionText(int position) const;
    void setVisible(bool visible);

signals:
    // The position changed, by the user or the program.
    void changed(int position);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void barMoved(int position);
    double shown(int position) const;
    int positionOf(double shownValue) const;

    TBarSetup setup_;
};

// Radio buttons choosing one value; the first whose value is `start` starts checked.
struct TChoiceItem {
    const char *name;
    QString caption;
    int value;
};

class TChoice : public QObject {
    Q_OBJECT
public:
    // The buttons in a box of their own, titled `title` when it is not empty,
    // `perLine` to a line; the box goes into `row`, or under the page's controls.
    TChoice(QWidget &page, const QString &title, const std::vector<TChoiceItem> &items, int start, int perLine = 3,
            QBoxLayout *row = nullptr);
    int value() const;
    void setValue(int value);
    const std::vector<QRadioButton *> &buttons() const { return buttons_; }

signals:
    // A button was chosen (by the user or the program).
    void changed(int value);

private:
    std::vector<QRadioButton *> buttons_;
    std::vector<int> values_;
};

// The colours the dialog keeps for the pages that paint one.
class TEffectColours : public QObject {
    Q_OBJECT
public:
    enum Slot { BackGround, ForeGround, Mask };
    static constexpr int SlotCount = 3;
    static const char *name(Slot slot);

    explicit TEffectColours(QObject *parent = nullptr);
    QColor colour(Slot slot) const { return colours_[slot]; }
    void setColour(Slot slot, const QColor &colour);
    // The start colour of every slot: the button face of the catalogue.
    static QColor startColour();
    // The colour dialog, shown over `parent`; true when a colour was chosen.
    bool choose(Slot slot, QWidget *parent);

signals:
    void changed();

private:
    QColor colours_[SlotCount];
};

// A button that shows one of the colours and chooses it.
class TColourButton : public QPushButton {
    Q_OBJECT
public:
    TColourButton(const QString &caption, TEffectColours &colours, TEffectColours::Slot slot, QWidget &page);

private:
    void showColour();
    TEffectColours &colours_;
    TEffectColours::Slot slot_;
};

} // namespace imaging
