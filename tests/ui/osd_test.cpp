// The on-screen display: its text rules as tables, the manager's countdown and subtitle ticks,
// and the panel drawn offscreen.
#include "ui/osd_logic.h"
#include "ui/osd_manager.h"
#include "ui/osd_painter.h"
#include "ui/osd_panel.h"

#include "commands/model_manager.h"
#include "map_prefs.h"
#include "subtitle_rig.h"
#include "subtitles/subtitle_model.h"
#include "test_util.h"
#include "ui/main_window.h"
#include "ui/video_panel.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>

using namespace zv;

TEST(OsdText, LinesRunsAlignmentsAndCodePages) {
  EXPECT_EQ(OsdLines("  Hi\r\n there \r\n\r\nyou \t"), (std::vector<std::string>{" Hi ", " there ", " you "}));
  EXPECT_TRUE(OsdLines(" \r\n \t ").empty()) << "blanks only: nothing to show";

  // Tags switch the style, whatever their case; an open tag carries on to the next line.
  int style = 0;
  EXPECT_EQ(OsdRuns("a<B>b</b>c<i>d", style),
            (std::vector<TOsdRun>{{"a", 0}, {"b", kOsdBold}, {"c", 0}, {"d", kOsdItalic}}));
  EXPECT_EQ(OsdRuns("e</I><u>f", style), (std::vector<TOsdRun>{{"e", kOsdItalic}, {"f", kOsdUnderline}}));
  EXPECT_EQ(OsdRuns("<x>", style), (std::vector<TOsdRun>{{"<x>", kOsdUnderline}}));

  const int infoPos[][2] = {{0, 2}, {1, 0}, {2, 3}, {3, 4}, {4, 1}, {5, 5}, {9, 2}};
  for (const auto& [pos, alignment] : infoPos)
    EXPECT_EQ(InfoAlignment(pos), alignment) << pos;
  const int lineX[][2] = {{0, 45}, {1, 45}, {2, 5}, {3, 85}, {4, 5}, {5, 85}};
  for (const auto& [alignment, x] : lineX)
    EXPECT_EQ(OsdLineX(alignment, 200, 110), x) << alignment;
  // VPos 50: the bottom edge at the middle; 51: the top edge at 49 % from the top.
  EXPECT_EQ(SubtitleAnchor(50, 400), (TOsdAnchor{1, 200}));
  EXPECT_EQ(SubtitleAnchor(51, 400), (TOsdAnchor{0, 196}));
  EXPECT_EQ(SubtitleAnchor(5, 400), (TOsdAnchor{1, 380}));

  EXPECT_EQ(OsdText("\xCF\xF0\xE8\xE2\xE5\xF2", 204), "Привет"); // CP1251
  EXPECT_EQ(OsdText("\xB9\xE8", 238), "ąč");                     // CP1250
  EXPECT_EQ(OsdText("Привет", 204), "Привет") << "valid UTF-8 stays";
  EXPECT_EQ(OsdText("caf\xE9", 1), "café");
}

namespace {
struct View : IOsdView {
  std::vector<std::pair<int, std::string>> shown;
  bool indicator = false;
  void SetOsdText(int which, const std::string& text) override { shown.emplace_back(which, text); }
  void SetSubtitleIndicator(bool loaded) override { indicator = loaded; }
  TOsdFace OsdFace(int) const override {
    TOsdFace f;
    f.font = QFont("DejaVu Sans");
    f.font.setPixelSize(18);
    f.colour = Qt::white;
    f.alignment = alignment;
    return f;
  }
  int alignment = 0;
};
} // namespace

