// Speed of the filter dialogs on an A4 page at 300 dpi (BenchPage.h):
//  - preview latency of the six colour dialogs: a slider dragged in ten
//    steps 20 ms apart, then the time from the last step until the preview
//    control has painted the picture for that position;
//  - the time of each of the ten filters on the whole page, applied as the
//    main window does (into a second image, with the progress window), and
//    the most memory the process held during the apply beyond what it held
//    before (the page itself being held already).
// Prints one line per measure: "preview NAME MEDIAN_MS FIRST_MS" (FIRST: from
// opening the dialog to the first preview painted) and "apply NAME MEDIAN_MS
// PEAK_MB CPU_MS" (CPU: the processor time of all threads, less disturbed by
// other work on the machine than the elapsed time).
//
//   filter_dialog_bench [runs [--apply-only [NAME]]]
//   filter_dialog_bench --peer-files DIR   writes what the libvips peer needs
//       to do the same work: a lookup table per table filter (NAME.ppm, 256 x 1)
//       and a mask per convolution filter (NAME.mat), see compare-vips.sh
//   filter_dialog_bench --results DIR   writes each filter's result on the page
//       (NAME.ppm), to compare the pixels of two builds
#include "BenchPage.h"
#include "PGBasicFilters.h"
#include "PGFilterApply.h"
#include "PGFilterDialogForm.h"
#include "PGFilterPreview.h"
#include "PGImage.h"

#include <Modal.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSlider>
#include <QThread>

#include <fstream>
#include <string>

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

const char *const names[TBasicFilterDialogs::EntryCount] = {"RGB",     "CMY",    "YCbCr",  "HLS",    "HSV",
                                                            "BCG",     "Sharpen", "Detail", "Smooth", "Contour"};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void runEventsFor(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

void runEventsUntil(const std::function<bool()> &done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
}

// The values a user might choose; setting them and running each dialog once makes its filter.
void chooseValues(TBasicFilterDialogs &dialogs)
{
    dialogs.RGBFilterDialog1->SetRed(20);
    dialogs.RGBFilterDialog1->SetGreen(-10);
    dialogs.RGBFilterDialog1->SetBlue(5);
    dialogs.CMYFilterDialog1->SetCyan(10);
    dialogs.CMYFilterDialog1->SetMagenta(-20);
    dialogs.CMYFilterDialog1->SetYellow(15);
    dialogs.YCbCrFilterDialog1->SetY(10);
    dialogs.YCbCrFilterDialog1->SetCb(20);
    dialogs.YCbCrFilterDialog1->SetCr(-20);
    dialogs.HLSFilterDialog1->SetH(30);
    dialogs.HLSFilterDialog1->SetL(10);
    dialogs.HLSFilterDialog1->SetS(20);
    dialogs.HSVFilterDialog1->SetH(30);
    dialogs.HSVFilterDialog1->SetS(20);
    dialogs.HSVFilterDialog1->SetV(10);
    dialogs.BCGFilterDialog1->SetBrightness(10);
    dialogs.BCGFilterDialog1->SetContrast(1.5L);
    dialogs.BCGFilterDialog1->SetGamma(0.8L);
    const TPixelGraphic tiny;
    const platform::ScopedModalRunner ok([](QDialog &) { return int(QDialog::Accepted); });
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry)
        dialogs.Execute(entry, tiny);
}

// Opens the dialog on the page and drags its first slider Rounds times.
void measurePreview(TBasicFilterDialogs &dialogs, int entry, int rounds)
{
    std::vector<double> latencies;
    double first = 0;
    QElapsedTimer opened;
    const platform::ScopedModalRunner drag([&](QDialog &window) {
        auto &form = dynamic_cast<TFilterDialogForm &>(window);
        TPGImage &control = *form.PreviewControl();
        bool newPicture = false, painted = false;
        control.OnPixelGraphicChange = [&](TPGImage *) { newPicture = true; };
        control.PicBoxOnPaint = [&](TPGImage *) { painted = painted || newPicture; };
        form.show();
        runEventsUntil([&] { return painted; });
        first = double(opened.nsecsElapsed()) / 1e6;
        QSlider &bar = *form.findChild<QSlider *>(QStringLiteral("TrackBar1"));
        for (int round = 0; round < rounds; ++round) {
            const int direction = round % 2 ? -1 : 1;
            for (int step = 1; step <= 10; ++step) {
                bar.setValue(direction * step * 5);
                if (step < 10)
                    runEventsFor(20);
            }
            QElapsedTimer sinceLastMove;
            sinceLastMove.start();
            newPicture = painted = false;
            runEventsUntil([&] { return painted; });
            latencies.push_back(double(sinceLastMove.nsecsElapsed()) / 1e6);
        }
        return int(QDialog::Rejected); // the chosen values stay for the apply measures
    });
    const TPixelGraphic &picture = page(); // read from its file the first time, before the clock starts
    opened.start();
    dialogs.Execute(entry, picture);
    std::printf("preview %s %.1f %.1f\n", names[entry - 1], median(latencies), first);
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long statusKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0 && line[std::string(field).size()] == ':')
            return std::atol(line.c_str() + std::string(field).size() + 1);
    return 0;
}

// Makes the process's peak memory its present memory, so that VmHWM then
// tells the most held since.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Processor time of the whole process so far, in milliseconds.
double processorMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

