#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zv {

// The popup menu as a tree, rebuilt each time it opens from the state of the moment: what the
// widget shows and what a test reads.
struct TMenuItem {
  int code = -1;       // the command an item posts; -1 for a submenu, a separator or a plain caption
  std::string caption; // a command's name, a tab, a blank and its key; "-" for a separator
  bool enabled = true, checked = false;
  int pictureX = -1, pictureY = -1; // a 16 x 16 area of the base image, -1 for none
  int category = -1;                // the cell of the skin's category pictures, -1 for none
  std::vector<TMenuItem> items;     // a submenu's items
  int dvdTitle = 0, dvdStream = -1; // a disc's title (from 1) or sound stream (from 0) it picks
  bool Separator() const { return caption == "-"; }
  bool Submenu() const { return code < 0 && !Separator() && (!items.empty() || category >= 0); }
};

// What the menu is built from.
struct TMenuFacts {
  bool fileOpen = false, video = false, dvd = false;
  int entries = 0, current = -1, selected = -1;
  bool playlistPanelShown = false, playlistExternal = false;
  bool audioProps = false; // the sound controls exist; `audioStreams` they list
  int audioStreams = 0;
  std::vector<std::string> drives;       // the mounted optical and removable volumes: item i posts 53 + i
  int dvdTitles = 0;                     // the disc's titles
  std::vector<std::string> dvdLanguages; // the names of the current title's sound streams
};

struct TMenuTexts {
  std::function<std::string(int)> commandName; // Command.NNN
  std::function<std::string(int)> key;         // the key bound to a code, empty when none
  std::function<std::string(const std::string&)> lang;
  std::function<bool(int)> checked; // the check state of a code at the moment
};

// The full menu (right click, the tray) and the playlist menu (also the full menu's Playlist
// submenu).
std::vector<TMenuItem> BuildFullMenu(const TMenuFacts& facts, const TMenuTexts& texts);
std::vector<TMenuItem> BuildPlaylistMenu(const TMenuFacts& facts, const TMenuTexts& texts);

// The first command item with `code` in the tree, or null.
const TMenuItem* FindMenuItem(const std::vector<TMenuItem>& items, int code);

// The playlist form is shown for a menu opened over the playlist's own widgets, never from the tray.
inline bool PlaylistFormWanted(bool overPlaylist, bool fromTray) { return overPlaylist && !fromTray; }

} // namespace zv
