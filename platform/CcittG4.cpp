#include "CcittG4.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>

namespace platform {

namespace {

struct Code {
    std::uint32_t bits;
    int length;
};

// The code words are written as in the standard's tables, most significant bit first.
constexpr Code code(std::string_view text)
{
    std::uint32_t bits = 0;
    for (char c : text)
        bits = bits << 1 | std::uint32_t(c == '1');
    return {bits, int(text.size())};
}

// Terminating codes of runs 0..63 (T.4 tables 2 and 3).
constexpr std::array<Code, 64> whiteTerminating = {
    code("00110101"), code("000111"),   code("0111"),     code("1000"),     code("1011"),     code("1100"),
    code("1110"),     code("1111"),     code("10011"),    code("10100"),    code("00111"),    code("01000"),
    code("001000"),   code("000011"),   code("110100"),   code("110101"),   code("101010"),   code("101011"),
    code("0100111"),  code("0001100"),  code("0001000"),  code("0010111"),  code("0000011"),  code("0000100"),
    code("0101000"),  code("0101011"),  code("0010011"),  code("0100100"),  code("0011000"),  code("00000010"),
    code("00000011"), code("00011010"), code("00011011"), code("00010010"), code("00010011"), code("00010100"),
    code("00010101"), code("00010110"), code("00010111"), code("00101000"), code("00101001"), code("00101010"),
    code("00101011"), code("00101100"), code("00101101"), code("00000100"), code("00000101"), code("00001010"),
    code("00001011"), code("01010010"), code("01010011"), code("01010100"), code("01010101"), code("00100100"),
    code("00100101"), code("01011000"), code("01011001"), code("01011010"), code("01011011"), code("01001010"),
    code("01001011"), code("00110010"), code("00110011"), code("00110100"),
};

constexpr std::array<Code, 64> blackTerminating = {
    code("0000110111"),   code("010"),          code("11"),           code("10"),
    code("011"),          code("0011"),         code("0010"),         code("00011"),
    code("000101"),       code("000100"),       code("0000100"),      code("0000101"),
    code("0000111"),      code("00000100"),     code("00000111"),     code("000011000"),
    code("0000010111"),   code("0000011000"),   code("0000001000"),   code("00001100111"),
    code("00001101000"),  code("00001101100"),  code("00000110111"),  code("00000101000"),
    code("00000010111"),  code("00000011000"),  code("000011001010"), code("000011001011"),
    code("000011001100"), code("000011001101"), code("000001101000"), code("000001101001"),
    code("000001101010"), code("000001101011"), code("000011010010"), code("000011010011"),
    code("000011010100"), code("000011010101"), code("000011010110"), code("000011010111"),
    code("000001101100"), code("000001101101"), code("000011011010"), code("000011011011"),
    code("000001010100"), code("000001010101"), code("000001010110"), code("000001010111"),
    code("000001100100"), code("000001100101"), code("000001010010"), code("000001010011"),
    code("000000100100"), code("000000110111"), code("000000111000"), code("000000100111"),
    code("000000101000"), code("000001011000"), code("000001011001"), code("000000101011"),
    code("000000101100"), code("000001011010"), code("000001100110"), code("000001100111"),
};

// Make-up codes of runs 64, 128, ... 1728.
constexpr std::array<Code, 27> whiteMakeUp = {
    code("11011"),     code("10010"),     code("010111"),    code("0110111"),   code("00110110"),
    code("00110111"),  code("01100100"),  code("01100101"),  code("01101000"),  code("01100111"),
    code("011001100"), code("011001101"), code("011010010"), code("011010011"), code("011010100"),
    code("011010101"), code("011010110"), code("011010111"), code("011011000"), code("011011001"),
    code("011011010"), code("011011011"), code("010011000"), code("010011001"), code("010011010"),
    code("011000"),    code("010011011"),
};

constexpr std::array<Code, 27> blackMakeUp = {
    code("0000001111"),    code("000011001000"),  code("000011001001"),  code("000001011011"),
    code("000000110011"),  code("000000110100"),  code("000000110101"),  code("0000001101100"),
    code("0000001101101"), code("0000001001010"), code("0000001001011"), code("0000001001100"),
    code("0000001001101"), code("0000001110010"), code("0000001110011"), code("0000001110100"),
    code("0000001110101"), code("0000001110110"), code("0000001110111"), code("0000001010010"),
    code("0000001010011"), code("0000001010100"), code("0000001010101"), code("0000001011010"),
    code("0000001011011"), code("0000001100100"), code("0000001100101"),
};

// Make-up codes of runs 1792, 1856, ... 2560, the same for both colours (T.4 table 3a).
constexpr std::array<Code, 13> extendedMakeUp = {
    code("00000001000"),  code("00000001100"),  code("00000001101"),  code("000000010010"), code("000000010011"),
    code("000000010100"), code("000000010101"), code("000000010110"), code("000000010111"), code("000000011100"),
    code("000000011101"), code("000000011110"), code("000000011111"),
};

constexpr Code passCode = code("0001");
constexpr Code horizontalCode = code("001");
// Vertical modes VL3, VL2, VL1, V0, VR1, VR2, VR3: a1 − b1 from −3 to 3.
constexpr std::array<Code, 7> verticalCodes = {
    code("0000010"), code("000010"), code("010"), code("1"), code("011"), code("000011"), code("0000011"),
};
constexpr Code endOfLine = code("000000000001");

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t> &out) : out_(out) {}

