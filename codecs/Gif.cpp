// GIF through giflib: the first frame, placed on the logical screen filled
// with the background colour, interlaced or not, decoded as the file is
// read.  A logical screen beyond the size limit holds no data of its own:
// the picture is then the frame alone, so the limit bounds the frame's
// pixels.  The colour table decides the depth (up to 2 colours 1 bit, up
// to 16 colours 4 bits, else 8).  Writing reduces the colours to 256 when
// the image has more.
#include "Convert.h"
#include "Formats.h"

#include <gif_lib.h>

#include <cstring>
#include <memory>

namespace codecs {
namespace {

int readFromInput(GifFileType *gif, GifByteType *out, int length)
{
    auto *in = static_cast<InputStream *>(gif->UserData);
    std::size_t done = 0;
    try {
        while (done < std::size_t(std::max(length, 0)))
            if (const std::size_t n = in->readSome(out + done, std::size_t(length) - done); n > 0)
                done += n;
            else
                break;
    } catch (const Error &) {
        return 0; // giflib reports a short read; nothing may unwind through it
    }
    return int(done);
}

int writeToMemory(GifFileType *gif, const GifByteType *data, int length)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct GifReader {
    explicit GifReader(InputStream &input)
    {
        int error = 0;
        gif = DGifOpen(&input, readFromInput, &error);
        if (!gif)
            fail(error == D_GIF_ERR_NOT_GIF_FILE ? ErrorCode::NotThisFormat : ErrorCode::Corrupt, GifErrorString(error) ? GifErrorString(error) : "bad GIF");
    }
    ~GifReader() { DGifCloseFile(gif, nullptr); }
    GifReader(const GifReader &) = delete;
    GifReader &operator=(const GifReader &) = delete;
    [[noreturn]] void damaged() const
    {
        const char *text = GifErrorString(gif->Error);
        fail(ErrorCode::Corrupt, text ? text : "damaged GIF file");
    }
    GifFileType *gif = nullptr;
};

struct GifWriter {
    explicit GifWriter(std::vector<std::uint8_t> &out)
    {
        int error = 0;
        gif = EGifOpen(&out, writeToMemory, &error);
        if (!gif)
            fail(ErrorCode::CannotCreate, "cannot start GIF");
    }
    ~GifWriter() { EGifCloseFile(gif, nullptr); }
    GifWriter(const GifWriter &) = delete;
    GifWriter &operator=(const GifWriter &) = delete;
    void check(int status) const
    {
        if (status != GIF_OK)
            fail(ErrorCode::CannotCreate, GifErrorString(gif->Error) ? GifErrorString(gif->Error) : "GIF write failed");
    }
    GifFileType *gif = nullptr;
};

struct ColourMapDeleter {
    void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};

// Rows in the order they are stored: four passes when interlaced.
std::vector<std::int32_t> rowOrder(std::int32_t height, bool interlaced)
{
    std::vector<std::int32_t> order;
    if (!interlaced) {
        for (std::int32_t y = 0; y < height; ++y)
            order.push_back(y);
        return order;
    }
    const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::int32_t y = starts[pass]; y < height; y += steps[pass])
            order.push_back(y);
    return order;
}

// Moves to the first image descriptor, skipping extensions.
void findFirstImage(GifReader &reader)
{
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(reader.gif, &type) != GIF_OK)
            reader.damaged();
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(reader.gif) != GIF_OK)
                reader.damaged();
            return;
        }
        if (type == TERMINATE_RECORD_TYPE)
            fail(ErrorCode::Corrupt, "GIF file without an image");
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(reader.gif, &code, &block) != GIF_OK)
                reader.damaged();
            while (block)
                if (DGifGetExtensionNext(reader.gif, &block) != GIF_OK)
                    reader.damaged();
        }
    }
}

// A rectangle of the logical screen.
struct Area {
    std::int32_t left = 0, top = 0, width = 0, height = 0;
};

Area screenOf(const GifFileType *gif)
{
    return {0, 0, gif->SWidth, gif->SHeight};
}

bool screenWithinLimit(const GifFileType *gif)
{
    try {
        checkDimensions(gif->SWidth, gif->SHeight);
        return true;
    } catch (const Error &) {
        return false;
    }
}

// What the first frame (just found) shows: the logical screen when it is
// within the size limit, else the frame's own rectangle on it.  A screen of
// size 0 takes the frame's size.
Area pictureArea(const GifReader &reader)
{
    const GifFileType *gif = reader.gif;
    const GifImageDesc &desc = gif->Image;
    if (desc.Width <= 0 || desc.Height <= 0)
        fail(ErrorCode::Corrupt, "empty GIF frame");
    checkDimensions(desc.Width, desc.Height);
    const Area screen{0, 0, gif->SWidth > 0 ? gif->SWidth : desc.Width, gif->SHeight > 0 ? gif->SHeight : desc.Height};
    if (gif->SWidth <= 0 || gif->SHeight <= 0 || screenWithinLimit(gif))
        return screen;
    const std::int32_t right = std::min(desc.Left + desc.Width, screen.width);
    const std::int32_t bottom = std::min(desc.Top + desc.Height, screen.height);
    if (right <= desc.Left || bottom <= desc.Top)
        fail(ErrorCode::Corrupt, "GIF frame outside its screen");
    return {desc.Left, desc.Top, right - desc.Left, bottom - desc.Top};
}

