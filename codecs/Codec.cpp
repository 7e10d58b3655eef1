#include "Codec.h"

#include "Error.h"
#include "Formats.h"

#include <algorithm>
#include <memory>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace codecs {
namespace {

const std::array<const Codec *, 11> &allCodecs()
{
    static const std::array<const Codec *, 11> codecs = {&bmpCodec(), &pngCodec(), &jpegCodec(), &tiffCodec(),
                                                         &gifCodec(), &pcxCodec(), &tgaCodec(), &epsCodec(),
                                                         &dxfCodec(), &pcdCodec(), &pnmCodec()};
    return codecs;
}

// A codec's failure to write, as the writer said it: the file and the system's reason.
[[noreturn]] void failToWrite(const platform::WriteError &error)
{
    throw WriteFailure(error.what());
}

} // namespace

void FileOutput::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    try {
        file_.writeAt(offset, bytes.data(), bytes.size());
    } catch (const platform::WriteError &error) {
        failToWrite(error);
    }
}

std::size_t FileOutput::readAt(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    return file_.readAt(offset, into.data(), into.size());
}

void ProgressTicker::operator()(std::int64_t done)
{
    if (!progress_)
        return;
    const int percent = int(std::clamp<std::int64_t>(done * 100 / total_, 0, 100));
    if (percent == last_)
        return;
    last_ = percent;
    if (!progress_(percent))
        fail(ErrorCode::Cancelled, "stopped");
}

const Codec &codec(Format format)
{
    for (const Codec *c : allCodecs())
        if (c->format() == format)
            return *c;
    fail(ErrorCode::BadParameter, "unknown format");
}

const Codec *probe(std::span<const std::uint8_t> head)
{
    // TGA has no signature, so it is tried last
    for (const Codec *c : allCodecs())
        if (c->format() != Format::Tga && c->canRead(head))
            return c;
    return tgaCodec().canRead(head) ? &tgaCodec() : nullptr;
}

ImageInfo Codec::readInfo(std::span<const std::uint8_t> file, const ReadOptions &options) const
{
    return readInfo(MemoryInput(file), options);
}

Image Codec::read(std::span<const std::uint8_t> file, const ReadOptions &options) const
{
    return read(MemoryInput(file), options);
}

std::vector<std::uint8_t> readWholeFile(const std::string &path)
{
    const auto input = openInput(path);
    const WholeInput whole(*input);
    return {whole.bytes().begin(), whole.bytes().end()};
}

void writeWholeFile(const std::string &path, std::span<const std::uint8_t> bytes)
{
    try {
        platform::AtomicFile file(path);
        file.write(bytes.data(), bytes.size());
        file.commit();
    } catch (const platform::WriteError &error) {
        failToWrite(error);
    }
}

static const Codec &chooseCodec(const Input &file, std::optional<Format> format)
{
    if (format)
        return codec(*format);
    if (const Codec *c = probe(file.head()))
        return *c;
    fail(ErrorCode::NotThisFormat, "unknown file format");
}

Image readMemory(std::span<const std::uint8_t> file, const ReadOptions &options)
{
    return readInput(MemoryInput(file), std::nullopt, options);
}

Image readInput(const Input &file, std::optional<Format> format, const ReadOptions &options)
{
    return chooseCodec(file, format).read(file, options);
}

Image readFile(const std::string &path, std::optional<Format> format, const ReadOptions &options)
{
    return readInput(*openInput(path), format, options);
}

ImageInfo readFileInfo(const std::string &path, std::optional<Format> format, const ReadOptions &options)
{
    const auto file = openInput(path);
    return chooseCodec(*file, format).readInfo(*file, options);
}

void writeFile(const std::string &path, Format format, const Image &image, const WriteOptions &options)
{
    if (image.isNull())
        fail(ErrorCode::BadImage, "empty image");
    if (options.append && ::access(path.c_str(), F_OK) == 0) {
        writeWholeFile(path, codec(format).write(image, options, readWholeFile(path)));
        return;
    }
    try {
        platform::AtomicFile file(path);
        FileOutput out(file);
        codec(format).writeInto(out, image, options);
        file.commit();
    } catch (const platform::WriteError &error) {
        failToWrite(error);
    }
}

} // namespace codecs
