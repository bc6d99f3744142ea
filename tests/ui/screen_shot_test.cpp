// Screen shots of a generated film: decoded anew by the engine, written as BMP, turned into JPEG.
#include "../engine/media_helpers.h"
#include "map_prefs.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "skin/bitmap32.h"
#include "test_util.h"
#include "ui/main_window.h"
#include "ui/screen_shot.h"

#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <filesystem>

using namespace zv;
namespace fs = std::filesystem;

TEST(ScreenShot, NamesAndFoldersFollowTheMediaAndThePreferences) {
  const struct {
    const char* media;
    const char* base;
  } names[] = {
      {"/films/film.avi", "film"},
      {"/films/film.part1.avi", "film.part1"},
      {"/films/.hidden.avi", "hidden"},
      {"/films/...", "shot"},
      {"http://example.org/live/stream.m3u8?token=1", "stream"},
      {"http://example.org/", "example"},
      {"/films/a\tb\\c.mkv", "a_b_c"},
  };
  for (const auto& n : names)
    EXPECT_EQ(ScreenShotBase(n.media), n.base) << n.media;
  EXPECT_EQ(ScreenShotName("film", 37'234'560'000), "film.1-02-03.456.bmp"); // 1:02:03.456

  zvtest::TempDir dir;
  const std::string docs = dir.str() + "/Documents/", shots = dir.str() + "/Shots";
  fs::create_directories(docs);
  fs::create_directories(shots);
  const struct {
    std::string pref;
    bool related;
    std::string folder;
  } folders[] = {
      {"", false, docs},
      {"  " + shots + "  ", false, shots + "/"},
      {dir.str() + "/missing", false, docs},
      {"{MyDocs}", false, docs},
      {shots, true, shots + "/film/"},
      {"", true, docs + "film/"},
      {dir.str() + "/missing", true, docs + "film/"}, // the checked folder is the parent
  };
  for (const auto& f : folders)
    EXPECT_EQ(ScreenShotFolder(f.pref, docs, f.related, "film"), f.folder) << f.pref << " " << f.related;
}

TEST(ScreenShot, TheFilmsPictureBecomesABottomUpBmpAndThenAJpeg) {
  eng::TGstEngine engine;
  TEngineHost host;
  TDirectShowHelper dsh(engine, host);
  zvtest::TempDir dir;
  const std::string bmp = dir.file("film.0-00-01.000.bmp");
  ASSERT_TRUE(dsh.Snapshot(zvtest::Media("mpeg4_mp3.avi"), bmp, 10'000'000));
  const std::string bytes = zvtest::ReadFile(bmp);
  ASSERT_GT(bytes.size(), 54u);
  const auto at = [&](size_t offset) {
    int32_t v = 0;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
  };
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(at(18), 320);
  EXPECT_EQ(at(22), 240); // positive: the bottom row comes first
  EXPECT_EQ(bytes[28], 24);
  const size_t data = static_cast<size_t>(at(10)), row = 320 * 3;
  ASSERT_EQ(bytes.size(), data + row * 240);
  // Stored blue, green, red. The test pattern's bottom left is a dark blue, its top left a light grey.
  const auto pixel = [&](int x, int storedRow) {
    const size_t o = data + static_cast<size_t>(storedRow) * row + static_cast<size_t>(x) * 3;
    return std::array<int, 3>{static_cast<uint8_t>(bytes[o]), static_cast<uint8_t>(bytes[o + 1]),
                              static_cast<uint8_t>(bytes[o + 2])};
  };
  auto bottom = pixel(5, 2), top = pixel(5, 237);
  EXPECT_GT(bottom[0], bottom[2] + 20) << "blue above red at the bottom";
  EXPECT_GT(top[0], 150);
  EXPECT_NEAR(top[0], top[2], 20);

  const std::string jpg = ConvertShotToJpeg(bmp);
  EXPECT_EQ(jpg, dir.file("film.0-00-01.000.jpg"));
  EXPECT_FALSE(fs::exists(bmp)) << "the BMP goes once the JPEG is whole";
  QImage back(QString::fromStdString(jpg));
  EXPECT_EQ(back.size(), QSize(320, 240));
  EXPECT_GT(QColor(back.pixel(5, 2)).red(), 150);

  // What cannot be converted stays a BMP; a file without a picture gives no screen shot.
  const std::string broken = dir.file("broken.bmp");
  zvtest::WriteFile(broken, "BM not really");
  EXPECT_EQ(ConvertShotToJpeg(broken), broken);
  EXPECT_TRUE(fs::exists(broken));
  EXPECT_FALSE(dsh.Snapshot(zvtest::Media("cbr.mp3"), dir.file("sound.bmp"), 0));
  EXPECT_FALSE(fs::exists(dir.file("sound.bmp")));
}

TEST(ScreenShot, TheSkinShotIsTheWindowAtHalfSizeInsideItsFrame) {
  zvtest::MapPrefs prefs;
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  window.SetContext(ctx);
  window.resize(400, 300);
  window.show();
  zvtest::TempDir dir;
  ASSERT_TRUE(window.SaveSkinShot(dir.file("skin.bmp")));
  const QImage grab = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::optional<TBitmap32> shot = ReadBmp(zvtest::ReadFile(dir.file("skin.bmp")));
  ASSERT_TRUE(shot.has_value());
  ASSERT_EQ(shot->Width(), (grab.width() - 6) / 2);
  ASSERT_EQ(shot->Height(), (grab.height() - 6) / 2);
  // Each pixel is its 2 x 2 block's average, channel by channel.
  for (QPoint at : {QPoint(0, 0), QPoint(shot->Width() / 2, shot->Height() - 1), QPoint(shot->Width() - 1, 10)}) {
    int sum[3] = {};
    for (int dy = 0; dy < 2; ++dy)
      for (int dx = 0; dx < 2; ++dx) {
        const QColor c = grab.pixelColor(3 + 2 * at.x() + dx, 3 + 2 * at.y() + dy);
        sum[0] += c.red();
        sum[1] += c.green();
        sum[2] += c.blue();
      }
    const uint32_t p = shot->Pixel(at.x(), at.y());
    EXPECT_EQ(static_cast<int>((p >> 16) & 0xFF), sum[0] / 4) << at.x() << "," << at.y();
    EXPECT_EQ(static_cast<int>((p >> 8) & 0xFF), sum[1] / 4);
    EXPECT_EQ(static_cast<int>(p & 0xFF), sum[2] / 4);
  }
}
