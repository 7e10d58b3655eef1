// Preview latency of the effects dialog on a 300-dpi A4 page (2480 × 3508,
// 24 bits), page by page: the time from the last change of a control (a
// bar moved, a box ticked, or "Aperçu" on a page without values) to the
// preview painted, against the peer measured in the same run: the page's
// effect alone, called on the same reduced copy without the dialog (no
// worker, no event loop, no painting).  Also the page's effect on the whole
// page, which decides whether it must preview within 100 ms (full page
// under 2 s) or only show progress; it runs on a copy, so every page starts
// from the same picture.  Rounds alternate between dialog and peer; the
// first round warms up and is not counted.
// Prints one row per page, then the worst five by latency.
//   effectsdialog_bench [rounds]
#include "DllSP96.h"
#include "DllSP96Frame.h"
#include "ILDibCls.h"
#include "ILPImage.h"
#include "ilfilter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPainter>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace imaging;

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Gradients, shapes and text, as a scanned page has.
GlobalBlock a4Page()
{
    QImage page(2480, 3508, QImage::Format_RGB888);
    QPainter painter(&page);
    QLinearGradient light(0, 0, 2480, 3508);
    light.setColorAt(0, QColor(200, 170, 120));
    light.setColorAt(1, QColor(40, 90, 150));
    painter.fillRect(page.rect(), light);
    painter.setBrush(QColor(30, 130, 60));
    painter.drawEllipse(QPoint(900, 1200), 600, 500);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 50));
    for (int line = 0; line < 25; ++line)
        painter.drawText(150, 2000 + line * 60, QStringLiteral("Une ligne de texte sur la page, numéro %1").arg(line));
    painter.end();
    return GlobalBlock(BitmapToDib(Bitmap(page, 24)));
}

bool settle(const TEffectForm &form, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (form.running() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return !form.running();
}

// A change of the page's first control, alternating between a third and two
// thirds of its range (values that give the effect work to do) so that every
// round is a change; false for a page with none.
bool change(TEffectPage &page, int round)
{
    if (!page.bars().empty()) {
        QSlider *bar = page.bars().front()->bar;
        const int span = bar->maximum() - bar->minimum();
        const int third = span >= 3 ? span / 3 : 0;
        bar->setValue(round % 2 ? bar->minimum() + third : bar->maximum() - third);
        return true;
    }
    if (!page.checks().empty()) {
        page.checks().front()->click();
        return true;
    }
    return false;
}

struct Row {
    QString page;
    double fullPage = 0, latency = 0, peer = 0;
};

// Milliseconds of the page's effect on a copy of `picture`, called directly.
double effectAlone(const TEffectPage &page, HGLOBAL picture, bool application)
{
    const DibSize size = sizeOf(picture);
    const TEffectWork work = page.effect({application, QSize(size.width, size.height), size.bits});
    GlobalBlock copy(ILTDib::CopyBlock(picture));
    QElapsedTimer clock;
    clock.start();
    const GlobalBlock result = work(std::move(copy), TEffectCall{});
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillon-bench"));
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    TEffectForm form;
    form.prepare({}, a4Page());
    form.show();
    form.SaveOnExitItem->setChecked(false);
    form.findChild<QComboBox *>(QStringLiteral("brShapeCombo"))->setCurrentIndex(5); // a border to preview
    std::vector<Row> rows;
    for (int index = 0; index < form.IlPages->count(); ++index) {
        auto *page = static_cast<TEffectPage *>(form.IlPages->widget(index));
        form.IlPages->setCurrentIndex(index);
        if (!page->offersPreview())
            continue; // nothing to preview: palette, paste, transitions, a border without a shape
        Row row{page->caption()};
        row.fullPage = effectAlone(*page, form.workingDib(), true);

        std::vector<double> ours, theirs;
        for (int round = 0; round <= rounds; ++round) {
            QElapsedTimer clock;
            clock.start();
            if (!change(*page, round))
                form.PreviewBtn->click();
            settle(form, 60000);
            form.PreviewImage->repaint();
            const double latency = double(clock.nsecsElapsed()) / 1e6;
            // the same effect on the reduced copy the preview starts from
            form.ReloadimageBtn->click();
            const double peer = effectAlone(*page, form.previewDib(), false);
            if (round > 0) {
                ours.push_back(latency);
                theirs.push_back(peer);
            }
        }
        row.latency = median(ours);
        row.peer = median(theirs);
        rows.push_back(row);
        std::fprintf(stderr, "%s done\n", qPrintable(row.page));
    }

    std::printf("| page | full page (ms) | preview latency (ms) | effect alone on the preview (ms) | ratio |\n");
    std::printf("|---|---|---|---|---|\n");
    for (const Row &row : rows)
        std::printf("| %s | %.0f | %.1f | %.1f | %.2f |\n", qPrintable(row.page), row.fullPage, row.latency, row.peer,
                    row.latency / std::max(row.peer, 0.01));
    std::vector<Row> worst = rows;
    std::sort(worst.begin(), worst.end(), [](const Row &a, const Row &b) { return a.latency > b.latency; });
    std::printf("\nWorst five by latency:");
    for (std::size_t i = 0; i < worst.size() && i < 5; ++i)
        std::printf(" %s (%.1f ms)%s", qPrintable(worst[i].page), worst[i].latency, i + 1 < 5 ? "," : "\n");
    int late = 0;
    for (const Row &row : rows)
        late += row.fullPage < 2000 && row.latency > 100;
    std::printf("Pages whose full page takes under 2 s but preview over 100 ms: %d\n", late);
    form.done(QDialog::Rejected);
    ReleaseImagingLibraries();
    return 0;
}
