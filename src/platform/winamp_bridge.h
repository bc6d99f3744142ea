#pragma once

#include "platform/winamp_plugin.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zv {

struct TWinAMPHost {
  std::function<void(int code)> post;
  std::function<bool()> playing; // playing, not paused, stopped or in fast play
  std::function<int()> currentIndex;
  // The current entry's file name and title while playing.
  std::function<std::string()> currentFile, currentTitle;
};

// The bridge that tools and plug-ins made for another player talk to: the messages it answers
// post the player's commands or tell its state; plug-ins from the program's "WinAMP" folder run
// inside the program and send it messages through zelvar_bridge_send.
class TWinAMP {
public:
  // `emulate`: the bridge goes by the other player's own name ("Winamp v1.x") instead of "WA2ZV".
  TWinAMP(TWinAMPHost host, std::string exeDir, bool emulate);
  ~TWinAMP();
  TWinAMP(const TWinAMP&) = delete;
  TWinAMP& operator=(const TWinAMP&) = delete;

  const std::string& Name() const { return name_; }
  // The answer to a message (0 where the message has none). A text's address stays valid until the
  // next message.
  intptr_t Message(unsigned message, uintptr_t first, intptr_t second);

  void StartPlugins();
  void StopPlugins();
  std::vector<std::string> PluginNames() const;
  void ConfigurePlugin(int index);
  // The handle plug-ins are given.
  void* Handle() { return this; }

private:
  struct TPlugin {
    void* library;
    zv_general_plugin* record;
  };
  TWinAMPHost host_;
  std::string exeDir_;
  std::string name_;
  std::vector<TPlugin> plugins_;
  std::string text_; // the last text answered
};

} // namespace zv
