// Inputs that once crashed a reader or made it take gigabytes, kept as
// files under regressions/<Format>/ and read again by every run: each must
// end in a codec error, through its own codec and through probing alike,
// without the process's memory growing by more than a small image's worth.
#include "Codec.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <map>

using namespace codecs;

namespace {

const std::map<std::string, Format> kFolders = {
    {"Bmp", Format::Bmp}, {"Png", Format::Png}, {"Jpeg", Format::Jpeg}, {"Tiff", Format::Tiff},
    {"Gif", Format::Gif}, {"Pcx", Format::Pcx}, {"Tga", Format::Tga},   {"Eps", Format::Eps},
    {"Dxf", Format::Dxf}, {"Pcd", Format::Pcd}, {"Pnm", Format::Pnm}};

constexpr long kMostGrowthKb = 256 * 1024;

// The most memory the process has held so far.
long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(Regressions, EveryKeptInputEndsInAnError)
{
    int files = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(QUILLON_REGRESSIONS_DIR)) {
        if (!entry.is_regular_file() || entry.path().filename() == "README.md")
            continue;
        const std::string folder = entry.path().parent_path().filename().string();
        ASSERT_TRUE(kFolders.count(folder)) << "no format for the folder " << folder;
        const std::string path = entry.path().string();
        const std::vector<std::uint8_t> bytes = readWholeFile(path);
        const long before = peakKb();
        EXPECT_THROW(codec(kFolders.at(folder)).read(bytes, {}), Error) << path;
        EXPECT_THROW(readFile(path), Error) << path;
        EXPECT_LT(peakKb() - before, kMostGrowthKb) << path;
        ++files;
    }
    EXPECT_GE(files, 5);
}

} // namespace
