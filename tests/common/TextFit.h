#pragma once
// Which controls of a window cut their text: a label, button, check box or
// list entry whose text is wider than the room its control gives it, in the
// control's own font metrics.  Each is described as "name: 'text' needs N, has M".
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QRadioButton>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>

#include <algorithm>
#include <functional>

namespace textfit {

inline int textWidth(const QWidget &control, QString text)
{
    text.remove(QLatin1Char('&'));
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, control.fontMetrics().horizontalAdvance(line));
    return widest;
}

inline QString describe(const QWidget &control, const QString &text, int needed, int room)
{
    return QStringLiteral("%1 (%2): '%3' needs %4, has %5")
        .arg(control.objectName(), QString::fromLatin1(control.metaObject()->className()), text)
        .arg(needed)
        .arg(room);
}

// A line of text needs the font's height; two pixels less still show every
// glyph whole (rounded design units give that much less).
inline bool tooLow(const QWidget &control, int room)
{
    return room < control.fontMetrics().height() - 2;
}

// The controls shown in the window (hidden ones are checked when shown).
inline QStringList cutTexts(const QWidget &window)
{
    QStringList cut;
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        if (control->isHidden() || !control->isVisibleTo(&window))
            continue;
        const bool textButton = qobject_cast<const QCheckBox *>(control) || qobject_cast<const QRadioButton *>(control);
        const auto *textLabel = qobject_cast<const QLabel *>(control);
        if (((textLabel && !textLabel->text().isEmpty()) || (textButton && !static_cast<const QAbstractButton *>(control)->text().isEmpty()))
            && tooLow(*control, textLabel ? textLabel->contentsRect().height() : control->height()))
            cut << QStringLiteral("%1 (%2): too low, %3 for a line of %4")
                       .arg(control->objectName(), QString::fromLatin1(control->metaObject()->className()))
                       .arg(textLabel ? textLabel->contentsRect().height() : control->height())
                       .arg(control->fontMetrics().height());
        if (const auto *label = qobject_cast<const QLabel *>(control)) {
            if (label->wordWrap() || label->text().isEmpty() || label->textFormat() == Qt::RichText
                || Qt::mightBeRichText(label->text()))
                continue;
            const int needed = textWidth(*label, label->text());
            const int room = label->contentsRect().width() - 2 * label->margin() - 2 * label->indent() * (label->indent() > 0);
            if (needed > room)
                cut << describe(*label, label->text(), needed, room);
        } else if (const auto *box = qobject_cast<const QComboBox *>(control)) {
            QStyleOptionComboBox option;
            option.initFrom(box);
            option.rect = box->rect();
            const int room = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box).width();
            for (int i = 0; i < box->count(); ++i) {
                const int needed = textWidth(*box, box->itemText(i)) + 4;
                if (needed > room)
                    cut << describe(*box, box->itemText(i), needed, room);
            }
        } else if (const auto *button = qobject_cast<const QAbstractButton *>(control)) {
            if (button->text().isEmpty())
                continue;
            int needed = textWidth(*button, button->text());
            int room = button->width();
            if (qobject_cast<const QCheckBox *>(button) || qobject_cast<const QRadioButton *>(button)) {
                needed += button->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button)
                    + button->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
            } else if (const auto *push = qobject_cast<const QPushButton *>(button)) {
                QStyleOptionButton option;
                option.initFrom(push);
                option.rect = push->rect();
                room = push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push).width();
                if (!push->icon().isNull())
                    needed += push->iconSize().width() + 4;
            } else {
                needed = button->sizeHint().width(); // a button that draws itself says what it needs
            }
            if (needed > room)
                cut << describe(*button, button->text(), needed, room);
        }
    }
    return cut;
}

// Text controls that overlap a control beside them (squeezed by a layout
// with too little room), as "name (class) overlaps name (class)".
inline QStringList overlaps(const QWidget &window)
{
    const auto shown = [&](const QWidget *control) { return !control->isHidden() && control->isVisibleTo(&window); };
    const auto hasText = [](const QWidget *control) {
        if (const auto *label = qobject_cast<const QLabel *>(control))
            return !label->text().isEmpty();
        if (const auto *button = qobject_cast<const QAbstractButton *>(control))
            return !button->text().isEmpty();
        return false;
    };
    const auto name = [](const QWidget *control) {
        return QStringLiteral("%1 (%2)").arg(control->objectName(), QString::fromLatin1(control->metaObject()->className()));
    };
    QStringList found;
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        if (!shown(control) || !hasText(control) || !control->parentWidget())
            continue;
        for (const QWidget *other : control->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            // each pair once when both have text
            if (other == control || !shown(other) || (hasText(other) && std::less<const QWidget *>()(other, control)))
                continue;
            if (control->geometry().intersects(other->geometry()))
                found << name(control) + QStringLiteral(" overlaps ") + name(other);
        }
    }
    return found;
}

} // namespace textfit
