#pragma once
// The pixel-graphics library's texts: one table with a column per language,
// a global selector that picks the column, and the library's exception classes.
#include "Exception.h"

#include <QString>
#include <cstdint>
#include <span>
#include <stdexcept>

// Columns of the language table.
enum TPGLanguage : uint8_t {
    pglEnglish = 0,
    pglGerman = 1,
    pglFrench = 2,
    pglDutch = 3,
    pglSpanish = 4,
    pglDanish = 5,
    pglItalian = 6,
};

constexpr int PGLanguageColumns = 8;
constexpr int PGLangStrEntryCount = 85;

// The selected column; the host program stores pglFrench when its main window is created.
extern uint8_t PGLanguage;

struct TPGLangStrEntry {
    uint8_t Number;
    const char *Texts[PGLanguageColumns];
};

// Entry numbers the library's own code refers to.
enum PGMessage : int {
    msgXYIndexOutOfRange = 1,
    msgNoPalette = 2,
    msgInvalidPaletteIndex = 3,
    msgUnknownClipboardFormat = 4,
    msgUnknownFileFormat = 6,
    msgInvalid = 7,
    msgBlackAndWhite = 8, // the eight colour-resolution names follow in order
    msgIsEmpty = 16,
    msgColorResFallback = 17,
    msgCannotWriteColorRes = 18,
    msgUnknownExtension = 19,
    msgInvalidValueFor = 20,
    msgNegativeHeight = 21,
    msgNegativeWidth = 22,
    msgSourceIsTarget = 23,
    msgInvalidSizeOf = 27,
    msgWarning = 28,
    msgFailed = 31,
    msgUnexpectedEndOfFile = 32,
    msgSaturationHue = 40,
    msgOutOfRange = 41,
    // Texts of the filter dialogs.
    msgOK = 42,
    msgCancel = 43,
    msgRGBFilter = 44, // then the captions R, G, B
    msgCMYFilter = 48, // then C, M, Y
    msgYCbCrFilter = 52, // then Y, Cb, Cr
    msgHLSFilter = 56, // then H, L, S
    msgHSVFilter = 60,
    msgV = 61,
    msgGamma = 63,
    msgRGB = 64,
    msgY = 65,
    msgBrightness = 66,
    msgContrast = 67,
    msgApplyOn = 68,
    msgBCGFilter = 69,
    msgStdDeviation = 72,
    msgStrength = 73,
    msgSharpen = 74,
    msgDetail = 75,
    msgSmooth = 76,
    msgContour = 79,
    msgWhite = 80,
    msgBlack = 81,
    msgPlusMinus = 82,
    msgDegree = 83,
};

// The whole table, entries 0..84.
std::span<const TPGLangStrEntry> PGLangStrEntries();

// Raises EPixelGraphic when an entry's stored number differs from its position.
void CheckPGLangStrEntriesOrder(std::span<const TPGLangStrEntry> entries);

QString Text(int Number);
QString Text1(int Number, const QString &A);
QString Text2(int Number, const QString &A, const QString &B);
QString Text3(int Number, const QString &A, const QString &B, const QString &C);

// Base of every error the library raises; carries the text shown to the user.
class EPixelGraphic : public platform::Exception {
public:
    explicit EPixelGraphic(const QString &message) : platform::Exception(message), message_(message) {}
    const QString &Message() const { return message_; }
private:
    QString message_;
};

#define QUILLON_PG_EXCEPTION(Name)                                                                         \
    class Name : public EPixelGraphic {                                                                    \
    public:                                                                                                \
        using EPixelGraphic::EPixelGraphic;                                                                \
    }

QUILLON_PG_EXCEPTION(EPGXYIndexOutOfRange);
QUILLON_PG_EXCEPTION(EPGNoPalette);
QUILLON_PG_EXCEPTION(EPGInvalidPaletteIndex);
QUILLON_PG_EXCEPTION(EPGEmpty);
QUILLON_PG_EXCEPTION(EPGCanWriteResolutionsEmpty);
QUILLON_PG_EXCEPTION(EPGCannotWriteColorRes);
QUILLON_PG_EXCEPTION(EPGFileFormatWritersEmpty);
QUILLON_PG_EXCEPTION(EPGUnknownExtension);
QUILLON_PG_EXCEPTION(EPGUnknownFileFormat);
QUILLON_PG_EXCEPTION(EPGUnknownClipboardFormat);
QUILLON_PG_EXCEPTION(EPGBMPFileFormatReader);
QUILLON_PG_EXCEPTION(EPGJPGFileFormatReaderWriter);
QUILLON_PG_EXCEPTION(EPGPNGFileFormatReaderWriter);
QUILLON_PG_EXCEPTION(EPGPCXFileFormatReader);
QUILLON_PG_EXCEPTION(EPGPxMFileFormatReader);
QUILLON_PG_EXCEPTION(EPGPxMFileFormatWriter);
QUILLON_PG_EXCEPTION(EPGTGAFileFormatReader);
QUILLON_PG_EXCEPTION(EPGTIFFileFormatReader);
QUILLON_PG_EXCEPTION(EPGTIFFileFormatWriter);
QUILLON_PG_EXCEPTION(EPGInvalidBitCountNum);
QUILLON_PG_EXCEPTION(EPGInvalidSize);
QUILLON_PG_EXCEPTION(EPGFilter);
QUILLON_PG_EXCEPTION(EPGSaturationHue);
QUILLON_PG_EXCEPTION(EPGConvFilter);

#undef QUILLON_PG_EXCEPTION
