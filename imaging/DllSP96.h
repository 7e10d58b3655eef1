#pragma once
// The bridge to the external imaging library (ISP2000.DLL for processing
// and effects, CRDE2000.DLL for files, information, depth conversion and
// device bitmaps): the binding, the shared state, the conversions between
// DIBs and bitmaps, and one wrapper per export.
//
// Wrappers never raise for a library failure: they return no DIB or false
// and keep the status and its text in LastImagingError; an exception inside
// the library shows ImagingExceptionMessage.  Results are new DIBs owned by
// the caller; a DIB handed to a wrapper stays the caller's unless the
// wrapper takes it by reference and says it replaces it.
#include "Bitmap.h"
#include "globalmem.h"

#include <QList>
#include <QRgb>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace platform {
class Module;
}

namespace imaging {

class TransitionSurface;

// The library's progress callback: percent done and the caller's user data;
// returning 0 asks the library to stop.
using ILProgressProc = std::int16_t (*)(std::int16_t percent, void *userData);

enum class LoadFailure { MessageBox, Raise };

// One DLL of the library, loaded on first need and kept for the program's
// life; exports are looked up by name at each call, from whichever thread
// calls the library.
class ImagingLibrary {
public:
    ImagingLibrary(QString dllName, LoadFailure failure);
    ~ImagingLibrary();
    ImagingLibrary(const ImagingLibrary &) = delete;
    ImagingLibrary &operator=(const ImagingLibrary &) = delete;

    const QString &dllName() const { return dllName_; }
    bool isLoaded() const;
    // Null when the DLL cannot be loaded (shown or raised as chosen) or has no such export.
    void *symbol(const char *name);
    template <typename Function> Function function(const char *name) { return reinterpret_cast<Function>(symbol(name)); }
    void release();
    // Binds another DLL from now on (stand-in libraries in tests).
    void setDllName(const QString &dllName);

private:
    mutable std::mutex mutex_;
    QString dllName_;
    LoadFailure failure_;
    std::unique_ptr<platform::Module> module_;
};

ImagingLibrary &ISP2000();
ImagingLibrary &CRDE2000();

QString ImagingLoadFailureMessage(const QString &dllName);
extern const QString ImagingExceptionMessage;

struct TImagingError {
    int Code = 0;
    QString Text;
};

// Text of the running imaging operation, shown by the progress callbacks.
// Each thread has its own, as it has its own last error: the effects dialog
// runs effects on a worker while its window may call the library itself,
// and what one call sets must not show up as another's.
extern thread_local QString ImagingProgressCaption;
// Status and text of the last failing call made on this thread.
extern thread_local TImagingError LastImagingError;
// Set while a TWAIN call of the library runs, whichever thread makes it.
extern std::atomic<bool> TwainBusy;

// Key "App Name" of section "Imaging Twain" in "iltwain.ini": the program's base name in lower case.
void WriteTwainProfileEntry();
// At program end: releases both DLLs and clears the shared texts.
void ReleaseImagingLibraries();

// ---- conversions ----------------------------------------------------------
HGLOBAL ConvertDibUp(HGLOBAL dib, int bits);
HGLOBAL ReduceDibDepth(HGLOBAL dib, int bits, bool dither, int colours, void *userData, ILProgressProc callback);
// Raises "Input image is empty" for an empty bitmap.  The result has 1, 4, 8 or 24 bits.
HGLOBAL BitmapToDib(const Bitmap &bitmap, const QList<QRgb> *palette = nullptr);
HGLOBAL BitmapToDibAtDepth(const Bitmap &bitmap, int bits, bool dither, void *userData, ILProgressProc callback);
bool DibToBitmapAtDepth(HGLOBAL dib, int bits, bool dither, ILProgressProc callback, void *userData, Bitmap &bitmap);
bool DibToBitmap(HGLOBAL dib, Bitmap &bitmap);
HGLOBAL CopyDIB(HGLOBAL dib);

// ---- files (CRDE2000.DLL) --------------------------------------------------
// Read wrappers check the file first: one that cannot be opened raises
// EFOpenError, one shorter than 30 bytes gives false without calling the
// library.  Each has a raw form (a new DIB) and a bitmap form.
bool rdbmpfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdbmpfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdpngfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdpngfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdgiffiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdgiffiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdpcxfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool rdpcxfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
// `scale` 2, 4 or 8 decodes at that fraction of the size (previews).
bool rdjpgfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr,
                  int scale = 1);
