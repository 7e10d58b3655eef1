#pragma once
// Readers and writers of JPEG, PNG, PCX, PBM/PGM/PPM, TGA and TIFF for the file format
// registry, as thin adapters over the shared codecs.
#include "PGBmpExchange.h"

void AddCodecFileFormatReaders(TFileFormatReaders &Readers);
void AddCodecFileFormatWriters(TFileFormatWriters &Writers);