class GifCodec final : public Codec {
public:
    Format format() const override { return Format::Gif; }
    const char *name() const override { return "GIF"; }
    bool canRead(std::span<const std::uint8_t> head) const override
    {
        return head.size() >= 6 && std::memcmp(head.data(), "GIF8", 4) == 0;
    }

    ImageInfo readInfo(const Input &file, const ReadOptions &) const override
    {
        InputStream input(file);
        GifReader reader(input);
        ImageInfo info;
        info.format = Format::Gif;
        const ColorMapObject *map = reader.gif->SColorMap;
        info.bits = map ? map->BitsPerPixel : 8;
        info.compression = TiffLzw;
        info.compressionName = "LZW";
        const Area area = screenWithinLimit(reader.gif) ? screenOf(reader.gif) : (findFirstImage(reader), pictureArea(reader));
        info.width = area.width;
        info.height = area.height;
        return info;
    }

    Image read(const Input &file, const ReadOptions &options) const override
    {
        InputStream input(file);
        GifReader reader(input);
        findFirstImage(reader);
        GifFileType *gif = reader.gif;
        const GifImageDesc &desc = gif->Image;
        const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map)
            fail(ErrorCode::Corrupt, "GIF without a colour table");
        const Area area = pictureArea(reader);
        std::vector<Rgb> palette;
        for (int i = 0; i < map->ColorCount; ++i)
            palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
        const int bits = map->ColorCount <= 2 ? 1 : map->ColorCount <= 16 ? 4 : 8;
        const std::int32_t width = area.width, height = area.height;
        Image image(width, height, bits, palette);
        const int background = gif->SColorMap && gif->SBackGroundColor < map->ColorCount ? gif->SBackGroundColor : 0;
        if (background) {
            // one row filled, then copied
            for (std::int32_t x = 0; x < width; ++x)
                image.setIndex(x, 0, background);
            for (std::int32_t y = 1; y < height; ++y)
                std::memcpy(image.row(y), image.row(0), image.rowBytes());
        }

        const std::vector<std::int32_t> order = rowOrder(desc.Height, desc.Interlace);
        std::vector<GifPixelType> line(std::size_t(desc.Width));
        ProgressTicker tick(options.progress, desc.Height);
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (DGifGetLine(gif, line.data(), desc.Width) != GIF_OK)
                reader.damaged();
            const std::int32_t y = desc.Top + order[i] - area.top;
            if (y < 0 || y >= height)
                continue;
            for (std::int32_t x = 0; x < desc.Width; ++x) {
                const std::int32_t target = desc.Left + x - area.left;
                if (target >= 0 && target < width)
                    image.setIndex(target, y, line[x] < (1 << bits) ? line[x] : 0);
            }
            tick(std::int64_t(i));
        }
        return image;
    }

    std::vector<std::uint8_t> write(const Image &source, const WriteOptions &options,
                                    std::span<const std::uint8_t>) const override
    {
        const Image image = source.bits() <= 8 ? source : reduceColours(source, 8, false);
        int mapBits = 1;
        while ((1 << mapBits) < image.colourCount())
            ++mapBits;
        std::vector<GifColorType> colours(std::size_t(1) << mapBits, GifColorType{0, 0, 0});
        for (int i = 0; i < image.colourCount(); ++i) {
            const Rgb c = image.colour(i);
            colours[i] = {c.red, c.green, c.blue};
        }
        std::unique_ptr<ColorMapObject, ColourMapDeleter> map(GifMakeMapObject(1 << mapBits, colours.data()));
        if (!map)
            fail(ErrorCode::OutOfMemory, "out of memory");
        if (image.width() > 65535 || image.height() > 65535)
            fail(ErrorCode::TooLarge, "GIF images are at most 65535 pixels wide and high");
        std::vector<std::uint8_t> out;
        {
            GifWriter writer(out);
            EGifSetGifVersion(writer.gif, true);
            writer.check(EGifPutScreenDesc(writer.gif, image.width(), image.height(), mapBits, 0, map.get()));
            writer.check(EGifPutImageDesc(writer.gif, 0, 0, image.width(), image.height(), options.interlaced, nullptr));
            const std::vector<std::int32_t> order = rowOrder(image.height(), options.interlaced);
            std::vector<GifPixelType> line(std::size_t(image.width()));
            ProgressTicker tick(options.progress, image.height());
            for (std::size_t i = 0; i < order.size(); ++i) {
                for (std::int32_t x = 0; x < image.width(); ++x)
                    line[x] = GifPixelType(image.index(x, order[i]));
                writer.check(EGifPutLine(writer.gif, line.data(), image.width()));
                tick(std::int64_t(i));
            }
        }
        return out;
    }
};

} // namespace

const Codec &gifCodec()
{
    static const GifCodec codec;
    return codec;
}

} // namespace codecs
