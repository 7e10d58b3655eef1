#include "Input.h"

#include "Image.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace codecs {
namespace {

constexpr std::size_t kHeadBytes = 4096;
constexpr std::size_t kStreamBuffer = std::size_t(1) << 16;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A regular file, read with pread where the decoder asks.
class FileInput final : public Input {
public:
    FileInput(std::unique_ptr<Descriptor> file, std::uint64_t size, std::string path)
        : file_(std::move(file)), path_(std::move(path))
    {
        start(size);
    }
    std::size_t readSome(std::uint64_t offset, std::span<std::uint8_t> into) const override
    {
        if (offset >= size() || into.empty())
            return 0;
        const auto wanted = std::size_t(std::min<std::uint64_t>(into.size(), size() - offset));
        for (;;) {
            const ssize_t n = ::pread(file_->get(), into.data(), wanted, off_t(offset));
            if (n >= 0)
                return std::size_t(n);
            if (errno != EINTR)
                fail(ErrorCode::CannotOpen, "cannot read " + path_);
        }
    }

private:
    std::unique_ptr<Descriptor> file_;
    std::string path_;
};

// What a pipe or a device gives until its end, at most kMaxImageBytes.
std::vector<std::uint8_t> readStream(int fd, const std::string &path)
{
    std::vector<std::uint8_t> bytes;
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) {
            if (size >= kMaxImageBytes)
                fail(ErrorCode::TooLarge, "file too large");
            bytes.resize(std::min(std::max<std::size_t>(size * 2, kStreamBuffer), kMaxImageBytes));
        }
        const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            fail(ErrorCode::CannotOpen, "cannot read " + path);
        if (n == 0)
            break;
        size += std::size_t(n);
    }
    bytes.resize(size);
    return bytes;
}

} // namespace

void Input::start(std::uint64_t size)
{
    size_ = size;
    head_.resize(std::size_t(std::min<std::uint64_t>(size, kHeadBytes)));
    read(0, head_);
}

void Input::read(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    std::size_t done = 0;
    while (done < into.size()) {
        const std::size_t n = readSome(offset + done, into.subspan(done));
        if (n == 0)
            fail(ErrorCode::Corrupt, "file truncated");
        done += n;
    }
}

MemoryInput::MemoryInput(std::span<const std::uint8_t> bytes) : bytes_(bytes)
{
    start(bytes.size());
}

MemoryInput::MemoryInput(std::vector<std::uint8_t> &&bytes) : owned_(std::move(bytes)), bytes_(owned_)
{
    start(owned_.size());
}

std::size_t MemoryInput::readSome(std::uint64_t offset, std::span<std::uint8_t> into) const
{
    if (offset >= bytes_.size())
        return 0;
    const auto n = std::size_t(std::min<std::uint64_t>(into.size(), bytes_.size() - offset));
    std::memcpy(into.data(), bytes_.data() + offset, n);
    return n;
}

std::unique_ptr<Input> openInput(const std::string &path)
{
    auto file = std::make_unique<Descriptor>(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file->get() < 0)
        fail(ErrorCode::CannotOpen, "cannot open " + path);
    struct stat status;
    if (::fstat(file->get(), &status) == 0 && S_ISREG(status.st_mode))
        return std::make_unique<FileInput>(std::move(file), std::uint64_t(status.st_size), path);
    return std::make_unique<MemoryInput>(readStream(file->get(), path));
}

WholeInput::WholeInput(const Input &input) : bytes_(input.inMemory())
{
    if (!bytes_.empty() || input.size() == 0)
        return;
    if (input.size() > kMaxImageBytes)
        fail(ErrorCode::TooLarge, "file too large");
    // never initialised before it is read into
    owned_.reset(new std::uint8_t[std::size_t(input.size())]);
    bytes_ = {owned_.get(), std::size_t(input.size())};
    input.read(0, {owned_.get(), bytes_.size()});
}

std::size_t InputStream::readSome(std::uint8_t *out, std::size_t count)
{
    if (begin_ == end_ && count >= kStreamBuffer) {
        // a large read goes straight where it is wanted
        const std::size_t n = input_.readSome(position_, {out, count});
        position_ += n;
        return n;
    }
    if (begin_ == end_)
        refill();
    const std::size_t n = std::min(count, end_ - begin_);
    std::memcpy(out, buffer_.data() + begin_, n);
    begin_ += n;
    return n;
}

void InputStream::read(std::uint8_t *out, std::size_t count)
{
    while (count > 0) {
        const std::size_t n = readSome(out, count);
        if (n == 0)
            fail(ErrorCode::Corrupt, "file truncated");
        out += n;
        count -= n;
    }
}

std::span<const std::uint8_t> InputStream::next()
{
    if (begin_ == end_)
        refill();
    const std::span<const std::uint8_t> bytes(buffer_.data() + begin_, end_ - begin_);
    begin_ = end_;
    return bytes;
}

void InputStream::refill()
{
    buffer_.resize(kStreamBuffer);
    begin_ = 0;
    end_ = input_.readSome(position_, buffer_);
    position_ += end_;
}

} // namespace codecs
