// JPEG through libjpeg: baseline and progressive, grey (8-bit grey table),
// colour (24 bits) and CMYK/YCCK (converted to 24 bits, Adobe's inverted
// CMYK recognised by its marker).  Writing: quality, smoothing, grey when
// the image has a grey table.
#include "Convert.h"
#include "Formats.h"

#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace codecs {
namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};
    bool truncated = false; // libjpeg pads a short file with grey and only warns
};

void onJpegError(j_common_ptr cinfo)
{
    auto *error = reinterpret_cast<JpegError *>(cinfo->err);
    cinfo->err->format_message(cinfo, error->message);
    std::longjmp(error->jump, 1);
}
void onJpegMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegError *>(cinfo->err)->truncated = true;
}

class JpegDecompress {
public:
    JpegDecompress()
    {
        cinfo.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = onJpegError;
        error.manager.emit_message = onJpegMessage;
        jpeg_create_decompress(&cinfo);
    }
    ~JpegDecompress() { jpeg_destroy_decompress(&cinfo); }
    JpegDecompress(const JpegDecompress &) = delete;
    JpegDecompress &operator=(const JpegDecompress &) = delete;
    jpeg_decompress_struct cinfo{};
    JpegError error;
};

class JpegCompress {
public:
    JpegCompress()
    {
        cinfo.err = jpeg_std_error(&error.manager);
        error.manager.error_exit = onJpegError;
        error.manager.emit_message = onJpegMessage;
        jpeg_create_compress(&cinfo);
    }
    ~JpegCompress()
    {
        jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    JpegCompress(const JpegCompress &) = delete;
    JpegCompress &operator=(const JpegCompress &) = delete;
    jpeg_compress_struct cinfo{};
    JpegError error;
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
};

// The compressed data from an input, a buffer at a time.  At its end, or
// where it cannot be read, the decoder gets an end marker and a warning, as
// at the end of libjpeg's own sources.
struct InputSource {
    jpeg_source_mgr manager{};
    InputStream *stream = nullptr;
};

boolean fillFromInput(j_decompress_ptr cinfo)
{
    static const JOCTET end[2] = {0xFF, JPEG_EOI};
    auto *source = reinterpret_cast<InputSource *>(cinfo->src);
    std::span<const std::uint8_t> bytes;
    try {
        bytes = source->stream->next();
    } catch (const Error &) {
        // nothing may unwind through libjpeg
    }
    if (bytes.empty()) {
        WARNMS(cinfo, JWRN_JPEG_EOF);
        bytes = end;
    }
    source->manager.next_input_byte = bytes.data();
    source->manager.bytes_in_buffer = bytes.size();
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count)
{
    jpeg_source_mgr &manager = *cinfo->src;
    while (count > long(manager.bytes_in_buffer)) {
        count -= long(manager.bytes_in_buffer);
        fillFromInput(cinfo);
    }
    if (count > 0) {
        manager.next_input_byte += count;
        manager.bytes_in_buffer -= std::size_t(count);
    }
}

void noSourceWork(j_decompress_ptr) {}

void startDecompress(jpeg_decompress_struct &cinfo, InputSource &source)
{
    source.manager.init_source = noSourceWork;
    source.manager.fill_input_buffer = fillFromInput;
    source.manager.skip_input_data = skipInput;
    source.manager.resync_to_restart = jpeg_resync_to_restart;
    source.manager.term_source = noSourceWork;
    cinfo.src = &source.manager;
    jpeg_read_header(&cinfo, TRUE);
}

class JpegCodec final : public Codec {
public:
    Format format() const override { return Format::Jpeg; }
    const char *name() const override { return "JPEG"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
    }

    ImageInfo readInfo(const Input &file, const ReadOptions &) const override
    {
        if (!canRead(file.head()))
            fail(ErrorCode::NotThisFormat, "not a JPEG file");
        JpegDecompress d;
        InputStream stream(file);
        InputSource source{{}, &stream};
        if (setjmp(d.error.jump))
            fail(ErrorCode::Corrupt, d.error.message);
        startDecompress(d.cinfo, source);
        ImageInfo info;
        info.format = Format::Jpeg;
        info.width = std::int32_t(d.cinfo.image_width);
        info.height = std::int32_t(d.cinfo.image_height);
        info.bits = 8 * d.cinfo.num_components;
        info.compression = TiffJpeg;
        info.compressionName = d.cinfo.progressive_mode ? "PROGRESSIVE JPEG" : "JPEG";
        return info;
    }

