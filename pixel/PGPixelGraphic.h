#pragma once
// TPixelGraphic: the library's in-memory raster image.  1-, 4- and 8-bit
// palette images and 24-bit colour images stored as one bottom-up DIB, with
// standard palettes, fast nearest-colour search, error-diffusion dithering,
// resampling and filtering with progress and abort.
#include "PGMessages.h"

#include <dib.h>
#include <globalmem.h>

#include <QRgb>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QIODevice;
class QImage;
class QPainter;
class QRect;
class QString;
class TPGCanvas;
class TPGFilter;
class TPixelGraphic;

// A colour as 0x00BBGGRR, red in the low byte.
using TRGB = uint32_t;

constexpr TRGB MakeRGB(int Red, int Green, int Blue)
{
    return uint32_t(Red & 0xFF) | (uint32_t(Green & 0xFF) << 8) | (uint32_t(Blue & 0xFF) << 16);
}
constexpr int RedOf(TRGB Color) { return int(Color & 0xFF); }
constexpr int GreenOf(TRGB Color) { return int((Color >> 8) & 0xFF); }
constexpr int BlueOf(TRGB Color) { return int((Color >> 16) & 0xFF); }
// The same colour as Qt holds it, and back.
constexpr QRgb toQRgb(TRGB Color) { return qRgb(RedOf(Color), GreenOf(Color), BlueOf(Color)); }
constexpr TRGB fromQRgb(QRgb Color) { return MakeRGB(qRed(Color), qGreen(Color), qBlue(Color)); }

enum TPGPixelFormat : uint8_t { pg1Bit, pg4Bit, pg8Bit, pg24Bit };

enum TPaletteIdent : uint8_t {
    pNone,
    pTrueColor,
    pUnknown,
    pBlackWhite,
    pSysGray4,
    pSys16,
    pGray4,
    pGray16,
    pGray236,
    pGray256,
    pSpecial125,
    pSpecial216,
    pSpecial252,
    pOptimized252Sys16, // request only, never the kind of a stored palette
    pSource,            // request only: keep the source palette
};

enum TStretchMode : uint8_t { smFast, smMedium, smPrecise };

enum TPGWarningAction : uint8_t { pgwaIgnore, pgwaOKBox, pgwaOKCancelBox, pgwaRaise };

using TNotifyEvent = std::function<void(TPixelGraphic *Sender)>;
using TPGProgressEvent = std::function<void(TPixelGraphic *Sender, int Current, bool &Abort, int Max)>;

// The entries of a standard palette kind (pBlackWhite .. pSpecial252); empty for the others.
const std::vector<TRGB> &StandardPalette(TPaletteIdent Kind);

// The pixel format that holds a bit count of 1, 4, 8 or 24; EPGInvalidBitCountNum otherwise.
TPGPixelFormat PixelFormatFromBitCount(int BitCountNum);

constexpr uint16_t CF_BITMAP = 2;
constexpr uint16_t CF_DIB = 8;

class TPixelGraphic {
public:
    TPixelGraphic();
    ~TPixelGraphic();
    TPixelGraphic(const TPixelGraphic &) = delete;
    TPixelGraphic &operator=(const TPixelGraphic &) = delete;

    // Options, read and written freely.
    bool Dither = true;
    uint8_t DitherErrorLimit = 32;
    bool DitherErrorLimitAuto = true;
    bool DitherErrorLimitSoft = true;
    long double FileGamma = 1.8L;
    TStretchMode StretchMode = smPrecise;
    TPGWarningAction ReadWarningAction = pgwaOKCancelBox;
    bool RangeCheck = false;
    TPGWarningAction SaveColorResWarningAction = pgwaOKCancelBox;

    TNotifyEvent OnChange;
    TPGProgressEvent OnProgress;
    TNotifyEvent OnProgressStart;
    TNotifyEvent OnProgressEnd;

