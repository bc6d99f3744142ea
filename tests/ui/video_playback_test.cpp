#include "../engine/media_helpers.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "ui/qt_dispatcher.h"
#include "ui/video_widget.h"

#include "qt_test_util.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace zv;

TEST(VideoPlayback, TheWidgetShowsTheFilmAndEventsArriveOnTheLoop) {
  eng::TGstEngine engine;
  TQtDispatcher dispatcher;
  TEngineHost host;
  host.dispatcher = &dispatcher;
  TDirectShowHelper dsh(engine, host);
  TVideoWidget w;
  w.resize(320, 240);
  w.show();
  dsh.CreateBuilder();
  ASSERT_EQ(dsh.RenderFile(zvtest::Media("mpeg4_mp3.avi")), eng::S_OK);
  dsh.SetOwner(&w);
  bool complete = false;
  dsh.SetCompletionCallback([&] { complete = true; });
  dsh.Run();
  // A picture from the middle of the film, then its end.
  ASSERT_TRUE(zvtest::PumpUntil([&] { return w.FramesPainted() >= 10; }));
  QImage middle = w.grab().toImage();
  EXPECT_TRUE(zvtest::PumpUntil([&] { return complete; })) << "the end of the stream reached the user-interface thread";
  EXPECT_GE(w.FramesPainted(), 20u);
  ASSERT_FALSE(middle.isNull());
  // The test picture has coloured bars: the top left is not black.
  QColor c(middle.pixel(10, 10));
  EXPECT_GT(c.red() + c.green() + c.blue(), 200) << c.name().toStdString();
  dsh.SetOwner(nullptr);
  dsh.FreeGraph();
}

TEST(VideoPlayback, AnAnamorphicFilmKeepsItsShape) {
  eng::TGstEngine engine;
  TQtDispatcher dispatcher;
  TEngineHost host;
  host.dispatcher = &dispatcher;
  TDirectShowHelper dsh(engine, host);
  TVideoWidget w;
  w.resize(320, 240); // 4:3, so a 16:9 picture has bars above and below
  w.show();
  dsh.CreateBuilder();
  ASSERT_EQ(dsh.RenderFile(zvtest::Media("anamorphic.mkv")), eng::S_OK);
  dsh.SetOwner(&w);
  dsh.Run();
  zvtest::PumpUntil([&] { return w.FramesPainted() >= 3; });
  QImage shot = w.grab().toImage();
  QSize frameSize = w.FrameSize();
  dsh.SetOwner(nullptr);
  dsh.FreeGraph();
  ASSERT_GE(w.FramesPainted(), 3u);
  EXPECT_EQ(frameSize, QSize(720, 576));
  // 320 x 180 in the middle: black from row 0 to 29 and from 210 on.
  for (int y : {2, 28, 212, 237})
    EXPECT_EQ(QColor(shot.pixel(160, y)), QColor(Qt::black)) << y;
  for (int y : {40, 120, 200}) {
    QColor c(shot.pixel(160, y));
    EXPECT_GT(c.red() + c.green() + c.blue(), 60) << y << " " << c.name().toStdString();
  }
}
