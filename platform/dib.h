/* Device-independent bitmap records (packed as on disk and in memory) and the
 * size helpers every part uses.  A packed DIB is a BITMAPINFOHEADER, its
 * colour table and the pixel rows, bottom row first, each row padded to
 * 4 bytes. */
#ifndef QUILLON_DIB_H
#define QUILLON_DIB_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef QUILLON_WIN_TYPES
#define QUILLON_WIN_TYPES
typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
#endif

#define BI_RGB 0u
#define BI_RLE8 1u
#define BI_RLE4 2u
#define BI_BITFIELDS 3u

#define DIB_RGB_COLORS 0u
#define DIB_PAL_COLORS 1u

#pragma pack(push, 1)
typedef struct tagBITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
} BITMAPFILEHEADER;

typedef struct tagBITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
} BITMAPCOREHEADER;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER;

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD;

typedef struct tagRGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
} RGBTRIPLE;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO;
#pragma pack(pop)

#define DIB_FILE_TYPE 0x4D42u /* "BM" */

/* Bytes in one pixel row, padded to 4 bytes; 0 when the width or depth is unusable. */
static inline size_t dib_row_bytes(int32_t width, unsigned bits)
{
    if (width <= 0 || bits == 0 || bits > 32)
        return 0;
    return (((size_t)width * bits + 31u) / 32u) * 4u;
}

/* Entries of the colour table: biClrUsed when set, else 2, 16 or 256 for
 * 1, 4 or 8 bits, none above. */
static inline unsigned dib_colour_count(const BITMAPINFOHEADER *header)
{
    if (header->biBitCount > 8)
        return header->biClrUsed;
    if (header->biClrUsed != 0)
        return header->biClrUsed;
    return 1u << header->biBitCount;
}

/* Bytes between the start of the header and the first pixel row. */
static inline size_t dib_bits_offset(const BITMAPINFOHEADER *header)
{
    size_t masks = (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) ? 12u : 0u;
    return header->biSize + masks + (size_t)dib_colour_count(header) * sizeof(RGBQUAD);
}

static inline int32_t dib_abs_height(const BITMAPINFOHEADER *header)
{
    return header->biHeight < 0 ? -header->biHeight : header->biHeight;
}

/* Bytes of the pixel rows of an uncompressed DIB. */
static inline size_t dib_image_bytes(const BITMAPINFOHEADER *header)
{
    return dib_row_bytes(header->biWidth, header->biBitCount) * (size_t)dib_abs_height(header);
}

/* Whole packed DIB: header, colour table and pixels. */
static inline size_t dib_packed_size(const BITMAPINFOHEADER *header)
{
    size_t image = (header->biCompression == BI_RLE8 || header->biCompression == BI_RLE4)
        ? header->biSizeImage : dib_image_bytes(header);
    return dib_bits_offset(header) + image;
}

static inline RGBQUAD *dib_colour_table(BITMAPINFOHEADER *header)
{
    return (RGBQUAD *)((BYTE *)header + header->biSize
        + ((header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) ? 12u : 0u));
}

static inline BYTE *dib_bits(BITMAPINFOHEADER *header)
{
    return (BYTE *)header + dib_bits_offset(header);
}

#ifdef __cplusplus
}
#endif

#endif
