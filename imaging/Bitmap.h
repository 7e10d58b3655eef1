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
    // The image at the depth its format stands for: 1 for mono images, 8 for
    // colour tables, 16 for 5-5-5 and 5-6-5, 24 for the rest (transparent
    // parts made white).
    static Bitmap fromImage(const QImage &image);
    void clear();

    static QImage::Format formatFor(int bitCount);

private:
    QImage image_;
    int bitCount_ = 0;
};

} // namespace imaging
