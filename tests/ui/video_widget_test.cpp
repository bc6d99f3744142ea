#include "ui/video_widget.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <mutex>
#include <thread>

using namespace zv;

namespace {
// A solid BGRx picture kept alive by the frame.
eng::TVideoFrame SolidFrame(int w, int h, uint8_t b, uint8_t g, uint8_t r, int padding = 0) {
  int stride = w * 4 + padding;
  auto pixels = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(stride * h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = pixels->data() + y * stride + x * 4;
      p[0] = b;
      p[1] = g;
      p[2] = r;
      p[3] = 0xFF;
    }
  eng::TVideoFrame f;
  f.data = pixels->data();
  f.width = w;
  f.height = h;
  f.stride = stride;
  f.keepAlive = pixels;
  return f;
}

// Runs the event loop until the widget has painted once more than `before`.
bool PaintedAfter(const TVideoWidget& w, uint64_t before) {
  return zvtest::PumpUntil([&] { return w.FramesPainted() > before; });
}
} // namespace

TEST(VideoWidget, ShowsPicturesHandedOverFromAnotherThread) {
  TVideoWidget w;
  w.resize(200, 100);
  w.show();
  // Strides wider than the picture, as decoders give them, are honoured.
  uint64_t before = w.FramesPainted();
  std::thread t([&w] { w.PresentFrame(SolidFrame(64, 32, 0x20, 0x40, 0xC0, 16)); });
  t.join();
  ASSERT_TRUE(PaintedAfter(w, before));
  QImage shot = w.grab().toImage();
  ASSERT_EQ(shot.size(), QSize(200, 100));
  EXPECT_EQ(QColor(shot.pixel(100, 50)), QColor(0xC0, 0x40, 0x20)); // the same shape: the whole widget
  EXPECT_EQ(QColor(shot.pixel(2, 2)), QColor(0xC0, 0x40, 0x20));
  EXPECT_EQ(w.FrameSize(), QSize(64, 32));
  QImage copy = w.CurrentImage();
  EXPECT_EQ(copy.size(), QSize(64, 32));
  w.ClearFrame(); // the next paint, the grab's own, is black
  EXPECT_EQ(QColor(w.grab().toImage().pixel(100, 50)), QColor(Qt::black));
  EXPECT_TRUE(w.CurrentImage().isNull());
}

TEST(VideoWidget, ManyPicturesOneRepaintEach) {
  TVideoWidget w;
  w.resize(80, 60);
  w.show();
  zvtest::PumpFor(std::chrono::milliseconds(20));
  uint64_t before = w.FramesPainted();
  for (int i = 0; i < 100; ++i)
    w.PresentFrame(SolidFrame(8, 8, static_cast<uint8_t>(i), 0, 0));
  ASSERT_TRUE(PaintedAfter(w, before));
  zvtest::PumpFor(std::chrono::milliseconds(50)); // any further paints would come now
  // Bursts are coalesced: far fewer paints than pictures, and the last picture is the one shown.
  EXPECT_LE(w.FramesPainted() - before, 5u);
  EXPECT_EQ(qBlue(w.grab().toImage().pixel(40, 30)), 99);
}

TEST(VideoWidget, LetsMouseAndKeysThrough) {
  QWidget parent;
  parent.resize(100, 100);
  auto* w = new TVideoWidget(&parent);
  w->setGeometry(0, 0, 100, 100);
  parent.show();
  EXPECT_TRUE(w->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(parent.childAt(50, 50), nullptr); // the mouse finds the window under it, not the video
  EXPECT_FALSE(w->testAttribute(Qt::WA_NativeWindow));
}

TEST(VideoWidget, PicturesThatConvertThemselvesAreDrawnAtTheWidgetsSize) {
  // A frame in the decoder's own format: only its routine can write it out, scaled, as BGRx.
  struct TCalls {
    std::mutex lock;
    std::vector<QSize> sizes;
  };
  auto calls = std::make_shared<TCalls>();
  eng::TVideoFrame f;
  f.width = 32;
  f.height = 16;
  f.keepAlive = calls;
  f.draw = [calls](uint8_t* dst, int stride, int w, int h) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        reinterpret_cast<uint32_t*>(dst + static_cast<ptrdiff_t>(y) * stride)[x] =
            x < w / 2 ? 0xFF2040C0u : 0xFF10E010u;
    std::lock_guard<std::mutex> guard(calls->lock);
    calls->sizes.emplace_back(w, h);
    return true;
  };
  QWidget window;
  window.resize(300, 200);
  auto* w = new TVideoWidget(&window);
  w->setGeometry(50, 40, 200, 100); // not at the window's origin
  window.show();
  uint64_t before = w->FramesPainted();
  w->PresentFrame(f);
  ASSERT_TRUE(PaintedAfter(*w, before));
  {
    std::lock_guard<std::mutex> guard(calls->lock);
    ASSERT_FALSE(calls->sizes.empty());
    EXPECT_EQ(calls->sizes.back(), QSize(200, 100));
  }
  QImage shot = window.grab().toImage();
  EXPECT_EQ(QColor(shot.pixel(50 + 10, 40 + 50)), QColor(0x20, 0x40, 0xC0));
  EXPECT_EQ(QColor(shot.pixel(50 + 190, 40 + 50)), QColor(0x10, 0xE0, 0x10));
  EXPECT_EQ(QColor(shot.pixel(50 + 199, 40 + 99)), QColor(0x10, 0xE0, 0x10));
  EXPECT_NE(QColor(shot.pixel(10, 10)), QColor(0x20, 0x40, 0xC0)); // nothing written outside the widget
  EXPECT_NE(QColor(shot.pixel(260, 150)), QColor(0x10, 0xE0, 0x10));
  // A screen grab takes the picture at its own size.
  QImage own = w->CurrentImage();
  EXPECT_EQ(own.size(), QSize(32, 16));
  EXPECT_EQ(QColor(own.pixel(0, 0)), QColor(0x20, 0x40, 0xC0));
  // A routine that fails leaves black, not stale memory.
  eng::TVideoFrame broken = f;
  broken.draw = [](uint8_t*, int, int, int) { return false; };
  w->PresentFrame(broken); // painted by the grab below
  EXPECT_EQ(QColor(window.grab().toImage().pixel(50 + 100, 40 + 50)), QColor(Qt::black));
  EXPECT_TRUE(w->CurrentImage().isNull());
}

