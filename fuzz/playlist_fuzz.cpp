// Reads arbitrary bytes as a playlist file of one format, chosen when the target is built
// (ZV_FUZZ_LIST): the reader must end, add only names, and leave the list consistent.
#include "core/text_util.h"
#include "mem_file.h"
#include "playlist/playlist.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

namespace {

struct Prefs : zv::IPrefs {
  std::map<std::string, std::string> v;
  std::string GetString(std::string_view p) override { return v[std::string(p)]; }
  void SetString(std::string_view p, std::string_view value) override { v[std::string(p)] = value; }
  bool GetBool(std::string_view p) override { return GetString(p) == "1"; }
  void SetBool(std::string_view p, bool b) override { SetString(p, b ? "1" : "0"); }
  int32_t GetInt(std::string_view p) override { return zv::StrToIntDef(GetString(p), 0); }
  void SetInt(std::string_view p, int32_t i) override { SetString(p, std::to_string(i)); }
};

struct Host : zv::IPlaylistHost {
  std::unique_ptr<zv::IPlaylistPlayer> CreatePlayer(zv::TPlayList&) override { return nullptr; }
  int64_t OpenedDuration() override { return -1; }
  void ExecCommand(int) override {}
  void PostCommand(int) override {}
  void Defer(std::function<void()>) override {}
  void ProcessEvents() override {}
  std::string FileType(const std::string&) override { return "A"; }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemFile mem(data, size);
  const std::string& name = mem.Name();
  Prefs prefs;
  Host host;
  zv::TPlayList list(prefs, host);
#if ZV_FUZZ_LIST == 1
  list.AddFromZVP(name);
#elif ZV_FUZZ_LIST == 2
  list.AddFromM3U(name);
#elif ZV_FUZZ_LIST == 3
  list.AddFromPLS(name);
#elif ZV_FUZZ_LIST == 4
  list.AddFromLST(name);
#else
  list.AddFromASX(name);
#endif
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).FileName.empty())
      std::abort();
  return 0;
}