    Image read(const Input &file, const ReadOptions &options) const override
    {
        if (!canRead(file.head()))
            fail(ErrorCode::NotThisFormat, "not a JPEG file");
        JpegDecompress d;
        InputStream stream(file);
        InputSource source{{}, &stream};
        Image image;
        std::vector<std::uint8_t> cmyk;
        if (setjmp(d.error.jump))
            fail(ErrorCode::Corrupt, d.error.message);
        jpeg_decompress_struct &cinfo = d.cinfo;
        startDecompress(cinfo, source);
        checkDimensions(cinfo.image_width, cinfo.image_height);
        const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
        const bool fourChannels = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
        cinfo.out_color_space = grey ? JCS_GRAYSCALE : fourChannels ? JCS_CMYK : JCS_EXT_BGR;
        if (options.scale == 2 || options.scale == 4 || options.scale == 8) {
            cinfo.scale_num = 1;
            cinfo.scale_denom = unsigned(options.scale);
        }
        jpeg_start_decompress(&cinfo);
        const auto width = std::int32_t(cinfo.output_width), height = std::int32_t(cinfo.output_height);
        image = grey ? Image(width, height, 8, greyPalette(8)) : Image(width, height, 24);
        if (fourChannels)
            cmyk.resize(std::size_t(width) * 4);
        ProgressTicker tick(options.progress, height);
        while (cinfo.output_scanline < cinfo.output_height) {
            const auto y = std::int32_t(cinfo.output_scanline);
            JSAMPROW row = fourChannels ? cmyk.data() : image.row(y);
            jpeg_read_scanlines(&cinfo, &row, 1);
            if (fourChannels)
                cmykToBgr(cmyk.data(), image.row(y), width, cinfo.saw_Adobe_marker);
            tick(y);
        }
        if (cinfo.density_unit == 1)
            image.setResolution(pelsPerMeter(cinfo.X_density), pelsPerMeter(cinfo.Y_density));
        else if (cinfo.density_unit == 2)
            image.setResolution(cinfo.X_density * 100, cinfo.Y_density * 100);
        if (d.error.truncated)
            fail(ErrorCode::Corrupt, "JPEG file truncated");
        jpeg_finish_decompress(&cinfo);
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const bool grey = source.bits() <= 8 && source.hasGreyPalette() && source.bits() == 8;
        if (!grey && source.bits() != 24)
            return compress(toTrueColour(source), grey, options);
        return compress(source, grey, options);
    }

private:
    static std::vector<std::uint8_t> compress(const Image &image, bool grey, const WriteOptions &options)
    {
        JpegCompress c;
        if (setjmp(c.error.jump))
            fail(ErrorCode::CannotCreate, c.error.message);
        jpeg_compress_struct &cinfo = c.cinfo;
        jpeg_mem_dest(&cinfo, &c.buffer, &c.size);
        cinfo.image_width = JDIMENSION(image.width());
        cinfo.image_height = JDIMENSION(image.height());
        cinfo.input_components = grey ? 1 : 3;
        cinfo.in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, std::clamp(options.quality, 1, 100), TRUE);
        cinfo.smoothing_factor = std::clamp(options.smoothing, 0, 100);
        cinfo.density_unit = 1; // dots per inch
        cinfo.X_density = UINT16(dotsPerInch(image.xPelsPerMeter()));
        cinfo.Y_density = UINT16(dotsPerInch(image.yPelsPerMeter()));
        jpeg_start_compress(&cinfo, TRUE);
        ProgressTicker tick(options.progress, image.height());
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(image.row(std::int32_t(cinfo.next_scanline)));
            jpeg_write_scanlines(&cinfo, &row, 1);
            tick(cinfo.next_scanline);
        }
        jpeg_finish_compress(&cinfo);
        return {c.buffer, c.buffer + c.size};
    }

    static void cmykToBgr(const std::uint8_t *in, std::uint8_t *out, std::int32_t width, bool inverted)
    {
        for (std::int32_t x = 0; x < width; ++x) {
            int cyan = in[x * 4], magenta = in[x * 4 + 1], yellow = in[x * 4 + 2], black = in[x * 4 + 3];
            if (!inverted) {
                cyan = 255 - cyan;
                magenta = 255 - magenta;
                yellow = 255 - yellow;
                black = 255 - black;
            }
            // with Adobe's inversion the samples already hold 255 - ink
            out[x * 3] = std::uint8_t(yellow * black / 255);
            out[x * 3 + 1] = std::uint8_t(magenta * black / 255);
            out[x * 3 + 2] = std::uint8_t(cyan * black / 255);
        }
    }
};

} // namespace

const Codec &jpegCodec()
{
    static const JpegCodec codec;
    return codec;
}

} // namespace codecs