TEST(OsdManager, MessagesCountDownAndSubtitlesFollowThePosition) {
  zvtest::MapPrefs prefs;
  View view;
  prefs.SetInt("OSD.Info.Duration", 1);
  TOSDManager none(&prefs, &view, nullptr, nullptr);
  none.ShowInfo("Volume: 50%");
  EXPECT_EQ(none.InfoTicks(), 10);
  for (int i = 0; i < 9; ++i)
    none.Tick();
  EXPECT_EQ(none.Text(0), "Volume: 50%");
  none.ShowInfo("Volume: 50%"); // the same text again: a new countdown, nothing repainted
  EXPECT_EQ(none.InfoTicks(), 10);
  EXPECT_EQ(view.shown.size(), 1u);
  for (int i = 0; i < 10; ++i)
    none.Tick();
  EXPECT_EQ(none.Text(0), "");
  prefs.SetInt("OSD.Info.Duration", 0);
  none.ShowInfo("gone at once");
  EXPECT_EQ(none.Text(0), "");
  prefs.SetInt("OSD.Info.Duration", -3);
  none.ShowInfo("negative counts as 0");
  EXPECT_EQ(none.Text(0), "");
  prefs.SetBool("OSD.Info.Show", false);
  prefs.SetInt("OSD.Info.Duration", 4);
  none.ShowInfo("ignored");
  EXPECT_EQ(none.InfoTicks(), 0);

  // Subtitles: the text due at the engine's position, on every tick.
  zvtest::SubtitleRig rig(&prefs);
  TSubtitlesModel& subs = *rig.subs;
  const std::string srt = rig.File("a.srt", "1\n00:00:01,000 --> 00:00:02,000\nOne\n\n");
  int64_t position = 0;
  TOSDManager osd(&prefs, &view, &subs, [&] { return position; });
  osd.Tick();
  EXPECT_FALSE(view.indicator);
  subs.Stream1().Load(srt);
  position = 15'000'000;
  osd.Tick();
  EXPECT_TRUE(view.indicator);
  EXPECT_EQ(osd.Text(1), "");
  EXPECT_EQ(osd.Text(2), "One\r\n");
  position = 25'000'000;
  osd.Tick();
  EXPECT_EQ(osd.Text(2), "");
}

TEST(OsdPanel, LinesAreOutlinedAndThePanelIsShapedAroundThem) {
  QWidget area;
  area.resize(400, 300);
  TOSDPanel panel(&area);
  QFont font("DejaVu Sans");
  font.setPixelSize(16);
  panel.SetFontAndColour(font, QColor(255, 255, 0));
  panel.SetAlignment(1);
  panel.samplePicture = [] { return QColor(0, 0, 128); };
  panel.Place(0, 400, 290); // bottom edge at 290
  area.show();
  panel.SetText("First line\r\nsecond");
  ASSERT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.LineCount(), 2);
  EXPECT_EQ(panel.geometry().bottom() + 1, 290);
  EXPECT_EQ(panel.width(), 400);
  // The shape covers the lines only: not the panel's corners.
  EXPECT_FALSE(panel.Shape().contains(QPoint(1, 1)));
  EXPECT_TRUE(panel.Shape().contains(QPoint(200, panel.height() / 4)));
  const QImage image = panel.grab().toImage();
  int yellow = 0, black = 0, picture = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      yellow += c == QColor(255, 255, 0);
      black += c == QColor(0, 0, 0);
      picture += c == QColor(0, 0, 128);
    }
  EXPECT_GT(yellow, 50);
  EXPECT_GT(black, 50) << "the outline";
  EXPECT_GT(picture, 50) << "the background imitates the picture";
  // A solid background, and the top edge kept for alignment 0.
  panel.SetBackground(true, QColor(20, 20, 20));
  panel.SetAlignment(0);
  panel.Place(0, 400, 10);
  EXPECT_EQ(panel.y(), 10);
  // Blanks only hide it.
  panel.SetText("  \r\n ");
  EXPECT_FALSE(panel.isVisible());
}

TEST(OsdPanel, TheWindowPlacesItsPanelsOverThePicture) {
  zvtest::MapPrefs prefs;
  prefs.SetInt("Subtitles.Charset", 204);
  TfrMain window;
  TMainContext ctx;
  ctx.prefs = &prefs;
  window.SetContext(ctx);
  window.resize(640, 480);
  window.show();
  QWidget* video = window.Panel();
  window.SetOsdText(0, "Shift on height: 6");
  window.SetOsdText(1, "\xCF\xF0\xE8\xE2\xE5\xF2"); // CP1251 bytes
  TOSDPanel* info = window.OsdPanel(0);
  TOSDPanel* sub = window.OsdPanel(1);
  EXPECT_EQ(sub->Text(), "Привет");
  ASSERT_TRUE(info->isVisible());
  ASSERT_TRUE(sub->isVisible());
  EXPECT_EQ(info->parentWidget(), video);
  EXPECT_EQ(info->y(), 1) << "OSD.Info.Pos 1: top centre";
  // Subtitles.Pos1 5: the bottom edge 5 % above the picture's bottom.
  EXPECT_EQ(sub->geometry().bottom() + 1, 95 * video->height() / 100);
  EXPECT_FALSE(window.OsdPanel(2)->isVisible());
  // The picture grows: the panels follow.
  window.resize(800, 600);
  QCoreApplication::processEvents();
  EXPECT_EQ(sub->geometry().bottom() + 1, 95 * video->height() / 100);
  EXPECT_EQ(sub->width(), video->width());
  window.SetOsdText(1, "");
  EXPECT_FALSE(sub->isVisible());
}

