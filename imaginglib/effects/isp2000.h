/* Exports of the processing library libisp2000.so: every effect, the
 * geometric and colour processing calls and the transitions.
 *
 * Pixels travel as packed DIBs in global blocks (globalmem.h, dib.h).  An
 * export never frees the DIB it is given and never lets an exception out:
 * failures and requests to stop come back as NULL or 0.
 *
 * Effects with a rectangle take left, top, right and bottom in pixels of
 * the picture, top row 0, right and bottom exclusive; right or bottom 0
 * means the picture's width or height.  Pixels outside the rectangle are
 * left as they were.  Effects work on 24 and 32-bit DIBs (the caller raises
 * lower depths first); ILRotate, ILMirror, ILInvert, ILBrightness, ILGamma,
 * ScaleDib and ILReduceColors take every depth.
 *
 * The range each value accepts, and what the effects dialog offers, are the
 * rows of EffectParameters.h; a value outside is refused or held there. */
#ifndef QUILLON_ISP2000_H
#define QUILLON_ISP2000_H

#include "dib.h"
#include "globalmem.h"
#include "ilsurface.h"

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ISP_EXPORT __attribute__((visibility("default")))
#else
#define ISP_EXPORT
#endif

/* Progress in whole percents; returning 0 asks the export to stop. */
typedef int16_t (*ILProgressProc)(int16_t percent, void *userData);
/* Warp hands each intermediate picture to this; the DIB stays the library's. */
typedef int32_t (*ILFrameProc)(HGLOBAL dib, void *userData);

#define ISP_RECT int32_t left, int32_t top, int32_t right, int32_t bottom
#define ISP_CALLBACK void *userData, ILProgressProc progress

