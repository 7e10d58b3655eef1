#pragma once
// A picture as a PDF image object, with its pixels intact: black-and-white
// pictures as 1-bit (CCITT G4, or Flate when that is smaller, as it is for
// halftones), grey ones as 8-bit DeviceGray, the others as 8-bit DeviceRGB,
// Flate-compressed with PNG predictors, or JPEG when the caller prefers
// small files for colour.  A picture with transparent pixels carries its
// alpha as a soft mask.  What a picture is depends on its palette when it
// has one, on its pixels otherwise: a 1-bit scan stored in 32 bits is still
// written as 1-bit.
#include <QByteArray>
#include <QImage>

#include <optional>

namespace platform {

enum class PdfColourCoding { Lossless, Jpeg };

struct PdfImageOptions {
    PdfColourCoding colour = PdfColourCoding::Lossless;
    int jpegQuality = 85; // 0..100, for PdfColourCoding::Jpeg
};

// One stream object: its dictionary entries (without the brackets and
// without /Length) and its data.
struct PdfStream {
    QByteArray dictionary;
    QByteArray data;
};

struct PdfImageObjects {
    PdfStream image;
    std::optional<PdfStream> softMask; // to be named by the image's /SMask
};

// How a picture is written, by its pixels rather than its storage format.
enum class PdfPixels { Bilevel, Grey, Colour };
PdfPixels pdfPixelsOf(const QImage &image);

// Throws platform::Exception for a null picture.
PdfImageObjects encodePdfImage(const QImage &image, const PdfImageOptions &options);

} // namespace platform
