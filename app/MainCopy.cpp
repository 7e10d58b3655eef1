// The copy's own options: the "Copie" dialog of the Options menu, and what
// they make of the originals between the scanner and the sheet.
#include "Main.h"

#include "CopyPages.h"
#include "ErrorBoundary.h"
#include "Exception.h"
#include "MessageBox.h"
#include "Modal.h"
#include "ScanFailure.h"
#include "SheetGeometry.h"
#include "csTwainScan.h"

#include <QAction>
#include <QMenu>
#include <utility>

void TForm1::buildCopyOptions()
{
    CopieMnu = makeMenuItem(Options1, QStringLiteral("CopieMnu"), QStringLiteral("&Copie..."));
    CopyOptionsDialog = new TCopyOptionsDialog(this);
    platform::connectGuarded(CopieMnu, &QAction::triggered, this, &TForm1::CopieMnuClick);
}

void TForm1::CopieMnuClick()
{
    CopyOptionsDialog->Execute(copyOptions_);
}

std::vector<QImage> TForm1::preparedPages(std::vector<QImage> originals)
{
    if (copyOptions_.identityCard && originals.size() == 1) {
        if (!platform::askYesNo(QStringLiteral("Retournez la carte sur la vitre du scanner. Numériser le verso maintenant ?")))
            return {};
        // The back comes from the glass, as the front did.
        if (const std::optional<scan::ScanFailure> failure = scanSession())
            throw copyStopped(failure->reason());
        std::vector<QImage> back = std::exchange(scannedPages_, {});
        if (back.empty())
            throw copyStopped(QStringLiteral("le verso n'a pas été numérisé"));
        originals.push_back(back.front());
    }
    return copying::prepared(std::move(originals), copyOptions_,
                             copying::GatherSheet::of(platform::PaperMetrics::of(platform::Printer::instance())));
}
