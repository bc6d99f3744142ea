#include "media_helpers.h"
#include "playback/engine/gst_engine.h"

#include <gtest/gtest.h>

using namespace eng;

// The MPEG-4 decoder is ranked out (see the test's environment): the video stays a free pin.
TEST(EngineWithoutDecoder, ARankedOutDecoderGivesAPartialRender) {
  TGstEngine engine;
  auto g = engine.CreateGraph();
  EXPECT_EQ(g->RenderFile(zvtest::Media("mpeg4_mp3.avi")), VFW_S_PARTIAL_RENDER);
  int freeVideo = 0;
  for (IFilter* f : g->EnumFilters())
    for (IPin* p : f->Pins())
      if (p->Direction() == TPinDirection::Output && !p->ConnectedTo()) {
        auto types = p->MediaTypes();
        if (!types.empty() && types[0].IsVideo()) {
          ++freeVideo;
          EXPECT_EQ(g->Render(p), VFW_E_CANNOT_RENDER); // the decodability check respects ranks too
        }
      }
  EXPECT_EQ(freeVideo, 1);
}