TEST(OsdPainter, LettersOnTheKeyColourWithoutFringesAndTheStyleCarriesOn) {
  TOSDPainter painter;
  QFont font("DejaVu Sans");
  font.setPixelSize(18);
  font.setBold(true); // only tags set the style here
  const QImage text = painter.RenderText("Hi <i>there\r\nsecond", font, QColor(255, 255, 0), 320, 1);
  EXPECT_EQ(text.width(), 320);
  EXPECT_GE(text.height(), 2 * (QFontMetrics(font).height() + 4));
  int letters = 0, other = 0;
  for (int y = 0; y < text.height(); ++y)
    for (int x = 0; x < text.width(); ++x) {
      const QRgb p = text.pixel(x, y);
      letters += p == qRgb(255, 255, 0);
      other += p != TOSDPainter::kKey && p != qRgb(255, 255, 0);
    }
  EXPECT_GT(letters, 100);
  EXPECT_EQ(other, 0) << "every pixel is the key or the letters' colour";
  // The italic opened in that text is still on for the next one, until it is closed.
  EXPECT_EQ(painter.Style() & kOsdItalic, kOsdItalic);
  painter.RenderText("</I>plain", font, Qt::white, 320, 1);
  EXPECT_EQ(painter.Style(), 0);
  // Alignment 2 puts the line 5 pixels in from the left.
  const QImage left = painter.RenderText("x", font, Qt::white, 320, 2);
  int first = left.width();
  for (int y = 0; y < left.height(); ++y)
    for (int x = 0; x < left.width(); ++x)
      if (left.pixel(x, y) != TOSDPainter::kKey)
        first = std::min(first, x);
  EXPECT_GE(first, 5);
  EXPECT_LT(first, 20);
}

TEST(OsdManager, WithTheVideoProcessorTheTextsGoIntoThePictureAndLeaveItAfter) {
  zvtest::MapPrefs prefs;
  prefs.SetBool("OSD.WithVideo", true);
  View view;
  view.alignment = InfoAlignment(0); // top-left
  zvtest::SubtitleRig rig(&prefs);
  TSubtitlesModel& subs = *rig.subs;
  subs.Stream0().Load(rig.File("a.srt", "1\n00:00:01,000 --> 00:00:09,000\nSub\n\n"));
  auto overlay = std::make_shared<TYVOSD>();
  std::shared_ptr<TYVOSD> processor = overlay;
  TOSDManager osd(&prefs, &view, &subs, [] { return int64_t{20'000'000}; });
  osd.SetVideoOut({[&] { return processor; },
                   [](int& w, int& h) {
                     w = 320;
                     h = 240;
                     return true;
                   }});
  osd.ShowInfo("Hello");
  osd.Tick();
  ASSERT_TRUE(osd.VideoMode());
  std::vector<TYVOSD::TItem> items = overlay->Items();
  ASSERT_EQ(items.size(), 2u) << "information, then stream 0";
  EXPECT_EQ(items[0].x, 1);
  EXPECT_EQ(items[0].y, 0);
  EXPECT_EQ(items[0].image->width, 320);
  // VPos 5 of 240 lines: the bottom edge 12 lines above the picture's bottom.
  EXPECT_EQ(items[1].y + items[1].image->height, 228);
  for (const auto& [which, text] : view.shown)
    EXPECT_EQ(text, "") << which << ": the panels stay hidden";
  // Blended, the letters are there, and the information panel's top-left alignment puts the
  // subtitle on the left too.
  std::vector<uint8_t> frame(320 * 240 * 2, 0);
  overlay->Blend(frame.data(), frame.size(), 320, 240, 640);
  int first = 320, lit = 0;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x)
      if (frame[(y * 320 + x) * 2] != 0) {
        ++lit;
        first = std::min(first, x);
      }
  EXPECT_GT(lit, 50);
  EXPECT_LT(first, 30);

  // OSD.WithVideo off: the list is emptied and the panels show the texts again.
  prefs.SetBool("OSD.WithVideo", false);
  view.shown.clear();
  osd.Tick();
  EXPECT_FALSE(osd.VideoMode());
  EXPECT_TRUE(overlay->Items().empty());
  EXPECT_NE(std::find(view.shown.begin(), view.shown.end(), std::make_pair(0, std::string("Hello"))), view.shown.end());
  // Back on, then the processor leaves with its graph: the panels take over without a new text.
  prefs.SetBool("OSD.WithVideo", true);
  osd.Tick();
  EXPECT_EQ(overlay->Items().size(), 2u);
  processor.reset();
  overlay.reset();
  view.shown.clear();
  osd.Tick();
  EXPECT_FALSE(osd.VideoMode());
  EXPECT_NE(std::find(view.shown.begin(), view.shown.end(), std::make_pair(1, std::string("Sub\r\n"))),
            view.shown.end());
}
