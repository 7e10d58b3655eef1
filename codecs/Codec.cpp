#include "Codec.h"

#include "Error.h"
#include "Formats.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <memory>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// Closes a descriptor and removes the temporary file unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string &target)
    {
        // created with the usual permissions (umask applies), never over another file
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
            path_ = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
            fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST)
                break;
        }
        if (fd_ < 0)
            fail(ErrorCode::CannotCreate, "cannot create " + target);
    }
    ~TemporaryFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!committed_)
            ::unlink(path_.c_str());
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    int descriptor() const { return fd_; }
    void commit(const std::string &target)
    {
        // a file written again keeps the permissions it had
        struct stat existing;
        if (::stat(target.c_str(), &existing) == 0)
            ::fchmod(fd_, existing.st_mode & 07777);
        const int closed = ::close(fd_);
        fd_ = -1;
        if (closed != 0 || std::rename(path_.c_str(), target.c_str()) != 0)
            fail(ErrorCode::CannotCreate, "cannot write " + target);
        committed_ = true;
    }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

std::string lowerExtension(std::string_view path)
{
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    std::string ext(path.substr(dot + 1));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext;
}

} // namespace

void FileOutput::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            fail(ErrorCode::CannotCreate, "cannot write the file");
        done += std::size_t(n);
    }
    size_ = std::max(size_, offset + bytes.size());
}

std::size_t FileOutput::readAt(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    std::size_t done = 0;
    while (done < into.size() && offset + done < size_) {
        const ssize_t n = ::pread(fd_, into.data() + done, into.size() - done, off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += std::size_t(n);
    }
    return done;
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

std::optional<Format> formatFromExtension(std::string_view path)
{
    const std::string ext = lowerExtension(path);
    static const std::pair<const char *, Format> table[] = {
        {"bmp", Format::Bmp}, {"dib", Format::Bmp}, {"rle", Format::Bmp}, {"png", Format::Png},
        {"jpg", Format::Jpeg}, {"jpeg", Format::Jpeg}, {"jpe", Format::Jpeg}, {"jfif", Format::Jpeg},
        {"tif", Format::Tiff}, {"tiff", Format::Tiff}, {"gif", Format::Gif}, {"pcx", Format::Pcx},
        {"tga", Format::Tga}, {"eps", Format::Eps}, {"epsf", Format::Eps}, {"ps", Format::Eps}, {"dxf", Format::Dxf},
        {"pcd", Format::Pcd}, {"pbm", Format::Pnm}, {"pgm", Format::Pnm}, {"ppm", Format::Pnm}, {"pnm", Format::Pnm},
    };
    for (const auto &[name, format] : table)
        if (ext == name)
            return format;
    return std::nullopt;
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
    TemporaryFile temporary(path);
    FileOutput(temporary.descriptor()).append(bytes);
    temporary.commit(path);
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
    TemporaryFile temporary(path);
    FileOutput out(temporary.descriptor());
    codec(format).writeInto(out, image, options);
    temporary.commit(path);
}

} // namespace codecs
