#pragma once
// One codec object per file format: "can I read this?", "read the header",
// "read the pixels", "write".  Codecs read from an Input (Input.h), a file
// decoded while it is read or bytes in memory, and write whole files in
// memory or straight into a file; the file functions below add safe writing
// to disk.  Every failure is a codecs::Error (Error.h); nothing else escapes.
#include "AtomicFile.h"
#include "Error.h"
#include "FileFormat.h"
#include "Image.h"
#include "Input.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace codecs {

// TIFF compression tag values, also used to name compressions of other formats.
enum TiffCompression : int {
    TiffNone = 1,
    TiffCcittRle = 2,
    TiffFax3 = 3,
    TiffFax4 = 4,
    TiffLzw = 5,
    TiffJpeg = 7,
    TiffDeflate = 8,
    TiffPackBits = 32773,
};

struct ImageInfo {
    Format format = Format::Bmp;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int bits = 0;          // bits per pixel of the file's pixels
    int pages = 1;
    int compression = 1;   // a TiffCompression value, or 1 when the format has one fixed scheme
    std::string compressionName;
};

// Called with 0 to 100; returning false stops the work with ErrorCode::Cancelled.
using Progress = std::function<bool(int percent)>;

struct ReadOptions {
    int page = 0;          // TIFF pages, counted from 0; Photo CD: 0 Base/16, 1 Base/4, 2 Base
    Progress progress;
    int scale = 1;         // JPEG: 2, 4 or 8 decode at that fraction of the size (DCT scaling)
};

struct WriteOptions {
    int quality = 75;           // JPEG, 1 to 100
    int smoothing = 0;          // JPEG, 0 to 100
    bool interlaced = false;    // PNG, GIF
    int compression = TiffNone; // TIFF
    bool append = false;        // TIFF: add a page to the existing file
    bool rle = false;           // TGA, BMP (8 and 4 bits)
    Progress progress;
};

// A file being written, for codecs that write straight into it instead of
// building the whole file in memory first.  Every failure is CannotCreate.
class FileOutput {
public:
    explicit FileOutput(platform::AtomicFile &file) : file_(file) {}
    // At the end of what is written so far.
    void append(std::span<const std::uint8_t> bytes) { writeAt(file_.size(), bytes); }
    // Anywhere, also over what is there (formats that fill in offsets last).
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
    // Reads back what was written; returns the bytes read.
    std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> into) const;
    std::uint64_t size() const { return file_.size(); }

private:
    platform::AtomicFile &file_;
};

class Codec {
public:
    virtual ~Codec() = default;
    virtual Format format() const = 0;
    virtual const char *name() const = 0;
    // Looks only at the first bytes (Input::head, up to 4096).
    virtual bool canRead(std::span<const std::uint8_t> head) const = 0;
    virtual ImageInfo readInfo(const Input &file, const ReadOptions &options) const = 0;
    virtual Image read(const Input &file, const ReadOptions &options) const = 0;
    // The same from a whole file in memory.
    ImageInfo readInfo(std::span<const std::uint8_t> file, const ReadOptions &options) const;
    Image read(std::span<const std::uint8_t> file, const ReadOptions &options) const;
    // `existing` is the present file, used when appending.
    virtual std::vector<std::uint8_t> write(const Image &image, const WriteOptions &options,
                                            std::span<const std::uint8_t> existing) const = 0;
    // A new file straight into `out`; those that are large and simple to
    // write go there without a copy of the whole file in memory.
    virtual void writeInto(FileOutput &out, const Image &image, const WriteOptions &options) const
    {
        out.append(write(image, options, {}));
    }
};

const Codec &codec(Format format);
// The codec that recognises these bytes, or null.
const Codec *probe(std::span<const std::uint8_t> head);

std::vector<std::uint8_t> readWholeFile(const std::string &path);
// Reads with the codec of `format`, or the one that recognises the content;
// a file is decoded while it is read (Input.h).
Image readMemory(std::span<const std::uint8_t> file, const ReadOptions &options = {});
Image readInput(const Input &file, std::optional<Format> format = {}, const ReadOptions &options = {});
Image readFile(const std::string &path, std::optional<Format> format = {}, const ReadOptions &options = {});
ImageInfo readFileInfo(const std::string &path, std::optional<Format> format = {}, const ReadOptions &options = {});
// Writes to a temporary file beside `path` and renames it over, so a failed
// write leaves neither a partial file nor a damaged old one.
void writeFile(const std::string &path, Format format, const Image &image, const WriteOptions &options = {});
void writeWholeFile(const std::string &path, std::span<const std::uint8_t> bytes);

// Calls a Progress at most once per percent; throws Cancelled when told to stop.
class ProgressTicker {
public:
    ProgressTicker(const Progress &progress, std::int64_t total) : progress_(progress), total_(total > 0 ? total : 1) {}
    void operator()(std::int64_t done);
private:
    const Progress &progress_;
    std::int64_t total_;
    int last_ = -1;
};

} // namespace codecs
