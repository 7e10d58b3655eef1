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
#include <sys/mman.h>
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

// A file's bytes to read once: a regular file is mapped where the system
// keeps it (one call maps every page, nothing is copied); anything else is
// read into memory.
class FileBytes {
public:
    explicit FileBytes(const std::string &path)
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat status;
        if (fd >= 0 && ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
            && std::uint64_t(status.st_size) <= kMaxImageBytes) {
            void *mapped = ::mmap(nullptr, std::size_t(status.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
            if (mapped != MAP_FAILED) {
                ::madvise(mapped, std::size_t(status.st_size), MADV_SEQUENTIAL);
                mapped_ = {static_cast<const std::uint8_t *>(mapped), std::size_t(status.st_size)};
            }
        }
        if (fd >= 0)
            ::close(fd);
        if (mapped_.empty())
            copy_ = readWholeFile(path);
    }
    ~FileBytes()
    {
        if (!mapped_.empty())
            ::munmap(const_cast<std::uint8_t *>(mapped_.data()), mapped_.size());
    }
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    std::span<const std::uint8_t> bytes() const { return mapped_.empty() ? std::span<const std::uint8_t>(copy_) : mapped_; }

private:
    std::span<const std::uint8_t> mapped_;
    std::vector<std::uint8_t> copy_;
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

std::vector<std::uint8_t> readWholeFile(const std::string &path)
{
    std::FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        fail(ErrorCode::CannotOpen, "cannot open " + path);
    std::unique_ptr<std::FILE, int (*)(std::FILE *)> guard(file, &std::fclose);
    std::vector<std::uint8_t> bytes;
    struct stat status;
    if (::fstat(::fileno(file), &status) == 0 && S_ISREG(status.st_mode)) {
        if (std::uint64_t(status.st_size) > kMaxImageBytes)
            fail(ErrorCode::TooLarge, "file too large");
        bytes.reserve(std::size_t(status.st_size));
    }
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (bytes.size() + n > kMaxImageBytes)
            fail(ErrorCode::TooLarge, "file too large");
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    if (std::ferror(file))
        fail(ErrorCode::CannotOpen, "cannot read " + path);
    return bytes;
}

void writeWholeFile(const std::string &path, std::span<const std::uint8_t> bytes)
{
    TemporaryFile temporary(path);
    FileOutput(temporary.descriptor()).append(bytes);
    temporary.commit(path);
}

static const Codec &chooseCodec(std::span<const std::uint8_t> file, std::optional<Format> format)
{
    if (format)
        return codec(*format);
    if (const Codec *c = probe(file))
        return *c;
    fail(ErrorCode::NotThisFormat, "unknown file format");
}

Image readMemory(std::span<const std::uint8_t> file, const ReadOptions &options)
{
    return chooseCodec(file, std::nullopt).read(file, options);
}

Image readFile(const std::string &path, std::optional<Format> format, const ReadOptions &options)
{
    const FileBytes file(path);
    return chooseCodec(file.bytes(), format).read(file.bytes(), options);
}

ImageInfo readFileInfo(const std::string &path, std::optional<Format> format, const ReadOptions &options)
{
    const FileBytes file(path);
    return chooseCodec(file.bytes(), format).readInfo(file.bytes(), options);
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
