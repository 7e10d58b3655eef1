// The annotation exports of libcrde2000.so, through their C interface.
#include "crde2000.h"

#include <QFile>
#include <QPoint>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

struct Window {
    std::vector<uint32_t> pixels;
    ILSurface surface{};
    int flushes = 0;

    Window(int width, int height) : pixels(std::size_t(width) * std::size_t(height), 0xFFFFFF)
    {
        surface = {reinterpret_cast<uint8_t *>(pixels.data()), width, height, width * 4, &Window::flush, this};
    }
    uint32_t at(int x, int y) const { return pixels[std::size_t(y) * std::size_t(surface.width) + std::size_t(x)] & 0xFFFFFF; }
    void clear() { std::fill(pixels.begin(), pixels.end(), 0xFFFFFF); }
    static void flush(void *user, int32_t, int32_t, int32_t, int32_t) { ++static_cast<Window *>(user)->flushes; }
};

int32_t point(int x, int y) { return int32_t(uint32_t(uint16_t(x)) | uint32_t(uint16_t(y)) << 16); }

struct Layer : testing::Test {
    int component = 0;
    Window window{80, 60};
    std::vector<int> done;
    QTemporaryDir dir;

    void SetUp() override
    {
        ASSERT_EQ(InitAnnotation(&component, &window.surface, this, QFile::encodeName(dir.filePath("il_anno.ini")).constData(),
                                 [](void *self, int32_t index) { static_cast<Layer *>(self)->done.push_back(index); },
                                 nullptr, nullptr, nullptr, nullptr),
                  1);
    }
    void TearDown() override { DestroyAnnotation(&component); }

    void drag(int tool, QPoint from, QPoint to)
    {
        MenuMsg(&component, tool);
        MouseMon(&component, IL_ANNO_LBUTTONDOWN, 0, point(from.x(), from.y()));
        MouseMon(&component, IL_ANNO_MOUSEMOVE, 0, point(to.x(), to.y()));
        MouseMon(&component, IL_ANNO_LBUTTONUP, 0, point(to.x(), to.y()));
    }
    void draw(int originX = 0, int originY = 0, double zoom = 1.0)
    {
        window.clear();
        ASSERT_EQ(DrawAnnotation(&component, originX, originY, zoom, 0, 0), 1);
    }
};

} // namespace

TEST_F(Layer, MouseDrawsShapesThatFollowTheView)
{
    MenuMsg(&component, IL_ANNO_CMD_COLOUR + 12); // blue
    draw();
    drag(IL_ANNO_TOOL_LINE, {5, 10}, {40, 10});
    EXPECT_EQ(done, std::vector<int>{0});
    EXPECT_GT(window.flushes, 0);
    draw();
    EXPECT_EQ(window.at(20, 10), 0x0000FFu);
    EXPECT_EQ(window.at(20, 11), 0xFFFFFFu);
    // twice the zoom from origin (5, 0): the line lies at y 20 from x 0 to 70
    draw(5, 0, 2.0);
    EXPECT_EQ(window.at(60, 20), 0x0000FFu);
    EXPECT_EQ(window.at(20, 10), 0xFFFFFFu);
    // a click without a drag makes nothing
    draw();
    drag(IL_ANNO_TOOL_RECTANGLE, {50, 50}, {50, 50});
    EXPECT_EQ(done.size(), 1u);
    // a press on the line reports it; deleting the selection removes it
    EXPECT_EQ(MouseMon(&component, IL_ANNO_RBUTTONDOWN, 0, point(20, 11)), 0);
    EXPECT_EQ(MouseMon(&component, IL_ANNO_RBUTTONDOWN, 0, point(20, 40)), -1);
    MenuMsg(&component, IL_ANNO_TOOL_SELECT);
    MouseMon(&component, IL_ANNO_LBUTTONDOWN, 0, point(20, 10));
    MouseMon(&component, IL_ANNO_LBUTTONUP, 0, point(20, 10));
    EXPECT_EQ(MenuMsg(&component, IL_ANNO_CMD_DELETE), 1);
    draw();
    EXPECT_EQ(window.at(20, 10), 0xFFFFFFu);
    EXPECT_EQ(MenuMsg(&component, 999), IL_ERR_BAD_PARAMETER);
}

