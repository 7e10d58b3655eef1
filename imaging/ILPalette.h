#pragma once
// The palettes of the effects dialog's palette page: ".ILP" palette files,
// the grey palette, and a 4- or 8-bit picture remapped onto a palette.
//
// A palette file is 1047 bytes: the signature "ilpalette 30 format" with a
// length byte in front (20 bytes), a reserved 0 byte, the number of entries
// (16 bits, little-endian) and 256 slots of red, green, blue, flags.
#include "DllSP96.h"
#include "ImagingError.h"

#include <QList>
#include <QRgb>
#include <QString>

namespace imaging {

class ILTDib;

inline constexpr qint64 kPaletteFileSize = 1047;

// A file that is there but is no palette file (wrong size, signature or count).
class EPaletteFileError : public EImagingError {
public:
    using EImagingError::EImagingError;
};

// Writes every entry of `palette` (1 to 256 of them).  Raises EImagingError
// "Could not create file!" when the file cannot be written.
void WritePaletteFile(const QString &path, const QList<QRgb> &palette);

// Sets the first entries of `palette` from the file (as many as both hold).
// Raises EImagingError "Could not open file!" when the file cannot be read
// and EPaletteFileError when it is damaged; `palette` is then unchanged.
void ReadPaletteFile(const QString &path, QList<QRgb> &palette);

// `count` greys from black to white.
QList<QRgb> GreyPalette(int count);

// Every pixel of a 4- or 8-bit DIB takes the entry of `palette` nearest to
// its colour; the palette is first ordered by the decimal text of each
// colour's 0x00BBGGRR value, repeated colours dropped, and becomes the DIB's
// colour table.  Progress goes to `callback` at each whole percent.  Raises
// EImagingError "Dib is not 8 or 4 bit" for other depths.
void RemapToPalette(ILTDib &dib, const QList<QRgb> &palette, void *userData, ILProgressProc callback);

} // namespace imaging
