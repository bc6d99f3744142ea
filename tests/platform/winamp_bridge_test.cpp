// The bridge's messages, and a plug-in built by the tests loaded from the "WinAMP" folder.
#include "platform/winamp_bridge.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace zv;

TEST(WinAMPBridge, CommandsPostTheirCodesQuestionsAreAnsweredAndPluginsTalkBack) {
  std::vector<int> posted;
  bool playing = true;
  TWinAMPHost host;
  host.post = [&](int code) { posted.push_back(code); };
  host.playing = [&] { return playing; };
  host.currentIndex = [] { return 3; };
  host.currentFile = [] { return std::string("/media/film.avi"); };
  host.currentTitle = [] { return std::string("Film"); };
  TWinAMP bridge(host, ZV_BRIDGE_HOME, false);
  EXPECT_EQ(bridge.Name(), "WA2ZV");
  EXPECT_EQ(TWinAMP(host, "", true).Name(), "Winamp v1.x");
  struct Case {
    uintptr_t command;
    std::vector<int> codes;
  } cases[] = {{40048, {250}}, {40047, {105, 156}}, {40060, {152}}, {40144, {153}}, {40001, {453}}, {12345, {}}};
  for (const Case& c : cases) {
    posted.clear();
    EXPECT_EQ(bridge.Message(ZV_BRIDGE_COMMAND, c.command, 0), 0);
    EXPECT_EQ(posted, c.codes) << c.command;
  }
  EXPECT_EQ(bridge.Message(ZV_BRIDGE_USER, 0, 0), 0x2000);
  EXPECT_EQ(bridge.Message(ZV_BRIDGE_USER, 0, 104), 1);
  EXPECT_EQ(bridge.Message(ZV_BRIDGE_USER, 0, 125), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(bridge.Message(ZV_BRIDGE_USER, 0, 212)), "Film");
  playing = false;
  EXPECT_EQ(bridge.Message(ZV_BRIDGE_USER, 0, 104), 0) << "paused";
  EXPECT_EQ(bridge.Message(ZV_BRIDGE_USER, 0, 211), 0) << "no file while not playing";

  // The plug-in asks for the next entry and the file's name when it starts, and pauses when it quits.
  playing = true;
  posted.clear();
  bridge.StartPlugins();
  EXPECT_EQ(bridge.PluginNames(), (std::vector<std::string>{"Zelvar test plug-in"}));
  EXPECT_EQ(posted, (std::vector<int>{250, 401}));
  bridge.ConfigurePlugin(5); // no such plug-in: nothing
  bridge.StopPlugins();
  EXPECT_EQ(posted, (std::vector<int>{250, 401, 105}));
  EXPECT_TRUE(bridge.PluginNames().empty());
  EXPECT_EQ(zelvar_bridge_send(nullptr, ZV_BRIDGE_USER, 0, 0), 0) << "an unknown handle is answered with nothing";
}
