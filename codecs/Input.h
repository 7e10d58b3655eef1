#pragma once
// Where a reader takes a file's bytes from.  The bytes are read as the
// decoder asks for them, so that a picture is decoded while its file is
// read, without a copy of the whole file first.  A file is read, never
// mapped: one that another program shortens while we read it ends in a
// Corrupt error ("file truncated"), never in a fault.
#include "Error.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace codecs {

class Input {
public:
    virtual ~Input() = default;
    Input(const Input &) = delete;
    Input &operator=(const Input &) = delete;

    // The size the input had when opened; nothing beyond it is read.
    std::uint64_t size() const { return size_; }
    // The first bytes (4096, or fewer in a shorter input), enough for every
    // codec's canRead.
    std::span<const std::uint8_t> head() const { return head_; }
    // Up to into.size() bytes from offset; 0 at the end.  May run on several
    // threads at once.
    virtual std::size_t readSome(std::uint64_t offset, std::span<std::uint8_t> into) const = 0;
    // Exactly into.size() bytes from offset, else Corrupt.
    void read(std::uint64_t offset, std::span<std::uint8_t> into) const;
    // The whole input where it already lies in memory; empty for a file.
    virtual std::span<const std::uint8_t> inMemory() const { return {}; }

protected:
    Input() = default;
    // Sets the size and reads the head; called once by each constructor.
    void start(std::uint64_t size);

private:
    std::uint64_t size_ = 0;
    std::vector<std::uint8_t> head_;
};

// Bytes in memory: the caller's, which outlive the input, or its own.
class MemoryInput final : public Input {
public:
    explicit MemoryInput(std::span<const std::uint8_t> bytes);
    explicit MemoryInput(std::vector<std::uint8_t> &&bytes);
    std::size_t readSome(std::uint64_t offset, std::span<std::uint8_t> into) const override;
    std::span<const std::uint8_t> inMemory() const override { return bytes_; }

private:
    std::vector<std::uint8_t> owned_;
    std::span<const std::uint8_t> bytes_;
};

// A file by name: a regular file is read where asked; anything else (a pipe,
// a device) is read whole first, at most kMaxImageBytes.  CannotOpen when it
// cannot be opened or read.
std::unique_ptr<Input> openInput(const std::string &path);

// The whole input in memory, for the formats decoded from memory: where it
// lies when it is in memory already, else read once.
class WholeInput {
public:
    explicit WholeInput(const Input &input);
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::unique_ptr<std::uint8_t[]> owned_;
    std::span<const std::uint8_t> bytes_;
};

// Reads an input from front to back through a buffer, for decoders that
// take their bytes a few at a time.
class InputStream {
public:
    explicit InputStream(const Input &input, std::uint64_t offset = 0) : input_(input), position_(offset) {}
    // Up to count bytes; 0 at the end.
    std::size_t readSome(std::uint8_t *out, std::size_t count);
    // Exactly count bytes, else Corrupt.
    void read(std::uint8_t *out, std::size_t count);
    // The buffered bytes after the position, refilled when none are left;
    // empty at the end.  The position moves past them.
    std::span<const std::uint8_t> next();
    std::uint64_t position() const { return position_ - (end_ - begin_); }

private:
    void refill();

    const Input &input_;
    std::uint64_t position_; // of the byte after the buffered ones
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0, end_ = 0;
};

} // namespace codecs
