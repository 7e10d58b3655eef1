/* Device-independent bitmap records (packed as on disk and in memory) and the
 * size helpers every part uses.  A packed DIB is a BITMAPINFOHEADER, its
 * colour table and the pixel rows, bottom row first, each row padded to
 * 4 bytes. */
#ifndef QUILLON_DIB_H
#define QUILLON_DIB_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

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

/* The 40-byte header of an uncompressed DIB, rows bottom first: `colours`
 * entries in the colour table (all of them important), the resolution in
 * pixels per metre on both axes, and the size of the rows worked out. */
static inline BITMAPINFOHEADER dib_info_header(int32_t width, int32_t height, unsigned bits, DWORD colours,
                                               LONG pels_per_meter)
{
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof header);
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = (WORD)bits;
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = pels_per_meter;
    header.biYPelsPerMeter = pels_per_meter;
    header.biClrUsed = colours;
    header.biClrImportant = colours;
    header.biSizeImage = (DWORD)dib_image_bytes(&header);
    return header;
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

/* ---- reading a DIB that comes from outside --------------------------------
 * A packed DIB handed over by another program (the clipboard, a scanner, a
 * file) is read only through a view that dib_view_open has checked against
 * the size of its block: every row and colour the view points to lies inside
 * the block.  Headers of 12 bytes (core) and of 16 to 124 bytes are read;
 * the fields a shorter header lacks count as 0. */

typedef enum DibStatus {
    DIB_OK = 0,
    DIB_SHORT_BLOCK,       /* the block ends inside the header */
    DIB_BAD_HEADER_SIZE,   /* a header size that no DIB has */
    DIB_BAD_PLANES,        /* planes other than 1 */
    DIB_BAD_DEPTH,         /* bits per pixel other than 1, 4, 8, 16, 24, 32 */
    DIB_BAD_COMPRESSION,   /* unknown, or not for this depth or row order */
    DIB_BAD_DIMENSIONS,    /* no width, no height, or rows no block could hold */
    DIB_BAD_COLOUR_COUNT,  /* more colours than the depth can index */
    DIB_SHORT_COLOURS,     /* the masks or the colour table run past the block */
    DIB_SHORT_PIXELS       /* the rows run past the block */
} DibStatus;

#define DIB_BI_ALPHABITFIELDS 6u

typedef struct DibView {
    int32_t width;
    int32_t height;          /* rows, always positive */
    int top_down;            /* the first stored row is the top one */
    unsigned bits;
    DWORD compression;       /* BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS */
    DWORD masks[4];          /* red, green, blue, alpha of 16 and 32 bits, filled for BI_RGB too */
    const BYTE *colours;     /* colour table: blue, green, red (, reserved) */
    unsigned colour_bytes;   /* 4, or 3 after a core header */
    unsigned colour_count;   /* entries of the table */
    const BYTE *pixels;
    size_t row_bytes;        /* stride of uncompressed rows */
    size_t pixel_bytes;      /* the rows, or the run-length data */
    int32_t x_pels_per_meter, y_pels_per_meter; /* 72 dpi when the header has none */
} DibView;

