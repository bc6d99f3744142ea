// The picture geometry: where the picture goes for each aspect, zoom and pan, and how the zoom
// models move together.
#include "playback/video_props.h"

#include "commands/model_manager.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(VideoProps, BoundsForEachAspectZoomAndPan) {
  TModelManager models;
  int vw = 0, vh = 0;
  TVideoPropsModel props(models, [&](int& w, int& h) {
    w = vw;
    h = vh;
    return vw > 0;
  });
  struct Case {
    int vw, vh, W, H, ax, ay, zoom, panX, panY;
    TVideoBounds want;
  } cases[] = {
      {640, 480, 800, 450, 0, 0, 100, 0, 0, {100, 0, 700, 450}},     // the height fitted
      {640, 480, 800, 450, 1, 0, 100, 0, 0, {0, -75, 800, 525}},     // by width
      {640, 480, 800, 450, 0, 1, 100, 0, 0, {100, 0, 700, 450}},     // by height
      {720, 576, 1024, 576, 16, 9, 100, 0, 0, {0, 0, 1024, 576}},    // 16:9 of a PAL frame
      {100, 100, 200, 200, 0, 0, 200, 0, 0, {-100, -100, 300, 300}}, // zoom from the centre
      {100, 100, 200, 200, 0, 0, 200, 10, -5, {-90, -105, 310, 295}},
      {640, 480, 0, 450, 0, 0, 100, 0, 0, {}}, // no panel
      {0, 0, 800, 450, 0, 0, 100, 0, 0, {}},   // no picture
      {640, 480, 800, 450, 47, 20, 100, 0, 0, {0, 55, 800, 395}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.vw << "x" << c.vh << " in " << c.W << "x" << c.H << " " << c.ax << ":"
                                    << c.ay);
    vw = c.vw;
    vh = c.vh;
    props.SetAspectRatio(c.ax, c.ay);
    props.SetZoom(c.zoom, c.zoom);
    props.MoveOffset(c.panX - props.PanX(), c.panY - props.PanY());
    EXPECT_EQ(props.VideoBounds(c.W, c.H), c.want);
  }
}

TEST(VideoProps, ZoomAxesLinkedOrFreeAndTheModelsBroughtBackIntoRange) {
  TModelManager models;
  TVideoPropsModel props(models, nullptr);
  int geometry = 0;
  models.Subscribe("App.VideoProps.Geometry", THandlerKey::Tagged(&geometry, 0), [&] { ++geometry; });
  props.AdjustZoom(400, 0);
  EXPECT_EQ(props.ZoomX(), 300);
  EXPECT_EQ(props.ZoomY(), 300);
  EXPECT_GT(geometry, 0) << "each change renews the geometry model";
  props.SetZoom(120, 80);
  EXPECT_EQ(props.ZoomX(), 120);
  EXPECT_EQ(props.ZoomY(), 120);
  props.AdjustZoom(0, 10); // only y moved: both take it
  EXPECT_EQ(props.ZoomX(), 130);
  props.SetAspectRatio(-1, -1);
  props.SetZoom(120, 80);
  EXPECT_EQ(props.ZoomX(), 120);
  EXPECT_EQ(props.ZoomY(), 80);
  // A slider outside the range is brought back, and the model reads the same.
  props.SetAspectRatio(0, 0);
  models.SetInt("App.VideoProps.ZoomX", 20);
  EXPECT_EQ(models.GetInt("App.VideoProps.ZoomX"), 50);
  EXPECT_EQ(models.GetInt("App.VideoProps.ZoomY"), 50);
  models.Execute("App.VideoProps.ZoomReset");
  EXPECT_EQ(props.ZoomX(), 100);
  EXPECT_EQ(props.ZoomY(), 100);
  models.Unsubscribe("App.VideoProps.Geometry", THandlerKey::Tagged(&geometry, 0));
}
