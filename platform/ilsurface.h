/* The drawing surface the imaging libraries draw on in place of a device
 * context: 32-bit pixels (blue, green, red, unused bytes), top row first.
 * Its `flush` (may be NULL) is called with each rectangle drawn (right and
 * bottom exclusive), so that the program can show it.  Shared by the
 * transitions of the processing library, the annotation layer of the file
 * library and the program's bridge. */
#ifndef QUILLON_ILSURFACE_H
#define QUILLON_ILSURFACE_H

#include <stdint.h>

typedef struct ILSurface {
    uint8_t *bits;
    int32_t width;
    int32_t height;
    int32_t stride;
    void (*flush)(void *user, int32_t left, int32_t top, int32_t right, int32_t bottom);
    void *user;
} ILSurface;

#endif
