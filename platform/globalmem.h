/* Movable memory blocks with lock counts, as handed between the program,
 * the TWAIN source manager and the imaging library.  A handle is one heap
 * block: a small header followed by the data.  Header-only C so that every
 * shared library uses the very same layout. */
#ifndef QUILLON_GLOBALMEM_H
#define QUILLON_GLOBALMEM_H

#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void *HGLOBAL;

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define GMEM_INVALID_HANDLE 0x8000u
#define GMEM_LOCKCOUNT 0x00FFu

#define QUILLON_GLOBAL_MAGIC 0x474C4F42u /* "GLOB" */

typedef struct QuillonGlobalHeader {
    uint32_t magic;
    uint32_t lockCount;
    size_t size;
    /* keeps the data 16-byte aligned on 64-bit targets */
    size_t reserved;
} QuillonGlobalHeader;

static inline QuillonGlobalHeader *quillon_global_header(HGLOBAL h)
{
    QuillonGlobalHeader *header = (QuillonGlobalHeader *)h;
    if (header == NULL || header->magic != QUILLON_GLOBAL_MAGIC)
        return NULL;
    return header;
}

/* The block a pointer from GlobalLock points into, or NULL when the pointer
 * is not the start of a block's data. */
static inline HGLOBAL GlobalHandle(const void *locked)
{
    if (locked == NULL)
        return NULL;
    return quillon_global_header((HGLOBAL)((const QuillonGlobalHeader *)locked - 1));
}

/* Returns NULL when the size is 0 or memory is short. */
static inline HGLOBAL GlobalAlloc(unsigned flags, size_t size)
{
    if (size == 0 || size > SIZE_MAX - sizeof(QuillonGlobalHeader))
        return NULL;
    QuillonGlobalHeader *header = (QuillonGlobalHeader *)((flags & GMEM_ZEROINIT)
        ? calloc(1, sizeof(QuillonGlobalHeader) + size)
        : malloc(sizeof(QuillonGlobalHeader) + size));
    if (header == NULL)
        return NULL;
    header->magic = QUILLON_GLOBAL_MAGIC;
    header->lockCount = 0;
    header->size = size;
    header->reserved = 0;
    return header;
}

static inline void *GlobalLock(HGLOBAL h)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    if (header == NULL)
        return NULL;
    header->lockCount++;
    return header + 1;
}

/* Returns nonzero while the block stays locked. */
static inline int GlobalUnlock(HGLOBAL h)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    if (header == NULL || header->lockCount == 0)
        return 0;
    header->lockCount--;
    return header->lockCount != 0;
}

static inline size_t GlobalSize(HGLOBAL h)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    return header ? header->size : 0;
}

static inline unsigned GlobalFlags(HGLOBAL h)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    if (header == NULL)
        return GMEM_INVALID_HANDLE;
    return header->lockCount > GMEM_LOCKCOUNT ? GMEM_LOCKCOUNT : header->lockCount;
}

/* Returns NULL on success, the handle when it was not a valid block. */
static inline HGLOBAL GlobalFree(HGLOBAL h)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    if (header == NULL)
        return h;
    header->magic = 0;
    free(header);
    return NULL;
}

/* Grows or shrinks an unlocked block; the contents up to the smaller size stay. */
static inline HGLOBAL GlobalReAlloc(HGLOBAL h, size_t size, unsigned flags)
{
    QuillonGlobalHeader *header = quillon_global_header(h);
    if (header == NULL || size == 0 || size > SIZE_MAX - sizeof(QuillonGlobalHeader))
        return NULL;
    size_t old = header->size;
    QuillonGlobalHeader *grown = (QuillonGlobalHeader *)realloc(header, sizeof(QuillonGlobalHeader) + size);
    if (grown == NULL)
        return NULL;
    grown->size = size;
    if ((flags & GMEM_ZEROINIT) && size > old)
        memset((unsigned char *)(grown + 1) + old, 0, size - old);
    return grown;
}

/* Unlocks fully, then frees: how whoever holds a DIB releases it. */
static inline void GlobalRelease(HGLOBAL h)
{
    while (GlobalUnlock(h)) {
    }
    GlobalFree(h);
}

#ifdef __cplusplus
}

#include <memory>

/* Owner of a global block on the C++ side. */
struct GlobalBlockDeleter {
    void operator()(void *h) const { GlobalRelease(h); }
};
using GlobalBlock = std::unique_ptr<void, GlobalBlockDeleter>;

/* Locks a block for the lifetime of the guard. */
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : handle_(h), data_(GlobalLock(h)) {}
    ~GlobalLockGuard() { if (data_) GlobalUnlock(handle_); }
    GlobalLockGuard(const GlobalLockGuard &) = delete;
    GlobalLockGuard &operator=(const GlobalLockGuard &) = delete;
    void *data() const { return data_; }
    template <typename T> T *as() const { return static_cast<T *>(data_); }
private:
    HGLOBAL handle_;
    void *data_;
};
#endif

#endif
