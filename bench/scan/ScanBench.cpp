// A 300-dpi colour A4 page from SANE's test backend, scanned alternately
// through the whole TWAIN session of TcsTwainScan (Acquire, to the page in
// OnMemoryReady) and by `scanimage` writing the same page to a file; prints
// the median times and the ratio ours / scanimage.  SANE's test backend
// draws its default picture (solid black) for both.
//   scan_bench [runs]
#include "MessageBox.h"
#include "csTwainScan.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// The scanner's geometry and the A4 frame the component asks for, in millimetres.
const char *const TestConf = "number_of_devices 1\nresolution 300.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n";
constexpr double FrameWidthMm = 209.0;
constexpr double FrameHeightMm = 296.0;

bool writeFile(const QString &path, const char *text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == qint64(qstrlen(text));
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One Acquire; returns milliseconds, or a negative value when no page came.
double scanWithComponent(QWidget &owner)
{
    TcsTwainScan scan(&owner);
    scan.SetPixelType(pxRGB);
    scan.SetResolution(300);
    scan.SetFeederEnabled(false);
    qint64 pageBytes = 0;
    QObject::connect(&scan, &TcsTwainScan::OnMemoryReady,
                     [&pageBytes](QObject *, HGLOBAL dib) { pageBytes = qint64(GlobalSize(dib)); });
    QElapsedTimer timer;
    timer.start();
    const bool acquired = scan.Acquire();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return acquired && pageBytes > 0 ? ms : -1;
}

double scanWithScanimage(const QString &output)
{
    QProcess process;
    process.setStandardOutputFile(output);
    QElapsedTimer timer;
    timer.start();
    process.start(QStringLiteral("scanimage"),
                  {QStringLiteral("--device-name=test:0"), QStringLiteral("--mode=Color"),
                   QStringLiteral("--resolution=300"), QStringLiteral("--format=pnm"), QStringLiteral("-l"),
                   QStringLiteral("0"), QStringLiteral("-t"), QStringLiteral("0"), QStringLiteral("-x"),
                   QString::number(FrameWidthMm), QStringLiteral("-y"), QString::number(FrameHeightMm)});
    const bool ok = process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    return ok ? ms : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    // Both sides see only the test backend, through a folder of our own.
    QTemporaryDir config;
    if (!config.isValid() || !writeFile(config.filePath(QStringLiteral("dll.conf")), "test\n")
        || !writeFile(config.filePath(QStringLiteral("test.conf")), TestConf)) {
        std::fprintf(stderr, "scan_bench: cannot write the SANE configuration\n");
        return 1;
    }
    qputenv("SANE_CONFIG_DIR", QFile::encodeName(config.path()));

    // Failures are printed, never shown in a box that waits for a click.
    platform::MessageRecorder messages;
    platform::ScopedMessageService service(&messages);
    QWidget owner;

    // Run 0 warms both sides up (libraries loaded, page memory mapped) and is not counted.
    std::vector<double> ours, theirs;
    for (int i = 0; i <= runs; ++i) {
        const double mine = scanWithComponent(owner);
        const double peer = scanWithScanimage(config.filePath(QStringLiteral("page.pnm")));
        if (mine < 0 || peer < 0) {
            std::fprintf(stderr, "scan_bench: a scan failed (%s)\n",
                         mine < 0 ? qPrintable(messages.texts().join(QStringLiteral(" / "))) : "scanimage");
            return 1;
        }
        if (i == 0)
            continue;
        ours.push_back(mine);
        theirs.push_back(peer);
    }
    const double a = median(ours), b = median(theirs);
    std::printf("%-28s %12s %14s %8s\n", "operation", "ours (ms)", "scanimage (ms)", "ratio");
    std::printf("%-28s %12.1f %14.1f %8.2f\n", "A4 colour 300 dpi, 1 page", a, b, a / b);
    return 0;
}
