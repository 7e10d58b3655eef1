#pragma once
// Bounds-checked little-endian reading of a file in memory; running off the
// end is a Corrupt error, never a read outside the buffer.
#include "Error.h"

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace codecs {

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t offset = 0) : data_(data), pos_(offset) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }
    bool atEnd() const { return remaining() == 0; }
    void seek(std::size_t offset)
    {
        if (offset > data_.size())
            fail(ErrorCode::Corrupt, "offset beyond the end of the file");
        pos_ = offset;
    }
    void skip(std::size_t count) { take(count); }

    std::uint8_t u8() { return take(1)[0]; }
    std::uint16_t u16()
    {
        const std::uint8_t *p = take(2);
        return std::uint16_t(p[0] | p[1] << 8);
    }
    std::uint32_t u32()
    {
        const std::uint8_t *p = take(4);
        return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
    }
    std::int32_t i32() { return std::int32_t(u32()); }
    std::span<const std::uint8_t> bytes(std::size_t count) { return {take(count), count}; }

private:
    const std::uint8_t *take(std::size_t count)
    {
        if (count > remaining())
            fail(ErrorCode::Corrupt, "file truncated");
        const std::uint8_t *p = data_.data() + pos_;
        pos_ += count;
        return p;
    }
    std::span<const std::uint8_t> data_;
    std::size_t pos_;
};

// Little-endian output into a growing buffer.
class ByteWriter {
public:
    void u8(unsigned v) { bytes_.push_back(std::uint8_t(v)); }
    void u16(unsigned v) { u8(v & 0xFF); u8(v >> 8 & 0xFF); }
    void u32(std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void append(const void *data, std::size_t size)
    {
        const auto *p = static_cast<const std::uint8_t *>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }
    void fill(std::size_t count, std::uint8_t value = 0) { bytes_.insert(bytes_.end(), count, value); }
    std::vector<std::uint8_t> &bytes() { return bytes_; }
private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace codecs
