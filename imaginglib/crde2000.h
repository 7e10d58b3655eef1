/* The file side of the imaging library (CRDE2000.DLL as libcrde2000.so):
 * reading and writing image files as DIBs, file information, depth
 * conversion and device bitmaps.  Every DIB is a movable global block
 * (globalmem.h) holding a packed DIB (dib.h); a DIB returned by an export
 * belongs to the caller, a DIB handed to one is never consumed.
 *
 * Statuses are 16-bit: 1 or more is success; 0 or less is an error number
 * whose English text ilLoadString gives (our stand-in for the library's
 * string resources).  No export lets an exception or a signal escape. */
#ifndef QUILLON_CRDE2000_H
#define QUILLON_CRDE2000_H

#include "dib.h"
#include "globalmem.h"
#include "ilsurface.h"
#include "ilstatus.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ILAPI __attribute__((visibility("default")))

typedef int16_t ILSTATUS;
/* Called with the percentage done and the caller's user data; returning 0 stops the work. */
typedef int16_t (*ILPROGRESSPROC)(int16_t percent, void *userData);
/* A global block holding a LOGPALETTE (version 0x300, entry count, then red, green, blue, flags per entry). */
typedef HGLOBAL HPALETTE;
/* A global block holding an ILDEVICEBITMAP followed by its pixels. */
typedef HGLOBAL HBITMAP;

#pragma pack(push, 1)
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE;
#pragma pack(pop)

/* The display's bitmap: 32 bits per pixel, rows top first, each pixel the
 * 32-bit value 0xFFRRGGBB in native order. */
typedef struct tagILDEVICEBITMAP {
    int32_t width;
    int32_t height;
    int32_t bitsPixel;  /* always 32 */
    int32_t rowBytes;
} ILDEVICEBITMAP;

/* Text buffers of fileinfo hold at least this many bytes. */
#define IL_INFO_TEXT_SIZE 64

/* Copies the text of error number `id` (at most size - 1 bytes and a zero);
 * returns its length, 0 for an unknown number. */
ILAPI int32_t ilLoadString(int32_t id, char *buffer, int32_t size);

/* After IL_ERR_CANNOT_CREATE from a writer on this thread: the file that could
 * not be written and the system's reason, in the user's words (UTF-8, copied as
 * ilLoadString copies); length 0 when the failure had no such words. */
ILAPI int32_t ilLastWriteFailure(char *buffer, int32_t size);

/* Reading.  `bits` is the wanted depth (1, 4, 8, 16, 24, 32) or 0 for the
 * file's own; `dither` diffuses errors when colours must be reduced.  The
 * palette and option word are accepted and not used. */
ILAPI ILSTATUS rdbmpfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE palette,
                            void *userData, ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS rdpngfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE palette,
                            void *userData, ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS rdgiffiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE palette,
                            void *userData, ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS rdpcxfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, HPALETTE palette,
                            void *userData, ILPROGRESSPROC callback, int16_t option);
/* `scale` 1 reads the full size; 2, 4 or 8 decode at that fraction of it
 * (the DCT's own scaling, much faster: for previews). */
ILAPI ILSTATUS rdjpgfiledib(const char *path, int32_t bits, int32_t scale, int32_t dither, HGLOBAL *dib,
                            HPALETTE palette, void *userData, ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS readtgafiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, void *userData,
                              ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS readepsfiledib(const char *path, int32_t bits, int32_t dither, HGLOBAL *dib, void *userData,
                              ILPROGRESSPROC callback, int16_t option);
/* Pages count from 0. */
ILAPI ILSTATUS readtiffiledib(const char *path, int32_t bits, int32_t dither, int16_t page, HGLOBAL *dib,
                              void *userData, ILPROGRESSPROC callback, int16_t option);
/* Photo CD image packs; resolution 0 Base/16 (192 × 128), 1 Base/4, 2 Base (768 × 512). */
ILAPI ILSTATUS readpcdfiledib(const char *path, int32_t bits, int32_t dither, int16_t resolution, HGLOBAL *dib,
                              void *userData, ILPROGRESSPROC callback, int16_t option);
/* DXF drawings (lines, polylines, circles, arcs) drawn black on white, the
 * longer side 1024 pixels; the further output is the drawing's palette. */
ILAPI ILSTATUS readdxftoddb(const char *path, int32_t bits, int32_t dither, HBITMAP *bitmap, HPALETTE *palette,
                            void *userData, ILPROGRESSPROC callback, int16_t option);

/* Writing.  `bits` converts the image first (0: as it is); a format that
 * cannot hold a depth stores the nearest one it can.  A failed write leaves
 * an existing file untouched and creates no partial file. */
ILAPI ILSTATUS wrbmpfiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback,
                            int16_t option);
