#pragma once

#include "playback/engine/engine.h"

#include <string>

namespace eng {

// The engine over GStreamer. Creating it initialises GStreamer once for the process and registers
// the program's own elements.
class TGstEngine : public IEngine {
public:
  TGstEngine();
  std::unique_ptr<IGraph> CreateGraph() override;
  std::shared_ptr<IFilter> CreateFilter(const TGuid& classId) override;
  std::string ErrorText(HRESULT code) override { return StandardErrorText(code); }
  std::string FilterFriendlyName(const TGuid& classId) override;
};

// Known filter classes.
namespace classes {
extern const TGuid AsyncFileReader;     // {E436EBB5-524F-11CE-9F53-0020AF0BA770}
extern const TGuid AviSplitter;         // {1B544C20-FD0B-11CE-8C63-00AA0044B51E}
extern const TGuid DirectSoundRenderer; // {79376820-07D0-11CF-A24D-0020AFD79767}
extern const TGuid WaveOutRenderer;     // {E30629D1-27E5-11CE-875D-00608CB78066}
extern const TGuid VideoRenderer;       // {70E102B0-5556-11CE-97C0-00AA0055595A}
extern const TGuid NullRenderer;        // {C1F400A4-3F08-11D3-9F0B-006008039E37}
extern const TGuid Mpeg3Decoder;        // {38BE3000-DBF4-11D0-860E-00A024CFEF6D}
extern const TGuid DivXDecoder;         // {78766964-0000-0010-8000-00AA00389B71}
extern const TGuid XviDDecoder;         // {64697678-0000-0010-8000-00AA00389B71}
} // namespace classes

// The class identifier of a GStreamer element factory: a known class where the program's rules
// name one, otherwise a stable identifier derived from the factory's name.
TGuid ClassOfFactory(const std::string& factoryName);

// The sink elements the renderers use: the environment's choice (ZELVAR_AUDIO_SINK,
// ZELVAR_VIDEO_SINK, an element name or a launch description) or the defaults.
std::string AudioSinkDescription();
std::string VideoSinkDescription();

} // namespace eng
