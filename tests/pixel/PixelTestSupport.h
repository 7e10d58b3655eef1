#pragma once
// Helpers shared by the pixel-graphics tests.
#include "PGMessages.h"
#include "PGPixelGraphic.h"

#include <QBuffer>
#include <QByteArray>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

// Selects a language for one test and restores the previous one.
class ScopedLanguage {
public:
    explicit ScopedLanguage(uint8_t language) : previous_(PGLanguage) { PGLanguage = language; }
    ~ScopedLanguage() { PGLanguage = previous_; }
    ScopedLanguage(const ScopedLanguage &) = delete;
    ScopedLanguage &operator=(const ScopedLanguage &) = delete;
private:
    uint8_t previous_;
};

// The message of the EPixelGraphic-derived exception E thrown by `action`; fails the test otherwise.
template <typename E> QString messageOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const E &error) {
        return error.Message();
    } catch (const std::exception &other) {
        ADD_FAILURE() << "unexpected exception: " << other.what();
        return {};
    }
    ADD_FAILURE() << "no exception";
    return {};
}

// Appends the bytes of a packed record or value.
template <typename T> void append(QByteArray &bytes, const T &value)
{
    bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
}

inline QByteArray streamOf(const TPixelGraphic &graphic)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    graphic.SaveToStream(buffer);
    return buffer.data();
}

inline void loadBytes(TPixelGraphic &graphic, QByteArray bytes, const QString &extension = {})
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    graphic.LoadFromStreamAs(buffer, extension, 0);
}

// A 24-bit image whose pixel (x, y) is colour(x, y).
inline void fill24(TPixelGraphic &graphic, int width, int height, const std::function<TRGB(int, int)> &colour)
{
    graphic.SetFormat(width, height, pg24Bit);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            graphic.SetPixel(x, y, colour(x, y));
}
