#pragma once
// Answers the source manager's windows as their user would, once they show:
// the source's own window (buttons "scanButton", "cancelButton") and the
// choice of a source (a modal dialog listing the devices).
#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

// Presses a button of the source's window, a child of `owner`; gives up
// when the owner is gone.
inline void pressInSourceWindow(QWidget &owner, const char *button)
{
    QTimer::singleShot(50, [owner = QPointer<QWidget>(&owner), button] {
        if (!owner)
            return;
        auto *dialog = owner->findChild<QDialog *>(QStringLiteral("SourceDialog"));
        if (!dialog)
            return pressInSourceWindow(*owner, button);
        dialog->findChild<QPushButton *>(QString::fromLatin1(button))->click();
    });
}

// Accepts or cancels the choice of a source once it lists the devices.
inline void answerSelection(bool accept)
{
    QTimer::singleShot(50, [accept] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        auto *list = dialog ? dialog->findChild<QListWidget *>(QStringLiteral("sources")) : nullptr;
        if (!list || list->count() == 0)
            return answerSelection(accept);
        accept ? dialog->accept() : dialog->reject();
    });
}