    // Size and format.
    void SetFormat(int Width, int Height, TPGPixelFormat PixelFormat);
    int Width() const { return width_; }
    int Height() const { return height_; }
    TPGPixelFormat PixelFormat() const { return format_; }
    void SetWidth(int Value);
    void SetHeight(int Value);
    void SetPixelFormat(TPGPixelFormat Value);
    bool GetEmpty() const { return !bits_; }
    int BitCount() const;
    int ColorCount() const;
    uint32_t RowStride() const { return rowStride_; }
    uint32_t DataSize() const { return dataSize_; }
    uint8_t *ScanLine(int Y);
    const uint8_t *ScanLine(int Y) const;
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool Value) { transparent_ = Value; }

    // Drawing into the pixels, created on first use (PGCanvas.h).
    TPGCanvas &Canvas();

    void Clear();
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    void Changed();
    void Assign(const TPixelGraphic *Source);
    void Draw(QPainter &Canvas, const QRect &Rect) const;

    // Pixels: raw values (bit, index or TRGB) and colours.
    uint32_t GetPixel(int X, int Y) const;
    void SetPixel(int X, int Y, uint32_t Value);
    TRGB GetPixelColor(int X, int Y) const;
    void SetPixelColor(int X, int Y, TRGB Color);
    void BeginDither();
    void NextDitherRow();
    void EndDither();
    void SetPixelDithered(int X, int Y, TRGB Color);
    // The error limit applied to an accumulated error of -255..255 while dithering (0 otherwise).
    int DitherErrorLimitTable(int Error) const;
    uint32_t BackGroundColor() const { return backGroundColor_; }
    void SetBackGroundColor(uint32_t Value) { backGroundColor_ = Value; }
    TRGB BackGroundRGB() const;
    void SetBackGroundRGB(TRGB Color);

    // Grey level 0..765 under the current weighting.
    int GrayLevel(TRGB Color) const;

    // Palette.
    int PaletteCount() const { return int(palette_.size()); }
    void SetPaletteCount(int N);
    TRGB PaletteEntries(int I) const;
    void SetPaletteEntry(int I, TRGB Color);
    TPaletteIdent PaletteIdent() const { return paletteIdent_; }
    void SetPaletteIdent(TPaletteIdent Kind);
    void DetectPaletteIdent();
    bool IsGray() const { return isGray_; }
    uint32_t NearestIndex(TRGB Color);
    void ClearNearestCache();
    bool UseNearestCache() const { return useNearestCache_; }
    void SetUseNearestCache(bool Value);
    bool RGBWeighting() const { return rgbWeighting_; }
    void SetRGBWeighting(bool Value);
    // The palette as display colours, rebuilt when stale; empty for true colour.
    const std::vector<QRgb> &GetPalette() const;

    // Copies and filters.
    void CopyFrom(const TPixelGraphic &Source);
    void StretchCopy(int DestLeft, int DestTop, int DestWidth, int DestHeight, const TPixelGraphic &Source,
                     int SrcLeft, int SrcTop, int SrcWidth, int SrcHeight);
    void ApplyFilter(TPGFilter &Filter, const TPixelGraphic &Source);

    // Exchange with the program's bitmap, streams, the clipboard and files (PGBmpExchange.cpp).
    void LoadFromBitmap(const QImage &Bitmap);
    void SaveToBitmap(QImage &Bitmap) const;
    void LoadFromStream(QIODevice &Stream);
    void SaveToStream(QIODevice &Stream) const;
    void WriteData(QIODevice &Stream) const;
    void ReadData(QIODevice &Stream);
    void SaveToClipboardFormat(uint16_t &Format, GlobalBlock &Data) const;
    void LoadFromClipboardFormat(uint16_t Format, HGLOBAL Data);
    void LoadFromFile(const QString &FileName);
    void SaveToFile(const QString &FileName);
    // Room for a BMP stream of this image: 58 + 4 x PaletteCount + DataSize.
    uint32_t BMPStreamSize() const;
    // Packed DIB without file header: info header, palette, pixels.
    void WriteDIB(QIODevice &Stream) const;
    void ReadDIB(QIODevice &Stream, bool CoreHeader);
    // Loads from a stream with the reader chosen by content, else by extension.
    void LoadFromStreamAs(QIODevice &Stream, const QString &Extension, int ImageIndex);
    // Saves through the writer registered for the extension, converting the colour resolution if needed.
    void SaveToStreamAs(QIODevice &Stream, const QString &Extension);

    // Progress reporting for readers and long operations.
    void ProgressStart();
    bool Progress(int Current, int Max); // true when the handler asked to stop
    void ProgressEnd();

private:
    friend class TPGCanvas;
    struct NearestCache;
    struct DitherState;
    struct PixelMemoryDeleter {
        void operator()(uint8_t *p) const;
    };

    // Every direct access to the pixels or the palette first takes in what the canvas drew.
    void flushCanvas() const;
    bool holds(int X, int Y) const;
    uint32_t readPixel(int X, int Y) const;
    void writePixel(int X, int Y, uint32_t Value);
    TRGB colorOfValue(uint32_t Value) const;
    // Clear's work on pixel memory that is there; Zeroed: it holds zeros already.
    void clearPixels(bool Zeroed);
    void buildBitmapInfo();
    void writeBitmapInfoColor(int I, TRGB Color);
    void paletteChanged();
    uint32_t computeNearest(TRGB Color);
    uint32_t nearestByCache(TRGB Color);
    uint32_t nearestExhaustive(TRGB Color) const;
    void fillNearestCache();
    void fillErrorLimitTable();
    void plainCopy(int DestLeft, int DestTop, const TPixelGraphic &Source, int SrcLeft, int SrcTop, int Width,
                   int Height);
    void writeColor(int X, int Y, TRGB Color, bool Dithered);
    void filterRows(TPGFilter &Filter, bool Dithered);

    int width_ = 0;
    int height_ = 0;
    TPGPixelFormat format_ = pg24Bit;
    uint32_t rowStride_ = 0;
    uint32_t dataSize_ = 0;
    std::unique_ptr<uint8_t, PixelMemoryDeleter> bits_;
    std::vector<uint8_t> bitmapInfo_; // BITMAPINFOHEADER and ColorCount RGBQUADs, as drawn
    std::vector<TRGB> palette_;
    TPaletteIdent paletteIdent_ = pTrueColor;
    uint32_t backGroundColor_ = 0;
    bool isGray_ = false;
    bool useNearestCache_ = true;
    bool rgbWeighting_ = true;
    bool transparent_ = false;
    int updateCount_ = 0;
    TRGB lastColor_ = 0;
    uint32_t lastIndex_ = 0;
    bool memoStale_ = true;
    std::unique_ptr<NearestCache> cache_;
    std::unique_ptr<DitherState> dither_;
    mutable std::vector<QRgb> logicalPalette_;
    mutable bool paletteHandleStale_ = false;
    std::unique_ptr<TPGCanvas> canvas_;
    mutable bool canvasDirty_ = false; // the canvas's painter is open on a copy of the pixels
};
