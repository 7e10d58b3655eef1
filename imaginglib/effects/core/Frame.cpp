#include "Frame.h"

#include <algorithm>
#include <cstring>

namespace isp {

void badArgument(const char *what) { codecs::fail(codecs::ErrorCode::BadParameter, what); }

Rect completeRect(const Image &image, int left, int top, int right, int bottom)
{
    if (right == 0)
        right = image.width();
    if (bottom == 0)
        bottom = image.height();
    Rect rect{std::max(left, 0), std::max(top, 0), std::min(right, image.width()), std::min(bottom, image.height())};
    if (rect.width() <= 0 || rect.height() <= 0)
        badArgument("empty rectangle");
    return rect;
}

Progress::Progress(ILProgressProc proc, void *user) : state_(std::make_shared<State>(State{proc, user})) {}

Progress Progress::part(int from, int to) const
{
    const int span = to_ - from_;
    return Progress(state_, from_ + span * from / 100, from_ + span * to / 100);
}

bool Progress::at(std::int64_t done, std::int64_t total)
{
    if (state_->stopped)
        return false;
    const int percent = total > 0 ? from_ + int((to_ - from_) * std::min(done, total) / total) : to_;
    if (state_->proc != nullptr && percent > state_->last) {
        state_->last = percent;
        if (state_->proc(std::int16_t(percent), state_->user) == 0)
            state_->stopped = true;
    }
    return !state_->stopped;
}

Image readDib(HGLOBAL dib)
{
    GlobalLockGuard lock(dib);
    if (lock.data() == nullptr)
        badArgument("no DIB");
    return Image::fromPackedDib(lock.data(), GlobalSize(dib));
}

void requireTrueColour(const Image &image)
{
    if (image.bits() != 24 && image.bits() != 32)
        codecs::fail(codecs::ErrorCode::BadDepth, "24 or 32 bits expected");
}

HGLOBAL toGlobal(Image image) { return image.release(); }

namespace {

// Puts a changed picture back into the block it was read from (same size,
// same depth, same colour table length).
void writeBack(HGLOBAL dib, const Image &image)
{
    GlobalLockGuard lock(dib);
    // only a block that stores the picture's own rows and depth takes it back
    DibView view;
    if (dib_view_open(&view, lock.data(), GlobalSize(dib)) != DIB_OK || view.compression == BI_RLE8
        || view.compression == BI_RLE4 || !dib_view_plain_masks(&view) || int(view.bits) != image.bits()
        || view.width != image.width() || view.height != image.height())
        badArgument("picture changed shape");
    const unsigned colours = std::min(view.colour_count, unsigned(image.colourCount()));
    for (unsigned i = 0; i < colours; ++i) {
        auto *entry = const_cast<BYTE *>(view.colours) + std::size_t(i) * view.colour_bytes;
        const codecs::Rgb c = image.colour(int(i));
        entry[0] = c.blue, entry[1] = c.green, entry[2] = c.red;
        if (view.colour_bytes == 4)
            entry[3] = 0;
    }
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(const_cast<BYTE *>(dib_view_row(&view, y)), image.row(y), image.rowBytes());
}

} // namespace

ChangedDib::ChangedDib(HGLOBAL dib, ILProgressProc proc)
    : dib_(dib), lock_(dib), image_(proc == nullptr ? Image::borrow(lock_.data(), GlobalSize(dib)) : Image())
{
    if (lock_.data() == nullptr)
        badArgument("no DIB");
    if (image_.isNull())
        image_ = Image::fromPackedDib(lock_.data(), GlobalSize(dib));
}

void ChangedDib::done()
{
    if (!image_.isBorrowed())
        writeBack(dib_, image_);
}

namespace {

HGLOBAL runBody(const Image &source, const Rect &rect, void *user, ILProgressProc proc, const RectBody &body)
{
    Image target = source;
    Progress progress(proc, user);
    if (!progress.at(0, 1) || !body(source, target, rect, progress) || !progress.finish())
        return nullptr;
    return toGlobal(std::move(target));
}

} // namespace

HGLOBAL newDibEffect(HGLOBAL dib, int left, int top, int right, int bottom, void *user, ILProgressProc proc,
                     const RectBody &body)
{
    return guarded<HGLOBAL>(nullptr, [&] {
        const codecs::HeldDib held(dib);
        const Image &source = held.image();
        requireTrueColour(source);
        return runBody(source, completeRect(source, left, top, right, bottom), user, proc, body);
    });
}

HGLOBAL newDibEffect(HGLOBAL dib, void *user, ILProgressProc proc, const RectBody &body)
{
    return newDibEffect(dib, 0, 0, 0, 0, user, proc, body);
}

} // namespace isp
