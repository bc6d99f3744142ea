// Runs one of the media information's readers on arbitrary bytes, chosen when the target is built
// (ZV_FUZZ_READER): every reader must stay inside the file, end every walk and never raise.
#include "mediainfo/audio_tags.h"
#include "mediainfo/media_info.h"
#include "mediainfo/mpeg_audio.h"
#include "mediainfo/riff_info.h"
#include "mediainfo/stream_info.h"

#include "mem_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

template <class T>
void Use(const T& value) {
  volatile auto sink = value;
  (void)sink;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemFile mem(data, size);
  const std::string& name = mem.Name();
#if ZV_FUZZ_READER == 1
  zv::vtMPEGAudioTag m(name);
  Use(m.Duration);
  Use(m.ID3v2.Title.size() + m.ID3v1.Artist.size());
#elif ZV_FUZZ_READER == 2
  zv::vtOggTag o(name);
  Use(o.DurationMs());
  Use(o.Title.size());
#elif ZV_FUZZ_READER == 3
  zv::vtFLACTag f(name);
  Use(f.BitRate());
  Use(f.Artist.size());
#elif ZV_FUZZ_READER == 4
  zv::vtMonkey a(name);
  Use(a.CompressionRatio());
  Use(a.APE.Fields.size());
#elif ZV_FUZZ_READER == 5
  zv::vtMPCTag c(name);
  Use(c.Duration());
#elif ZV_FUZZ_READER == 6
  zv::vtAACTag a(name);
  Use(a.Duration());
#elif ZV_FUZZ_READER == 7
  zv::vtAC3 a(name);
  Use(a.Duration);
#elif ZV_FUZZ_READER == 8
  zv::vtWMATag w(name);
  Use(w.Duration);
  Use(w.Title.size());
#elif ZV_FUZZ_READER == 9
  zv::vtWAV w(name);
  Use(w.Duration());
  zv::vtAVITag t(name);
  Use(t.Present());
#else
  zv::TCachedFile file(name);
  zv::TMediaInfo info(file);
  info.RetreiveInfo();
  Use(info.GetInfoText().size());
  Use(info.ReplaceTAGs("%Title% %AudioFormat% %VideoFPS% %MediaType%", true).size());
  Use(info.ReplaceOSDTags("{ARTIST} {AudioFormat} {CODECS} {DURATION}").size());
#endif
  return 0;
}