void measureApply(TBasicFilterDialogs &dialogs, int entry, int runs)
{
    TPGImage holder;
    std::vector<double> times, peaks, processor;
    for (int run = -1; run < runs; ++run) { // run -1 warms the memory up, unmeasured
        auto picture = std::make_unique<TPixelGraphic>();
        picture->Assign(&page());
        holder.SetPixelGraphic(std::move(picture));
        resetPeak();
        const long before = statusKb("VmRSS");
        const double startedMs = processorMs();
        QElapsedTimer clock;
        clock.start();
        ApplyFilterWithProgress(holder, dialogs.Dialog(entry).Filter(), dialogs.Dialog(entry).Title(), nullptr);
        if (run < 0)
            continue;
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        processor.push_back(processorMs() - startedMs);
        peaks.push_back(double(statusKb("VmHWM") - before) / 1024);
    }
    std::printf("apply %s %.1f %.1f %.1f\n", names[entry - 1], median(times), median(peaks), median(processor));
}

// Each filter's result on the page as a binary PPM.
void writeResults(TBasicFilterDialogs &dialogs, const QString &folder)
{
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry) {
        TPGImage holder;
        auto picture = std::make_unique<TPixelGraphic>();
        picture->Assign(&page());
        holder.SetPixelGraphic(std::move(picture));
        ApplyFilterWithProgress(holder, dialogs.Dialog(entry).Filter(), dialogs.Dialog(entry).Title(), nullptr);
        const TPixelGraphic &result = *holder.PixelGraphic();
        QByteArray ppm = QStringLiteral("P6\n%1 %2\n255\n").arg(result.Width()).arg(result.Height()).toLatin1();
        for (int y = 0; y < result.Height(); ++y)
            for (int x = 0; x < result.Width(); ++x) {
                const TRGB colour = result.GetPixelColor(x, y);
                ppm.append(char(RedOf(colour))).append(char(GreenOf(colour))).append(char(BlueOf(colour)));
            }
        QFile file(folder + QLatin1String(names[entry - 1]) + QStringLiteral(".ppm"));
        if (!file.open(QIODevice::WriteOnly) || file.write(ppm) != ppm.size())
            std::exit(1);
    }
}

// A 256 x 1 colour image whose column i holds what the filter makes of (i, i, i).
void writeLookupTable(const QString &path, TPGFilter &filter)
{
    QByteArray ppm("P6\n256 1\n255\n");
    filter.Init(&page()); // the tone curve is built here
    for (int i = 0; i < 256; ++i) {
        const TRGB colour = filter.FilterColor(MakeRGB(i, i, i));
        ppm.append(char(RedOf(colour))).append(char(GreenOf(colour))).append(char(BlueOf(colour)));
    }
    filter.Done();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ppm) != ppm.size())
        std::exit(1);
}

// libvips computes sum / scale + offset; ours is Scale x sum / weights + Bias
// in channel units.  Where Scale is a multiple of the weights (contour) the
// kernel is multiplied instead, so that libvips stays in integers as we do.
void writeMask(const QString &path, const TConvFilter &filter)
{
    int64_t weights = 0;
    for (int row = 0; row < filter.Height(); ++row)
        for (int col = 0; col < filter.Width(); ++col)
            weights += filter.Kernel(col, row);
    long double scale = weights / filter.Scale;
    int64_t factor = 1;
    if (scale != std::truncl(scale)) {
        factor = std::llround(filter.Scale / weights);
        scale = 1;
    }
    QByteArray mat = QStringLiteral("%1 %2 %3 %4\n")
                         .arg(filter.Width())
                         .arg(filter.Height())
                         .arg(double(scale), 0, 'g', 17)
                         .arg(double(filter.Bias * 255 / 100), 0, 'g', 17)
                         .toLatin1();
    for (int row = 0; row < filter.Height(); ++row) {
        for (int col = 0; col < filter.Width(); ++col)
            mat.append(QByteArray::number(factor * filter.Kernel(col, row))).append(' ');
        mat.append('\n');
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(mat) != mat.size())
        std::exit(1);
}

} // namespace

int main(int argc, char **argv)
{
    // Large blocks taken from and given back to the system each time, so that
    // the memory the process holds is the memory in use.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    PGLanguage = pglFrench;
    TBasicFilterDialogs dialogs;
    chooseValues(dialogs);
    if (argc == 3 && QByteArray(argv[1]) == "--peer-files") {
        const QString folder = QString::fromLocal8Bit(argv[2]) + QLatin1Char('/');
        for (int entry : {1, 2, 6})
            writeLookupTable(folder + QLatin1String(names[entry - 1]) + QStringLiteral(".ppm"),
                             dialogs.Dialog(entry).Filter());
        for (int entry = 7; entry <= TBasicFilterDialogs::EntryCount; ++entry)
            writeMask(folder + QLatin1String(names[entry - 1]) + QStringLiteral(".mat"),
                      static_cast<TConvFilter &>(dialogs.Dialog(entry).Filter()));
        return 0;
    }
    if (argc == 3 && QByteArray(argv[1]) == "--results") {
        writeResults(dialogs, QString::fromLocal8Bit(argv[2]) + QLatin1Char('/'));
        return 0;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const bool previews = argc < 3 || QByteArray(argv[2]) != "--apply-only";
    for (int entry = 1; previews && entry <= 6; ++entry)
        measurePreview(dialogs, entry, runs);
    const QByteArray only = argc > 3 ? QByteArray(argv[3]) : QByteArray();
    for (int entry = 1; entry <= TBasicFilterDialogs::EntryCount; ++entry)
        if (only.isEmpty() || only == names[entry - 1])
            measureApply(dialogs, entry, runs);
    return 0;
}
