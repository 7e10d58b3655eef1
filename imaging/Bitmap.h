#pragma once
// The program's bitmap: a QImage together with the bit depth it stands for
// (1, 4, 8, 16, 24 or 32), because several algorithms branch on the depth
// and QImage has no 4-bit format.  Each depth has one QImage format:
//   1 Mono, 4 and 8 Indexed8 (4 bits: at most 16 colours), 16 RGB555,
//   24 BGR888, 32 RGB32
// so that rows copy byte for byte to and from DIB rows.
#include <QImage>

namespace imaging {

class Bitmap {
public:
    Bitmap() = default;
    // Converts `image` to the format of `bitCount` when it is not in it yet.
    Bitmap(const QImage &image, int bitCount) { assign(image, bitCount); }

    bool isEmpty() const { return image_.isNull(); }
    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    int bitCount() const { return bitCount_; }
    const QImage &image() const { return image_; }
    QImage &image() { return image_; }

    void assign(const QImage &image, int bitCount);
    void clear();

    static QImage::Format formatFor(int bitCount);
    // The depth a picture of the program stands for: 1 for monochrome, 4 or
    // 8 for a palette (4 when at most 16 colours), 16 for RGB555, else 24.
    static int bitCountOf(const QImage &image);
    static Bitmap of(const QImage &image) { return Bitmap(image, bitCountOf(image)); }

private:
    QImage image_;
    int bitCount_ = 0;
};

} // namespace imaging
