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

// The controls shown in the window (hidden ones are checked when shown).
inline QStringList cutTexts(const QWidget &window)
{
    QStringList cut;
    for (const QWidget *control : window.findChildren<QWidget *>()) {
        if (control->isHidden() || !control->isVisibleTo(&window))
            continue;
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

} // namespace textfit