ILAPI ILSTATUS wrpcxfiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback,
                            int16_t option);
ILAPI ILSTATUS wrgiffiledib(const char *path, int32_t bits, HGLOBAL dib, void *userData, ILPROGRESSPROC callback,
                            int16_t option);
ILAPI ILSTATUS wrpngfiledib(const char *path, int32_t bits, int32_t interlaced, HGLOBAL dib, void *userData,
                            ILPROGRESSPROC callback, int16_t option);
/* Quality 1 to 100, smoothing 0 to 100; 8 bits writes grey, and so does 1
 * (grey is the nearest a JPEG comes to it). */
ILAPI ILSTATUS wrjpgfiledib(const char *path, int32_t quality, int32_t smoothing, int16_t bits, HGLOBAL dib,
                            void *userData, ILPROGRESSPROC callback, int16_t option);
/* Compression: the TIFF tag value (1, 2, 3, 4, 5 or 32773); the fax codes need 1 bit. */
ILAPI ILSTATUS writetiffiledib(const char *path, int32_t compression, int16_t bits, int32_t append, HGLOBAL dib,
                               void *userData, ILPROGRESSPROC callback, int16_t option);
/* The five fixed values are accepted and not used. */
ILAPI ILSTATUS writeepsfiledib(const char *path, int32_t bits, int32_t fixed1, int32_t fixed2, int32_t fixed3,
                               int32_t fixed4, int32_t fixed5, HGLOBAL dib, void *userData, ILPROGRESSPROC callback,
                               int16_t option);

/* File information (pages count from 0).  getinfo's `format` output is the
 * format's number (1 BMP, 2 PNG, 3 JPEG, 4 TIFF, 5 GIF, 6 PCX, 7 TGA, 8 EPS, 9 DXF,
 * 10 PCD);
 * fileinfo's two further outputs are the page count and the compression
 * code.  Status 1 on success. */
ILAPI ILSTATUS getinfo(const char *path, int32_t page, int32_t *width, int32_t *height, int16_t *compression,
                       int16_t *format, int16_t *pages, int16_t *bits);
ILAPI ILSTATUS fileinfo(const char *path, char *formatName, int32_t *width, int32_t *height, int16_t *bits,
                        int16_t *pages, int16_t *compression, char *compressionName, int16_t option);
ILAPI ILSTATUS getdxfinfo(const char *path, int32_t *width, int32_t *height, int16_t *bits);

/* Depth conversion and copies: a new DIB, or none when the input is not
 * of the depth the export expects.  The input is never changed. */
ILAPI HGLOBAL DIB1to4(HGLOBAL dib);
ILAPI HGLOBAL DIB1To8(HGLOBAL dib);
ILAPI HGLOBAL DIB1To24(HGLOBAL dib);
ILAPI HGLOBAL DIB4To8(HGLOBAL dib);
ILAPI HGLOBAL DIB4To24(HGLOBAL dib);
ILAPI HGLOBAL DIB8To24(HGLOBAL dib);
ILAPI HGLOBAL DIB16To24(HGLOBAL dib);
ILAPI HGLOBAL DIB32To24(HGLOBAL dib);
ILAPI HGLOBAL CopyDIB(HGLOBAL dib);
/* To `bits` (1, 4 or 8) with at most `colours` colours (0: all the depth
 * allows), diffusing errors when `dither` is not 0. */
ILAPI HGLOBAL ReduceDib(HGLOBAL dib, int32_t bits, int16_t dither, int32_t unused1, int32_t unused2, int32_t colours,
                        void *userData, ILPROGRESSPROC callback);

/* The display's bitmap and palette of a locked DIB (any compression); the
 * palette is none for DIBs without a colour table.  Both belong to the caller.
 * The DIB must be the locked data of a global block, whose size bounds what
 * is read; for any other pointer both stay none. */
ILAPI void DibtoDdb(const BITMAPINFOHEADER *dib, HPALETTE *palette, HBITMAP *bitmap);

/* Scanning through the TWAIN source manager libtwain_32.so (found beside
 * this library, else on the system's path).  `window` is the parent window
 * (the program's QWidget pointer); both need the application's Qt event loop.
 * aquiredibimage: one page from the default source, with the source's dialog
 * unless `option` holds IL_ACQUIRE_NO_UI; the DIB has `bits` bits per pixel
 * (0: as scanned); `palette`, `userData` and `callback` are not used (the
 * source shows its own progress).  1 with a new DIB; IL_ERR_STOPPED when the
 * user closed the source's dialog; IL_ERR_SCAN_FAILED when no source could
 * be opened or the scanner failed.
 * selectsource: the manager's dialog for choosing the default source; 1 when
 * chosen, IL_ERR_STOPPED when cancelled. */