    void put(Code c)
    {
        buffer_ = buffer_ << c.length | c.bits;
        pending_ += c.length;
        while (pending_ >= 8) {
            pending_ -= 8;
            out_.push_back(std::uint8_t(buffer_ >> pending_));
        }
    }

    // Pads the last byte with zero bits.
    void flush()
    {
        if (pending_ > 0)
            out_.push_back(std::uint8_t(buffer_ << (8 - pending_)));
        pending_ = 0;
    }

private:
    std::vector<std::uint8_t> &out_;
    std::uint64_t buffer_ = 0;
    int pending_ = 0;
};

// A run of one colour: make-up codes for the multiples of 64, then a terminating code.
void putRun(BitWriter &writer, int length, bool black)
{
    while (length >= 2560 + 64) {
        writer.put(extendedMakeUp.back());
        length -= 2560;
    }
    if (length >= 64) {
        const int units = length / 64;
        writer.put(units <= 27 ? (black ? blackMakeUp : whiteMakeUp)[units - 1] : extendedMakeUp[units - 28]);
        length -= units * 64;
    }
    writer.put((black ? blackTerminating : whiteTerminating)[length]);
}

// The changing elements of one line: the positions of the pixels whose colour
// differs from the pixel before them, the pixel before the first being white.
// Elements at even indices start black runs, at odd ones white runs.  Three
// copies of the width close the list, so that b1, b2 and a2 always exist.
void findChanges(const std::uint8_t *row, int width, std::uint8_t toOneIsBlack, std::vector<int> &changes)
{
    changes.clear();
    bool black = false;
    int x = 0;
    while (x < width) {
        // Look for the first pixel at or after x whose colour is not the current one.
        int index = x >> 3;
        const std::uint8_t flip = black ? 0xFF : 0x00;
        std::uint8_t byte = std::uint8_t((row[index] ^ toOneIsBlack ^ flip) & (0xFFu >> (x & 7)));
        const int lastIndex = (width - 1) >> 3;
        while (byte == 0 && index < lastIndex)
            byte = std::uint8_t(row[++index] ^ toOneIsBlack ^ flip);
        if (byte == 0)
            break;
        x = index * 8 + std::countl_zero(byte);
        if (x >= width)
            break;
        changes.push_back(x);
        black = !black;
    }
    changes.insert(changes.end(), 3, width);
}

void encodeLine(BitWriter &writer, const std::vector<int> &line, const std::vector<int> &reference, int width)
{
    int a0 = -1; // the imaginary white pixel before the line
    bool black = false;
    std::size_t next = 0; // index in line of a1: the first change after a0
    std::size_t refIndex = 0;
    while (a0 < width) {
        while (line[next] <= a0)
            ++next;
        const int a1 = line[next];
        // b1: the first change on the reference line after a0 that starts a run
        // of the colour opposite to a0's, that is of a1's colour.
        while (reference[refIndex] <= a0)
            ++refIndex;
        std::size_t b = refIndex;
        if ((b & 1) != (black ? 1u : 0u))
            ++b;
        const int b1 = reference[b], b2 = reference[b + 1];
        if (b2 < a1) {
            writer.put(passCode);
            a0 = b2;
        } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
            writer.put(verticalCodes[std::size_t(a1 - b1 + 3)]);
            a0 = a1;
            black = !black;
        } else {
            const int a2 = line[next + 1];
            writer.put(horizontalCode);
            putRun(writer, a1 - std::max(a0, 0), black);
            putRun(writer, a2 - a1, !black);
            a0 = a2;
        }
    }
}

} // namespace

std::vector<std::uint8_t> encodeCcittG4(const BilevelRows &rows)
{
    std::vector<std::uint8_t> out;
    BitWriter writer(out);
    const std::uint8_t toOneIsBlack = rows.oneIsBlack ? 0x00 : 0xFF;
    std::vector<int> reference, line;
    reference.assign(3, rows.width); // the white line above the first
    for (int y = 0; y < rows.height; ++y) {
        findChanges(rows.bits + y * rows.bytesPerRow, rows.width, toOneIsBlack, line);
        encodeLine(writer, line, reference, rows.width);
        std::swap(line, reference);
    }
    writer.put(endOfLine);
    writer.put(endOfLine);
    writer.flush();
    return out;
}

} // namespace platform
