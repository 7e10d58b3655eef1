// libFuzzer entry for one reader, built once per format (QUILLON_FUZZ_FORMAT):
// any input must end in an image or a codecs::Error, never a crash or a hang.
#include "Codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const codecs::Codec &reader = codecs::codec(codecs::Format::QUILLON_FUZZ_FORMAT);
    const std::span<const std::uint8_t> file(data, size);
    try {
        reader.readInfo(file, {});
    } catch (const codecs::Error &) {
    }
    try {
        reader.read(file, {});
    } catch (const codecs::Error &) {
    }
    return 0;
}