#define IL_ACQUIRE_NO_UI 1
ILAPI ILSTATUS aquiredibimage(void *window, int32_t bits, int32_t dither, int16_t zero, HGLOBAL *dib,
                              HPALETTE palette, void *userData, ILPROGRESSPROC callback, int16_t option);
ILAPI ILSTATUS selectsource(void *window, int16_t option);

/* Annotation layer: shapes drawn with the mouse over a picture, kept in
 * picture pixels for each component (any pointer the program chooses to
 * name its control).  The program hands the layer its window as a surface
 * at InitAnnotation and keeps that surface valid; the layer draws into it
 * only inside DrawAnnotation, and calls its flush when the window should be
 * drawn again.  Exports other than InitAnnotation answer IL_ERR_BAD_PARAMETER
 * for a component without a layer.  All calls come from one thread.
 *
 * Window coordinates are picture coordinates less the origin, times the
 * zoom, plus the offset: (x - originX) * zoom + offsetX.  The mouse is
 * mapped back through the last DrawAnnotation's values.
 *
 * Callbacks get the `userData` of InitAnnotation.  `done` tells that the
 * mouse finished or moved annotation `index`.  Annotations of the custom
 * tool are drawn by the program: `customDraw` while one is being drawn or
 * is selected, `customHardDraw` for its final look; both get the surface and
 * the annotation's rectangle in window pixels (right and bottom exclusive).
 * `beforeDraw` may set *canDraw to 0 to leave an annotation out; `afterDraw`
 * follows each one drawn.  Any callback may be NULL. */
typedef void (*ILANNODONEPROC)(void *userData, int32_t index);
typedef void (*ILANNODRAWPROC)(void *userData, int32_t index, ILSurface *surface, int32_t left, int32_t top,
                               int32_t right, int32_t bottom);
typedef void (*ILANNOBEFOREPROC)(void *userData, int32_t index, int32_t *canDraw);

/* Mouse messages of MouseMon. */
#define IL_ANNO_MOUSEMOVE 512
#define IL_ANNO_LBUTTONDOWN 513
#define IL_ANNO_LBUTTONUP 514
#define IL_ANNO_RBUTTONDOWN 516
#define IL_ANNO_RBUTTONUP 517
/* MenuMsg commands: the tool the left button uses, ... */
#define IL_ANNO_TOOL_SELECT 1     /* a click selects, a drag moves */
#define IL_ANNO_TOOL_LINE 2
#define IL_ANNO_TOOL_RECTANGLE 3
#define IL_ANNO_TOOL_ELLIPSE 4
#define IL_ANNO_TOOL_HIGHLIGHT 5  /* a translucent yellow rectangle */
#define IL_ANNO_TOOL_FREEHAND 6
#define IL_ANNO_TOOL_CUSTOM 7     /* drawn by the program's callbacks */
/* ... deleting the selected annotation or all of them, ... */
#define IL_ANNO_CMD_DELETE 20
#define IL_ANNO_CMD_CLEAR 21
/* ... and the pen colour: IL_ANNO_CMD_COLOUR + 0..15, the 16 VGA colours. */
#define IL_ANNO_CMD_COLOUR 32

/* Starts the layer of `component` (again: it starts afresh); `iniPath`
 * keeps the tool and colour between runs (read here, written by
 * DestroyAnnotation). */
ILAPI ILSTATUS InitAnnotation(void *component, ILSurface *window, void *userData, const char *iniPath,
                              ILANNODONEPROC done, ILANNODRAWPROC customDraw, ILANNODRAWPROC customHardDraw,
                              ILANNOBEFOREPROC beforeDraw, ILANNODONEPROC afterDraw);
ILAPI ILSTATUS ClearAnnotation(void *component);
ILAPI ILSTATUS DrawAnnotation(void *component, int32_t originX, int32_t originY, double zoom, int32_t offsetX,
                              int32_t offsetY);
/* `point`: x in the low word, y in the high word (window pixels).  Returns
 * the index of the annotation under a button press, else -1. */
ILAPI int32_t MouseMon(void *component, int32_t message, int32_t wParam, int32_t point);
ILAPI ILSTATUS MenuMsg(void *component, int32_t command);
/* Ends editing: a shape the mouse has not finished is dropped. */
ILAPI ILSTATUS RubberBandOFF(void *component);
/* Annotation files keep one block per page; saving replaces that page's
 * block (written through a temporary file), loading replaces the layer's
 * annotations by it (none when the file has no such page). */
ILAPI ILSTATUS LoadAnnotation(void *component, int32_t page, const char *path);
ILAPI ILSTATUS SaveAnnotation(void *component, int32_t page, const char *path);
ILAPI ILSTATUS DestroyAnnotation(void *component);

#ifdef __cplusplus
}
#endif

#endif
