// The sound against a real sound server of the test's own: its outputs listed, a playing stream
// moved from one to the other, and the master volume following the program and put back.
#include "../engine/media_helpers.h"
#include "../playback/playback_helpers.h"
#include "app/player_services.h"
#include "app/sound_global.h"
#include "map_prefs.h"
#include "playback/direct_show_helper.h"
#include "playback/engine/gst_engine.h"
#include "playback/sound_out.h"
#include "pulse_server.h"
#include "skin/language_manager.h"

#include <gtest/gtest.h>

using namespace zv;
using namespace std::chrono_literals;

namespace {

// The sinks the renderers use while the test runs: the system's default, the picture nowhere.
struct SinkEnvironment {
  std::string audio;
  SinkEnvironment() {
    const char* a = std::getenv("ZELVAR_AUDIO_SINK");
    audio = a ? a : "";
    ::unsetenv("ZELVAR_AUDIO_SINK");
    ::setenv("ZELVAR_VIDEO_SINK", "fakesink sync=true", 1);
  }
  ~SinkEnvironment() {
    ::setenv("ZELVAR_AUDIO_SINK", audio.c_str(), 1);
    ::unsetenv("ZELVAR_VIDEO_SINK");
  }
};

} // namespace

TEST(SoundServer, OutputsAreListedAStreamMovesWhilePlayingAndTheMasterVolumeComesBack) {
  zvtest::PulseServer pulse;
  ASSERT_TRUE(pulse.Ready()) << pulse.Log();
  TLanguageManager lang;
  lang.LoadFromResource("LangEn");
  SetLanguageManager(&lang);
  SinkEnvironment sinks;
  eng::TGstEngine engine;
  std::vector<std::string> names;
  for (const eng::TAudioDevice& d : engine.AudioDevices())
    names.push_back(d.name);
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names.front(), kDefaultSoundDevice);
  EXPECT_NE(std::find(names.begin(), names.end(), "Zelvar Test A"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "Zelvar Test B"), names.end());

  zvtest::MapPrefs prefs;
  zvtest::QueueDispatcher dispatcher;
  TEngineHost host;
  host.prefs = &prefs;
  host.dispatcher = &dispatcher;
  TDirectShowHelper dsh(engine, host);
  dsh.CreateBuilder();
  ASSERT_EQ(dsh.RenderFile(zvtest::Media("avi/gop10.avi")), eng::S_OK);
  dsh.Run();
  const int a = pulse.SinkIndex("zv_a"), b = pulse.SinkIndex("zv_b");
  ASSERT_TRUE(zvtest::WaitUntil([&] { return pulse.StreamSinks() == std::vector<int>{a}; }, 10s))
      << pulse.Pactl({"list", "short", "sink-inputs"}).out;

  // While it plays, the sound goes over to the other output and goes on.
  prefs.SetString("Sound.OutDevice", "Zelvar Test B");
  std::vector<std::string> osd;
  TPlayerServicesHost ph;
  ph.dsh = &dsh;
  ph.prefs = &prefs;
  ph.dispatcher = &dispatcher;
  ph.osd = [&osd](const std::string& t) { osd.push_back(t); };
  TPlayerServices services(ph);
  services.SwitchSoundOutput("Zelvar Test B");
  EXPECT_EQ(dsh.FindAudioRenderer(0)->Name(), "Forced: [Zelvar Test B]");
  EXPECT_TRUE(zvtest::WaitUntil([&] { return pulse.StreamSinks() == std::vector<int>{b}; }, 10s))
      << pulse.Pactl({"list", "short", "sink-inputs"}).out;
  const int64_t then = dsh.GetPosition();
  EXPECT_TRUE(zvtest::WaitUntil([&] { return dsh.GetPosition() > then + 5'000'000; }, 10s)) << "still playing";

  // The output goes away: the sound comes back to the default one, and the user is told.
  std::istringstream modules(pulse.Pactl({"list", "short", "modules"}).out);
  std::string module;
  for (std::string line; std::getline(modules, line);)
    if (line.find("sink_name=zv_b") != std::string::npos)
      module = line.substr(0, line.find('\t'));
  ASSERT_FALSE(module.empty());
  ASSERT_EQ(pulse.Pactl({"unload-module", module}).exitCode, 0);
  // (The server itself may move the stream first; the renderer follows on the device's news.)
  ASSERT_TRUE(zvtest::WaitUntil(
      [&] {
        dispatcher.RunAll();
        return !osd.empty();
      },
      10s));
  EXPECT_EQ(osd.back(), "The sound device went away; the sound plays on the default device.");
  EXPECT_EQ(dsh.FindAudioRenderer(0)->Name(), kDefaultSoundDevice);
  EXPECT_TRUE(zvtest::WaitUntil([&] { return pulse.StreamSinks() == std::vector<int>{a}; }, 10s))
      << pulse.Pactl({"list", "short", "sink-inputs"}).out;
  const int64_t later = dsh.GetPosition();
  EXPECT_TRUE(zvtest::WaitUntil([&] { return dsh.GetPosition() > later + 5'000'000; }, 10s)) << "still playing";
  services.FreeModels();
  dsh.FreeGraph();

  // The master volume follows the program's with Sound.VolumeMaster, and is put back at exit.
  ASSERT_EQ(pulse.Pactl({"set-sink-volume", "zv_a", "40%"}).exitCode, 0);
  prefs.SetBool("Sound.VolumeMaster", true);
  {
    TSoundGlobalHost sh;
    sh.prefs = &prefs;
    sh.engine = &engine;
    TSoundGlobal sound(sh);
    sound.SetMainVolume(85);
    EXPECT_NE(pulse.Pactl({"get-sink-volume", "zv_a"}).out.find(" 85% "), std::string::npos)
        << pulse.Pactl({"get-sink-volume", "zv_a"}).out;
  }
  EXPECT_NE(pulse.Pactl({"get-sink-volume", "zv_a"}).out.find(" 40% "), std::string::npos)
      << pulse.Pactl({"get-sink-volume", "zv_a"}).out;
  SetLanguageManager(nullptr);
}
