// "Bouchage": a picture from the clipboard, a file or the scanner, placed
// with the selection band over the picture and dropped into it, scaled to
// the selection, by DropDib.
#include "ilfilterPageKit.h"

#include "ClipboardDib.h"
#include "DllSP96Frame.h"
#include "ILDibCls.h"
#include "ILPImage.h"
#include "MessageBox.h"
#include "TMultiP.h"
#include "TShellFileList.h"
#include "TShellFolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <optional>

namespace imaging {
namespace {

class TPastePage : public TEffectPage {
public:
    explicit TPastePage(TEffectHost &host) : TEffectPage(QStringLiteral("Bouchage"), TEffectMenu::Image, true), host_(host)
    {
        addText(QStringLiteral("Faites glisser l'image à la position voulue, puis cliquez sur \"Appliquer\"."));
        auto *row = new QHBoxLayout;
        own_ = new TILPImage(this);
        own_->setObjectName(QStringLiteral("PastePreview"));
        own_->setFixedSize(80, 64);
        auto *buttons = new QVBoxLayout;
        clipboard_ = button(buttons, "ClipboardBtn", QStringLiteral("Depuis Presse-papiers"),
                            QStringLiteral("Colle l'image qui se trouve dans le Presse-papiers par dessus l'image actuelle"));
        QPushButton *acquire = button(buttons, "AcquireBtn", QStringLiteral("Acquisition"), QStringLiteral("Scanner une image"));
        QPushButton *source = button(buttons, "SourceBtn", QStringLiteral("Source Twain"), QStringLiteral("Choix d'un scanner"));
        row->addWidget(own_);
        row->addLayout(buttons);
        static_cast<QVBoxLayout *>(layout())->addLayout(row);
        folders_ = new TShellFolderTree(this);
        folders_->setObjectName(QStringLiteral("DirectoryListBox"));
        folders_->setHeaderHidden(true);
        files_ = new TShellFileList(this);
        files_->setObjectName(QStringLiteral("FileListBox"));
        files_->setMask(QStringLiteral("*.BMP;*.GIF;*.JPG;*.PCX;*.PNG;*.TIF;*.PCD;*.TGA"));
        files_->setFolderTree(folders_);
        folders_->setSelection(QDir::homePath());
        layout()->addWidget(folders_);
        layout()->addWidget(files_);

        clipboardTimer_.setInterval(3000);
        platform::connectGuarded(&clipboardTimer_, &QTimer::timeout, this, [this] { clipboard_->setEnabled(ClipboardHoldsPicture()); });
        platform::connectGuarded(clipboard_, &QPushButton::clicked, this, [this] { take(DibFromClipboard()); });
        platform::connectGuarded(files_, &TShellFileList::fileSelected, this, &TPastePage::fileChosen);
        platform::connectGuarded(acquire, &QPushButton::clicked, this, [this] {
            host_.takeLibrary();
            HGLOBAL scanned = nullptr;
            if (aquiredibimage(window(), TPMultiImage::DisplayDepth(), false, scanned))
                take(GlobalBlock(scanned));
        });
        platform::connectGuarded(source, &QPushButton::clicked, this, [this] {
            host_.takeLibrary();
            selectsource(window());
        });

        setEffect([this](const TEffectTarget &) -> TEffectWork {
            if (!paste_)
                return {};
            const auto picture = std::make_shared<GlobalBlock>(ILTDib::CopyBlock(paste_.get()));
            return newPicture([picture](HGLOBAL d, const TEffectCall &c) -> HGLOBAL {
                // scaled into the selection, dropped at its top left corner
                const GlobalBlock scaled(ScaleDib(picture->get(), c.right - c.left, c.bottom - c.top, 24, FX_TAIL));
                if (!scaled)
                    return nullptr;
                return DropDib(d, scaled.get(), -1, -1, -1, c.top, c.left, FX_TAIL);
            });
        });
    }

    bool offersPreview() const override { return false; }
    bool offersApply() const override { return static_cast<bool>(paste_); }
    bool pastes() const override { return true; }

    void entered() override
    {
        clipboard_->setEnabled(ClipboardHoldsPicture());
        clipboardTimer_.start();
        host_.previewControl().setOverlay(paste_.get());
    }
    void left() override { clipboardTimer_.stop(); }

    // For a file chosen in the list.
    void fileChosen(const QString &path)
    {
        if (!QFileInfo(path).isFile())
            return;
        host_.takeLibrary();
        const int bits = TPMultiImage::DisplayDepth();
        const std::optional<codecs::Format> format = codecs::formatFromExtension(path.toStdString());
        if (!format)
            return;
        HGLOBAL read = nullptr;
        bool done = false;
        switch (*format) {
        case codecs::Format::Bmp: done = rdbmpfiledib(path, bits, false, read); break;
        case codecs::Format::Gif: done = rdgiffiledib(path, bits, false, read); break;
        case codecs::Format::Jpeg: done = rdjpgfiledib(path, bits, false, read); break;
        case codecs::Format::Pcx: done = rdpcxfiledib(path, bits, false, read); break;
        case codecs::Format::Png: done = rdpngfiledib(path, bits, false, read); break;
        case codecs::Format::Tiff: done = readtiffiledib(path, bits, false, 0, read); break;
        case codecs::Format::Pcd: done = readpcdfiledib(path, bits, false, 1, read); break;
        case codecs::Format::Tga: done = readtgafiledib(path, bits, false, read); break;
        default: return; // drawings, PostScript and formats the library does not read as pictures
        }
        if (done) {
            take(GlobalBlock(read));
            return;
        }
        platform::showError(QStringLiteral("Impossible de lire l'image « %1 » : %2")
                                .arg(QDir::toNativeSeparators(path), LastImagingError.Text));
    }

private:
    QPushButton *button(QVBoxLayout *column, const char *name, const QString &caption, const QString &hint)
    {
        auto *pushButton = new QPushButton(caption, this);
        pushButton->setObjectName(QString::fromLatin1(name));
        setHint(pushButton, hint);
        column->addWidget(pushButton);
        return pushButton;
    }

    // The picture to paste, shown here and as the overlay of the preview.
    void take(GlobalBlock picture)
    {
        if (!picture || isEmptyDib(picture.get()))
            return;
        paste_ = std::move(picture);
        own_->setDib(paste_.get());
        host_.previewControl().setOverlay(paste_.get());
        emit offerChanged();
    }

    TEffectHost &host_;
    GlobalBlock paste_;
    TILPImage *own_;
    QPushButton *clipboard_;
    TShellFolderTree *folders_;
    TShellFileList *files_;
    QTimer clipboardTimer_;
};

} // namespace

TEffectPage *MakePastePage(TEffectHost &host)
{
    return new TPastePage(host);
}

} // namespace imaging