TEST(VideoWidget, PicturesKeepTheirShapeOnBlack) {
  struct Case {
    QSize area;
    int w, h, parN, parD;
    QRect expected;
  };
  const Case cases[] = {
      {{400, 300}, 320, 240, 1, 1, {0, 0, 400, 300}},
      {{400, 200}, 320, 240, 1, 1, {66, 0, 267, 200}},   // 4:3 in a wider area: bars left and right
      {{640, 480}, 720, 576, 64, 45, {0, 60, 640, 360}}, // anamorphic 16:9 PAL
      {{640, 480}, 720, 576, 16, 15, {0, 0, 640, 480}},  // 4:3 PAL
      {{1, 1000}, 1920, 1080, 1, 1, {0, 499, 1, 1}},     // never smaller than a pixel
      {{100, 100}, 64, 64, 0, 0, {0, 0, 100, 100}},      // no pixel shape given: square
      {{100, 100}, 0, 0, 1, 1, {}},                      // no picture
      {{0, 100}, 64, 64, 1, 1, {}},                      // no area
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitPicture(c.area, c.w, c.h, c.parN, c.parD), c.expected)
        << c.area.width() << "x" << c.area.height() << " " << c.w << "x" << c.h;
  // Pointer points back into the picture (a DVD's buttons): the inverse of where it is shown.
  const struct {
    QRect shown;
    QPointF at;
    std::optional<QPointF> expected;
  } points[] = {
      {{0, 60, 640, 360}, {320, 240}, QPointF(360, 288)}, // the middle of a 720 x 576 picture
      {{0, 60, 640, 360}, {0, 60}, QPointF(0, 0)},
      {{0, 60, 640, 360}, {320, 30}, std::nullopt},          // on the bar above it
      {{0, 60, 640, 360}, {640, 240}, std::nullopt},         // just past its right edge
      {{-360, -288, 1440, 1152}, {0, 0}, QPointF(180, 144)}, // zoomed in, reaching past the area
  };
  for (const auto& p : points)
    EXPECT_EQ(PicturePoint(p.shown, 720, 576, p.at), p.expected) << p.at.x() << "," << p.at.y();
  EXPECT_EQ(PicturePoint({}, 720, 576, {1, 1}), std::nullopt);
  // Painted: the picture in the middle, black around it, by both ways of drawing.
  TVideoWidget w;
  w.resize(200, 100);
  w.show();
  eng::TVideoFrame solid = SolidFrame(64, 64, 0x20, 0x40, 0xC0);
  eng::TVideoFrame converting = solid;
  converting.data = nullptr;
  converting.draw = [](uint8_t* dst, int stride, int cw, int ch) {
    for (int y = 0; y < ch; ++y)
      std::fill_n(reinterpret_cast<uint32_t*>(dst + static_cast<ptrdiff_t>(y) * stride), cw, 0xFFC04020u);
    return true;
  };
  for (const eng::TVideoFrame& f : {solid, converting}) {
    uint64_t before = w.FramesPainted();
    w.PresentFrame(f);
    ASSERT_TRUE(PaintedAfter(w, before));
    QImage shot = w.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(100, 50)), QColor(0xC0, 0x40, 0x20));
    EXPECT_EQ(QColor(shot.pixel(50, 0)), QColor(0xC0, 0x40, 0x20));
    EXPECT_EQ(QColor(shot.pixel(149, 99)), QColor(0xC0, 0x40, 0x20));
    EXPECT_EQ(QColor(shot.pixel(49, 50)), QColor(Qt::black));
    EXPECT_EQ(QColor(shot.pixel(150, 50)), QColor(Qt::black));
  }
}