bool rdjpgfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr,
                  int scale = 1);
bool readtgafiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readtgafiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readepsfiledib(const QString &path, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readepsfiledib(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readtiffiledib(const QString &path, int bits, bool dither, int page, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readtiffiledib(const QString &path, int bits, bool dither, int page, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readpcdfiledib(const QString &path, int bits, bool dither, int resolution, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readpcdfiledib(const QString &path, int bits, bool dither, int resolution, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool readdxftoddb(const QString &path, int bits, bool dither, Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);

// Write wrappers: raw (the DIB is not consumed) and bitmap forms.
bool wrbmpfiledib(const QString &path, int bits, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrbmpfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrpcxfiledib(const QString &path, int bits, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrpcxfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrgiffiledib(const QString &path, int bits, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrgiffiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrpngfiledib(const QString &path, int bits, bool interlaced, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrpngfiledib(const QString &path, int bits, bool interlaced, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
// A failed JPEG write also releases CRDE2000.DLL; the next call loads it again.
bool wrjpgfiledib(const QString &path, int quality, int smoothing, int bits, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool wrjpgfiledib(const QString &path, int quality, int smoothing, int bits, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool writetiffiledib(const QString &path, int compression, int bits, bool append, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool writetiffiledib(const QString &path, int compression, int bits, bool append, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
bool writeepsfiledib(const QString &path, int bits, HGLOBAL dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool writeepsfiledib(const QString &path, int bits, const Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);

enum TTiffCompression { sNONE = 1, sCCITT = 2, sFAXCCITT3 = 3, sFAXCCITT4 = 4, sLZW = 5, sPACKBITS = 32773 };
// "NONE", "CCITT3", "FAXCCITT3", "FAXCCITT4", "LZW", "PACKBITS" (32773, also as -32763 or 32763), else "UNKNOWN".
QString TiffCompressionName(int code);

struct TImageInfo {
    int Width = 0, Height = 0, Compression = 0, Format = 0, Pages = 0, Bits = 0;
};
bool getinfo(const QString &path, int page, TImageInfo &info);
struct TFileInfo {
    QString FormatName, CompressionName;
    int Width = 0, Height = 0, Bits = 0, Pages = 0, Compression = 0;
};
bool fileinfo(const QString &path, TFileInfo &info);
bool getdxfinfo(const QString &path, int &width, int &height, int &bits);

// ---- scanning through the library ------------------------------------------
bool aquiredibimage(void *window, int bits, bool dither, HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
bool selectsource(void *window);

// ---- effects (ISP2000.DLL) -------------------------------------------------
// Framed effects: a right or bottom of 0 means the whole width or height;
// below 24 bits the DIB is raised to 24 for the export and the result
// reduced back to its depth (1 bit becoming 4).
// Flags are 0 or 1; colours 0..255.
#define IL_EFFECT_TAIL void *userData = nullptr, ILProgressProc callback = nullptr
HGLOBAL OilPainting(HGLOBAL dib, int left, int top, int right, int bottom, int strength, IL_EFFECT_TAIL);
HGLOBAL Blur(HGLOBAL dib, int left, int top, int right, int bottom, int strength, IL_EFFECT_TAIL);
HGLOBAL Engrave(HGLOBAL dib, int left, int top, int right, int bottom, int strength, IL_EFFECT_TAIL);
HGLOBAL Bled(HGLOBAL dib, int left, int top, int right, int bottom, int amount, IL_EFFECT_TAIL);
HGLOBAL Edge(HGLOBAL dib, int left, int top, int right, int bottom, int strength, IL_EFFECT_TAIL);
HGLOBAL Better(HGLOBAL dib, int left, int top, int right, int bottom, int amount, IL_EFFECT_TAIL);
HGLOBAL PixelFix(HGLOBAL dib, int left, int top, int right, int bottom, int strength, IL_EFFECT_TAIL);
HGLOBAL PinchHole(HGLOBAL dib, int left, int top, int right, int bottom, double amount, IL_EFFECT_TAIL);
HGLOBAL Whirl(HGLOBAL dib, int left, int top, int right, int bottom, double amount, IL_EFFECT_TAIL);
HGLOBAL Wave(HGLOBAL dib, int left, int top, int right, int bottom, double amplitude, int waveLength, double phase,
             bool smooth, bool reflection, IL_EFFECT_TAIL);
HGLOBAL Noise(HGLOBAL dib, int left, int top, int right, int bottom, bool gaussian, bool byIntensity, int red, int green,
              int blue, IL_EFFECT_TAIL);
HGLOBAL Enhance(HGLOBAL dib, int left, int top, int right, int bottom, int brightness, int contrast, int blueGamma,
                int greenGamma, int redGamma, IL_EFFECT_TAIL);
// kind: 1 zoom, 2 rotation, 3 linear
HGLOBAL Motion(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, int kind, IL_EFFECT_TAIL);
HGLOBAL GrayArea(HGLOBAL dib, int left, int top, int right, int bottom, IL_EFFECT_TAIL);
HGLOBAL AutoContrast(HGLOBAL dib, int left, int top, int right, int bottom, IL_EFFECT_TAIL);
HGLOBAL RecToPolar(HGLOBAL dib, int left, int top, int right, int bottom, int value, int angle, bool inverse,
                   bool backward, IL_EFFECT_TAIL);
HGLOBAL Jiggle(HGLOBAL dib, int left, int top, int right, int bottom, int period, int amplitude, bool triangle,
               IL_EFFECT_TAIL);
HGLOBAL Spray(HGLOBAL dib, int left, int top, int right, int bottom, int value, int randomness, IL_EFFECT_TAIL);
HGLOBAL FadeDib(HGLOBAL dib, int left, int top, int right, int bottom, int size, int red, int green, int blue,
                IL_EFFECT_TAIL);
HGLOBAL ThresholdDib(HGLOBAL dib, int left, int top, int right, int bottom, int threshold, bool antiAliasing,
                     IL_EFFECT_TAIL);
struct TCurlOptions {
    bool FaceBackground = false, FaceForeground = false, KeepImage = false, ShadowBackground = false,
         ShadowForeground = false;
    double ShadowTransparency = 0.5;
    bool ShadowUnder = false, BottomLeft = false, BottomRight = true, TopLeft = false, TopRight = false,
         VerticalFold = false, HorizontalFold = false;
    QRgb Foreground = 0xFFFFFFFF, Background = 0xFF000000;
};
HGLOBAL Curl(HGLOBAL dib, int left, int top, int right, int bottom, const TCurlOptions &options, IL_EFFECT_TAIL);
struct TMosaicOptions {
    int Size = 10, Height = 5, Spacing = 1, Light = 50, Randomness = 0, AntiAliasing = 0;
    bool Polygons = false, Smooth = false;
    QRgb Background = 0xFF000000, Foreground = 0xFFFFFFFF;
};
HGLOBAL Mosaic(HGLOBAL dib, int left, int top, int right, int bottom, const TMosaicOptions &options, IL_EFFECT_TAIL);
HGLOBAL ExtrudeDib(HGLOBAL dib, bool levels, int size, IL_EFFECT_TAIL);
// dot shape: 0 circle, 1 ellipse, 2 square, 3 diamond, 4 line, 5 cross
HGLOBAL HToneImage(HGLOBAL dib, int cellSize, float angle, int dotShape, IL_EFFECT_TAIL);
HGLOBAL TileDib(HGLOBAL dib, IL_EFFECT_TAIL);
// The frame callback gets each intermediate DIB (valid during the call) and the user data, and returns 1.
using ILFrameProc = std::int32_t (*)(HGLOBAL dib, void *userData);
HGLOBAL Warp(HGLOBAL dib, bool fromHue, bool fromSaturation, bool convolve, int scale, int vectorRotation, int steps,
             int displacement, void *userData, ILProgressProc callback, ILFrameProc frame);
#undef IL_EFFECT_TAIL

// Hue and saturation of the chosen colour ranges, in place: below 24 bits the
// caller's DIB is replaced by the changed one at its depth (1 bit becoming 4).
// On failure the caller's DIB is left as it was.
bool ilHueAndSaturation(HGLOBAL &dib, int left, int top, int right, int bottom, bool red, bool green, bool blue,
                        bool yellow, bool magenta, bool cyan, int hue, int saturation, int brightness,
                        void *userData = nullptr, ILProgressProc callback = nullptr);
// Overlays `overlay` at (left, top); a transparent colour of -1, -1, -1 means none.
// Below 24 bits the result has the base's depth.
HGLOBAL MergeDib(HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left,
                 void *userData = nullptr, ILProgressProc callback = nullptr);
HGLOBAL DropDib(HGLOBAL dib, HGLOBAL overlay, int red, int green, int blue, int top, int left,
                void *userData = nullptr, ILProgressProc callback = nullptr);
// Changes the DIB in place and returns a copy of it.
HGLOBAL ILMirror(HGLOBAL dib, bool vertical, bool horizontal, void *userData = nullptr, ILProgressProc callback = nullptr);
// 24 bits or more: in place, and a copy returned; fewer: the DIB unchanged
// and the result at its depth (1 bit becoming 4).  Amount -255..255, gamma 10..50.
HGLOBAL ILBrightness(HGLOBAL dib, int amount, void *userData = nullptr, ILProgressProc callback = nullptr);
HGLOBAL ILGamma(HGLOBAL dib, int gamma, void *userData = nullptr, ILProgressProc callback = nullptr);
// Below 24 bits the DIB is scaled at 24 and reduced to `bits` unless that is 24.
HGLOBAL ScaleDib(HGLOBAL dib, int width, int height, int bits, void *userData = nullptr, ILProgressProc callback = nullptr);
// Colours 2..255; dither 1 Bayer, 2 Burkes, 4 Floyd, 8 grey scale.  Consumes `dib`, also on failure.
HGLOBAL ILReduceColors(HGLOBAL dib, int colours, int dither, void *userData = nullptr, ILProgressProc callback = nullptr);
// In place; true when the export returns 1.
bool ILInvert(HGLOBAL &dib, void *userData = nullptr, ILProgressProc callback = nullptr);
// Replaces the caller's DIB by the rotated one (the old one is freed).
bool ILRotate(HGLOBAL &dib, double angle, int left, int top, int right, int bottom, QRgb background, void *userData = nullptr, ILProgressProc callback = nullptr);

// ---- transitions (ISP2000.DLL) -----------------------------------------------
// The picture drawn onto the surface progressively, stretched to its size,
// in bands of `thickness` pixels with `delay` milliseconds between steps;
// true when drawn.  The bitmap forms hand the library a device bitmap made
// by DibtoDdb.  An empty picture, an empty surface or values the library
// refuses give false with LastImagingError set.
bool FXSkipHorizontal(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay);
bool FXSkipVertical(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay);
bool FXSkipDiagonals(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay);
bool FXSkipDiagonalSquares(TransitionSurface &surface, const Bitmap &bitmap, int thickness, int delay);
bool FXSkipRectangles(TransitionSurface &surface, const Bitmap &bitmap, int delay);
bool FXSkipHorizontalDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay);
bool FXSkipVerticalDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay);
bool FXSkipDiagonalsDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay);
bool FXSkipDiagonalSquaresDib(TransitionSurface &surface, HGLOBAL dib, int thickness, int delay);
bool FXSkipRectanglesDib(TransitionSurface &surface, HGLOBAL dib, int delay);

enum TFXMethod { FXNone, FXHorizontal, FXVertical, FXDiagonal, FXDiagonalSquares, FXRectangles };
// The transition of `method` (FXRectangles takes no thickness); FXNone
// draws the picture at once, in one band the height of the surface.
bool PlayTransition(TransitionSurface &surface, TFXMethod method, const Bitmap &bitmap, int thickness, int delay);
bool PlayTransitionDib(TransitionSurface &surface, TFXMethod method, HGLOBAL dib, int thickness, int delay);

// The same on a whole bitmap, which receives the result; an empty bitmap or
// result raises "Input image is empty".  Right or bottom 0: the whole width or height.
void RotateBitmap(Bitmap &bitmap, double angle, QRgb background);
void InvertBitmap(Bitmap &bitmap, void *userData = nullptr, ILProgressProc callback = nullptr);
void GrayAreaBitmap(Bitmap &bitmap, int left = 0, int top = 0, int right = 0, int bottom = 0, void *userData = nullptr,
                    ILProgressProc callback = nullptr);
void AutoContrastBitmap(Bitmap &bitmap, int left = 0, int top = 0, int right = 0, int bottom = 0, void *userData = nullptr,
                        ILProgressProc callback = nullptr);

} // namespace imaging