TEST_F(Layer, FilesKeepOnePageBlockEach)
{
    const QByteArray file = QFile::encodeName(dir.filePath("a.ant"));
    draw();
    drag(IL_ANNO_TOOL_ELLIPSE, {10, 10}, {30, 30});
    ASSERT_EQ(SaveAnnotation(&component, 1, file.constData()), 1);
    ClearAnnotation(&component);
    drag(IL_ANNO_TOOL_HIGHLIGHT, {0, 0}, {79, 59});
    ASSERT_EQ(SaveAnnotation(&component, 2, file.constData()), 1);
    ASSERT_EQ(LoadAnnotation(&component, 1, file.constData()), 1);
    draw();
    EXPECT_EQ(window.at(50, 50), 0xFFFFFFu);
    ASSERT_EQ(LoadAnnotation(&component, 2, file.constData()), 1);
    draw();
    EXPECT_EQ(window.at(50, 50), 0xFFFF7Fu); // half yellow over white
    ASSERT_EQ(LoadAnnotation(&component, 7, file.constData()), 1);
    draw();
    EXPECT_EQ(window.at(50, 50), 0xFFFFFFu);

    QFile damaged(dir.filePath("bad.ant"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("QUILLON-ANNOTATIONS 1\npage 1\n2 255 1 2\n");
    damaged.close();
    EXPECT_EQ(LoadAnnotation(&component, 1, QFile::encodeName(damaged.fileName()).constData()), IL_ERR_DAMAGED);
    EXPECT_EQ(LoadAnnotation(&component, 1, QFile::encodeName(dir.filePath("none.ant")).constData()), IL_ERR_CANNOT_OPEN);
}

TEST_F(Layer, UnknownComponentsAndSettings)
{
    int other = 0;
    EXPECT_EQ(ClearAnnotation(&other), IL_ERR_BAD_PARAMETER);
    EXPECT_EQ(MouseMon(&other, IL_ANNO_LBUTTONDOWN, 0, 0), -1);
    EXPECT_EQ(InitAnnotation(&other, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
              IL_ERR_BAD_PARAMETER);
    MenuMsg(&component, IL_ANNO_TOOL_FREEHAND);
    ASSERT_EQ(DestroyAnnotation(&component), 1);
    EXPECT_EQ(QSettings(dir.filePath("il_anno.ini"), QSettings::IniFormat).value("Annotation/Tool").toInt(),
              IL_ANNO_TOOL_FREEHAND);
    EXPECT_EQ(DrawAnnotation(&component, 0, 0, 1.0, 0, 0), IL_ERR_BAD_PARAMETER);
    // started again, the layer remembers its tool
    Window again(10, 10);
    ASSERT_EQ(InitAnnotation(&component, &again.surface, nullptr, QFile::encodeName(dir.filePath("il_anno.ini")).constData(),
                             nullptr, nullptr, nullptr, nullptr, nullptr),
              1);
    DrawAnnotation(&component, 0, 0, 1.0, 0, 0);
    MouseMon(&component, IL_ANNO_LBUTTONDOWN, 0, point(1, 1));
    MouseMon(&component, IL_ANNO_MOUSEMOVE, 0, point(3, 1));
    MouseMon(&component, IL_ANNO_MOUSEMOVE, 0, point(3, 5));
    MouseMon(&component, IL_ANNO_LBUTTONUP, 0, point(8, 5));
    again.clear();
    DrawAnnotation(&component, 0, 0, 1.0, 0, 0);
    EXPECT_NE(again.at(3, 3), 0xFFFFFFu); // a freehand line turns the corner
}