ISP_EXPORT HGLOBAL OilPainting(HGLOBAL dib, int32_t strength, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Blur(HGLOBAL dib, int32_t strength, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Engrave(HGLOBAL dib, int32_t strength, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Bled(HGLOBAL dib, int32_t amount, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Edge(HGLOBAL dib, int32_t strength, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Better(HGLOBAL dib, int32_t amount, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL PixelFix(HGLOBAL dib, int32_t strength, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL PinchHole(HGLOBAL dib, double amount, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Whirl(HGLOBAL dib, double amount, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Wave(HGLOBAL dib, double amplitude, int32_t waveLength, double phase, int16_t smooth,
                        int16_t reflection, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Noise(HGLOBAL dib, int16_t gaussian, int16_t byIntensity, int32_t red, int32_t green,
                         int32_t blue, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Enhance(HGLOBAL dib, int32_t brightness, int32_t contrast, int32_t blueGamma,
                           int32_t greenGamma, int32_t redGamma, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Motion(HGLOBAL dib, int32_t value, int32_t angle, int16_t kind, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL GrayArea(HGLOBAL dib, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL AutoContrast(HGLOBAL dib, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL RecToPolar(HGLOBAL dib, int32_t value, int32_t angle, int32_t inverse, int32_t backward,
                              ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Jiggle(HGLOBAL dib, int32_t period, int32_t amplitude, int16_t triangle, ISP_RECT,
                          ISP_CALLBACK);
ISP_EXPORT HGLOBAL Spray(HGLOBAL dib, int32_t value, int32_t randomness, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL FadeDib(HGLOBAL dib, int32_t size, int32_t red, int32_t green, int32_t blue, ISP_RECT,
                           ISP_CALLBACK);
ISP_EXPORT HGLOBAL ThresholdDib(HGLOBAL dib, int32_t threshold, int16_t antiAliasing, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Curl(HGLOBAL dib, int16_t faceBackground, int16_t faceForeground, int16_t keepImage,
                        int16_t shadowBackground, int16_t shadowForeground, double shadowTransparency,
                        int16_t shadowUnder, int16_t bottomLeft, int16_t bottomRight, int16_t topLeft,
                        int16_t topRight, int16_t verticalFold, int16_t horizontalFold, uint8_t foreRed,
                        uint8_t foreGreen, uint8_t foreBlue, uint8_t backRed, uint8_t backGreen,
                        uint8_t backBlue, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Mosaic(HGLOBAL dib, int32_t size, int32_t height, int32_t spacing, int32_t light,
                          int32_t randomness, int32_t antiAliasing, int16_t polygons, int16_t smooth,
                          uint8_t backBlue, uint8_t backGreen, uint8_t backRed, uint8_t foreBlue,
                          uint8_t foreGreen, uint8_t foreRed, ISP_RECT, ISP_CALLBACK);
/* Changes the DIB in place; 1 on success. */
ISP_EXPORT int32_t ilHueAndSaturation(HGLOBAL dib, int16_t red, int16_t green, int16_t blue, int16_t yellow,
                                      int16_t magenta, int16_t cyan, int16_t hue, int16_t saturation,
                                      int16_t brightness, ISP_RECT, ISP_CALLBACK);
ISP_EXPORT HGLOBAL ExtrudeDib(HGLOBAL dib, int16_t levels, int32_t size, ISP_CALLBACK);
ISP_EXPORT HGLOBAL HToneImage(HGLOBAL dib, int32_t cellSize, float angle, int32_t dotShape, ISP_CALLBACK);
ISP_EXPORT HGLOBAL TileDib(HGLOBAL dib, ISP_CALLBACK);
ISP_EXPORT HGLOBAL Warp(HGLOBAL dib, int16_t fromHue, int16_t fromSaturation, int16_t convolve, int32_t scale,
                        int32_t vectorRotation, int32_t steps, int32_t displacement, ISP_CALLBACK,
                        ILFrameProc frame);
/* Colour components of -1 mean "none". */
ISP_EXPORT HGLOBAL MergeDib(HGLOBAL dib, HGLOBAL overlay, int16_t red, int16_t green, int16_t blue, int32_t top,
                            int32_t left, ISP_CALLBACK);
ISP_EXPORT HGLOBAL DropDib(HGLOBAL dib, HGLOBAL overlay, int16_t red, int16_t green, int16_t blue, int32_t top,
                           int32_t left, ISP_CALLBACK);
/* Background is 0x00BBGGRR.  A new DIB of the same depth. */
ISP_EXPORT HGLOBAL ILRotate(HGLOBAL dib, double angle, ISP_RECT, uint32_t background, ISP_CALLBACK);
/* In place; 1 on success. */
ISP_EXPORT int32_t ILMirror(HGLOBAL dib, int32_t vertical, int32_t horizontal, ISP_CALLBACK);
ISP_EXPORT int32_t ILInvert(HGLOBAL dib, ISP_CALLBACK);
ISP_EXPORT int32_t ILBrightness(HGLOBAL dib, int32_t amount, ISP_CALLBACK);
ISP_EXPORT int32_t ILGamma(HGLOBAL dib, int32_t gamma, ISP_CALLBACK);
ISP_EXPORT HGLOBAL ScaleDib(HGLOBAL dib, int32_t width, int32_t height, ISP_CALLBACK);
/* To `bits` (1, 4, 8, 16, 24 or 32) with at most `colours` colours (0: all
 * the depth allows), diffusing errors when `dither` is not 0; the two
 * unused arguments are 0. */
ISP_EXPORT HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, int16_t dither, int32_t unused1, int32_t unused2,
                             int32_t colours, ISP_CALLBACK);
/* Dither: 1 Bayer, 2 Burkes, 4 Floyd-Steinberg, 8 grey scale, 0 none. */
ISP_EXPORT HGLOBAL ILReduceColors(HGLOBAL dib, int32_t colours, int32_t dither, ISP_CALLBACK);

/* Transitions draw a picture progressively onto a drawing surface (the
 * device context, ilsurface.h), stretched to its size, with `delay` milliseconds between
 * steps.  A surface is 32-bit pixels (blue, green, red, unused bytes), top
 * row first; its `flush` (may be NULL) is called after every step with the
 * rectangle just drawn (right and bottom exclusive), so that the program can
 * show it.  The picture is a device bitmap as DibtoDdb makes it, or a DIB
 * for the exports ending in Dib.  Bands are `thickness` pixels.  Return 1
 * when drawn, 0 for unusable arguments. */

ISP_EXPORT int32_t FXSkipHorizontal(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipVertical(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipDiagonals(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipDiagonalSquares(ILSurface *dc, HGLOBAL bitmap, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipRectangles(ILSurface *dc, HGLOBAL bitmap, int32_t delay);
ISP_EXPORT int32_t FXSkipHorizontalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipVerticalDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipDiagonalsDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipDiagonalSquaresDib(ILSurface *dc, HGLOBAL dib, int32_t thickness, int32_t delay);
ISP_EXPORT int32_t FXSkipRectanglesDib(ILSurface *dc, HGLOBAL dib, int32_t delay);

#undef ISP_RECT
#undef ISP_CALLBACK

#ifdef __cplusplus
}
#endif

#endif
