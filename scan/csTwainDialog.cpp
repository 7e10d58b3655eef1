#include "csTwainDialog.h"

#include "Modal.h"
#include "ScopeExit.h"
#include "csTwainDialogForm_d40.h"
#include "csTwainScan.h"

#include <memory>

TcsTwainDialog::TcsTwainDialog(QWidget *owner) : QObject(owner)
{
}

bool TcsTwainDialog::Execute()
{
    if (!Twain_)
        return false;
    auto form = std::make_unique<TTwainDialogForm>(qobject_cast<QWidget *>(parent()), Twain_.data());
    form->SetStyle(Style_);
    form->SetOptions(Options_);
    // While the window shows, what the scanner shows (the source's window, its
    // progress, the choice of a source) belongs to it.
    const QPointer<QWidget> previousParent = Twain_->ParentWindow();
    Twain_->SetParentWindow(form.get());
    const platform::ScopeExit restoreParent([twain = Twain_, previousParent] {
        if (twain)
            twain->SetParentWindow(previousParent);
    });
    return platform::execModal(*form) == QDialog::Accepted;
}