static inline uint32_t dib_read_u32(const BYTE *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

/* Checks the packed DIB of `size` bytes at `block` and fills the view.  A
 * pixel offset other than 0 places the rows there (a BMP file's bfOffBits,
 * counted from the header); 0 means right after the colour table. */
static inline DibStatus dib_view_open_at(DibView *view, const void *block, size_t size, size_t pixel_offset)
{
    const BYTE *base = (const BYTE *)block;
    memset(view, 0, sizeof *view);
    if (base == NULL || size < 4)
        return DIB_SHORT_BLOCK;
    const uint32_t header_size = dib_read_u32(base);
    if (header_size != 12 && (header_size < 16 || header_size > 124))
        return DIB_BAD_HEADER_SIZE;
    if (size < header_size)
        return DIB_SHORT_BLOCK;
    int64_t width, height;
    unsigned planes;
    DWORD compression = BI_RGB, used = 0;
    if (header_size == 12) {
        width = base[4] | base[5] << 8;
        height = base[6] | base[7] << 8;
        planes = base[8] | base[9] << 8;
        view->bits = base[10] | base[11] << 8;
        view->colour_bytes = 3;
    } else {
        width = (int32_t)dib_read_u32(base + 4);
        height = (int32_t)dib_read_u32(base + 8);
        planes = base[12] | base[13] << 8;
        view->bits = base[14] | base[15] << 8;
        if (header_size >= 20)
            compression = dib_read_u32(base + 16);
        if (header_size >= 36)
            used = dib_read_u32(base + 32);
        if (header_size >= 32) {
            view->x_pels_per_meter = (int32_t)dib_read_u32(base + 24);
            view->y_pels_per_meter = (int32_t)dib_read_u32(base + 28);
        }
        view->colour_bytes = 4;
    }
    if (header_size < 32)
        view->x_pels_per_meter = view->y_pels_per_meter = 2835;
    if (planes != 1)
        return DIB_BAD_PLANES;
    const unsigned bits = view->bits;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return DIB_BAD_DEPTH;
    if (width <= 0 || height == 0 || height == INT32_MIN)
        return DIB_BAD_DIMENSIONS;
    view->width = (int32_t)width;
    view->top_down = height < 0;
    view->height = (int32_t)(height < 0 ? -height : height);

    /* the masks: after a 40-byte header, or inside a longer one */
    size_t offset = header_size;
    const int rle = compression == BI_RLE8 || compression == BI_RLE4;
    if (compression == BI_BITFIELDS || compression == DIB_BI_ALPHABITFIELDS) {
        if ((bits != 16 && bits != 32) || header_size == 64)
            return DIB_BAD_COMPRESSION;
        const unsigned count = compression == DIB_BI_ALPHABITFIELDS || header_size >= 56 ? 4u : 3u;
        const size_t masks_end = 40 + 4 * (size_t)count;
        if (header_size < 40 || size < masks_end)
            return header_size < 40 ? DIB_BAD_COMPRESSION : DIB_SHORT_COLOURS;
        for (unsigned i = 0; i < count; ++i)
            view->masks[i] = dib_read_u32(base + 40 + 4 * i);
        if (offset < masks_end)
            offset = masks_end;
        view->compression = BI_BITFIELDS;
    } else if (rle) {
        if ((compression == BI_RLE8 && bits != 8) || (compression == BI_RLE4 && bits != 4) || view->top_down
            || header_size == 64)
            return DIB_BAD_COMPRESSION;
        view->compression = compression;
    } else if (compression == BI_RGB) {
        view->compression = BI_RGB;
        if (bits == 16) {
            view->masks[0] = 0x7C00, view->masks[1] = 0x03E0, view->masks[2] = 0x001F;
        } else if (bits == 32) {
            view->masks[0] = 0xFF0000, view->masks[1] = 0xFF00, view->masks[2] = 0xFF;
        }
    } else {
        return DIB_BAD_COMPRESSION;
    }

    /* the colour table: as many entries as used says, else a full one up to 8 bits */
    if (bits <= 8 && used > (1u << bits))
        return DIB_BAD_COLOUR_COUNT;
    const uint64_t colours = used ? used : bits <= 8 ? 1u << bits : 0u;
    const uint64_t table_end = (uint64_t)offset + colours * view->colour_bytes;
    if (table_end > size)
        return DIB_SHORT_COLOURS;
    view->colours = colours ? base + offset : NULL;
    view->colour_count = (unsigned)colours;
    offset = (size_t)table_end;
    if (pixel_offset != 0) {
        if (pixel_offset < offset || pixel_offset > size)
            return DIB_SHORT_PIXELS;
        offset = pixel_offset;
    }

    /* the rows, each within the block */
    const size_t available = size - offset;
    view->pixels = base + offset;
    view->row_bytes = dib_row_bytes(view->width, bits);
    if (rle) {
        /* the run-length data: as much as the header states, else the rest of the block */
        const DWORD stated = header_size >= 24 ? dib_read_u32(base + 20) : 0;
        if (stated > available)
            return DIB_SHORT_PIXELS;
        view->pixel_bytes = stated ? stated : available;
        return DIB_OK;
    }
    if ((uint64_t)view->row_bytes * (uint64_t)view->height > available)
        return (uint64_t)view->row_bytes * (uint64_t)view->height > SIZE_MAX / 2 ? DIB_BAD_DIMENSIONS : DIB_SHORT_PIXELS;
    view->pixel_bytes = view->row_bytes * (size_t)view->height;
    return DIB_OK;
}

static inline DibStatus dib_view_open(DibView *view, const void *block, size_t size)
{
    return dib_view_open_at(view, block, size, 0);
}

/* Stored row of picture row y, counted from the top (uncompressed views). */
static inline const BYTE *dib_view_row(const DibView *view, int32_t y)
{
    const int32_t stored = view->top_down ? y : view->height - 1 - y;
    return view->pixels + (size_t)stored * view->row_bytes;
}

/* A channel of a 16 or 32-bit pixel under its mask, scaled to 0..255. */
static inline BYTE dib_mask_channel(uint32_t pixel, DWORD mask)
{
    if (mask == 0)
        return 0;
    unsigned shift = 0;
    while (!((mask >> shift) & 1u))
        ++shift;
    const uint32_t max = mask >> shift;
    return (BYTE)(((uint64_t)((pixel & mask) >> shift) * 255u + max / 2) / max);
}

/* The colour of pixel x of a row returned by dib_view_row; an index beyond
 * the colour table gives black. */
static inline RGBQUAD dib_view_colour(const DibView *view, const BYTE *row, int32_t x)
{
    RGBQUAD colour = {0, 0, 0, 0};
    unsigned index;
    switch (view->bits) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1u; break;
    case 4: index = (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4; break;
    case 8: index = row[x]; break;
    case 24:
        colour.rgbBlue = row[3 * x], colour.rgbGreen = row[3 * x + 1], colour.rgbRed = row[3 * x + 2];
        return colour;
    default: {
        const uint32_t pixel = view->bits == 16 ? (uint32_t)(row[2 * x] | row[2 * x + 1] << 8) : dib_read_u32(row + 4 * (size_t)x);
        colour.rgbRed = dib_mask_channel(pixel, view->masks[0]);
        colour.rgbGreen = dib_mask_channel(pixel, view->masks[1]);
        colour.rgbBlue = dib_mask_channel(pixel, view->masks[2]);
        return colour;
    }
    }
    if (index < view->colour_count) {
        const BYTE *entry = view->colours + (size_t)index * view->colour_bytes;
        colour.rgbBlue = entry[0], colour.rgbGreen = entry[1], colour.rgbRed = entry[2];
    }
    return colour;
}

/* Whether a 16 or 32-bit view holds the plain layout (5-5-5, or 8-8-8 in
 * blue, green, red order), which copies byte for byte. */
static inline int dib_view_plain_masks(const DibView *view)
{
    if (view->bits == 16)
        return view->masks[0] == 0x7C00 && view->masks[1] == 0x03E0 && view->masks[2] == 0x001F;
    if (view->bits == 32)
        return view->masks[0] == 0xFF0000 && view->masks[1] == 0xFF00 && view->masks[2] == 0xFF;
    return 1;
}

/* Words for a status, for error messages. */
static inline const char *dib_status_text(DibStatus status)
{
    switch (status) {
    case DIB_OK: return "DIB readable";
    case DIB_SHORT_BLOCK: return "DIB block shorter than its header";
    case DIB_BAD_HEADER_SIZE: return "unknown DIB header size";
    case DIB_BAD_PLANES: return "DIB planes other than 1";
    case DIB_BAD_DEPTH: return "unsupported DIB depth";
    case DIB_BAD_COMPRESSION: return "DIB compression not for its depth";
    case DIB_BAD_DIMENSIONS: return "bad DIB dimensions";
    case DIB_BAD_COLOUR_COUNT: return "more DIB colours than the depth holds";
    case DIB_SHORT_COLOURS: return "DIB colour table past the end of its block";
    case DIB_SHORT_PIXELS: return "DIB pixels past the end of its block";
    }
    return "unreadable DIB";
}

#ifdef __cplusplus
}
#endif

#endif
