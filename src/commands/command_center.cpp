#include "commands/command_center.h"

#include "core/format.h"
#include "core/text_util.h"
#include "prefs/prefs_setup.h"
#include "prefs/xml_tree.h"
#include "skin/language_manager.h"

#include <utility>

namespace zv {

TCommandCenter::TCommandCenter(IPrefs& prefs, ICommandPoster& poster) : prefs_(prefs), poster_(poster) {
  LoadFromPrefs();
}

const std::vector<TCommandCategory>& TCommandCenter::Categories() {
  static const std::vector<TCommandCategory> kCategories = {{50, 3},   {100, 7}, {150, 10}, {200, 8},  {250, 18},
                                                            {300, 21}, {350, 7}, {400, 6},  {450, 10}, {500, 3}};
  return kCategories;
}

std::vector<int> TCommandCenter::AllCodes() {
  std::vector<int> codes;
  for (const TCommandCategory& c : Categories())
    for (int i = 0; i < c.count; ++i)
      codes.push_back(c.first + i);
  return codes;
}

bool TCommandCenter::IsCommandCode(int code) {
  for (const TCommandCategory& c : Categories())
    if (code >= c.first && code < c.first + c.count)
      return true;
  return false;
}

std::string TCommandCenter::PrefKey(int code) { return Format("Command.c%.3d", code); }

void TCommandCenter::Define(int code, std::string_view key, std::string_view button) {
  for (auto it = table_.rbegin(); it != table_.rend(); ++it)
    if (it->code == code) {
      it->key = key;
      it->button = button;
      return;
    }
  table_.push_back(TCommandEntry{code, std::string(key), std::string(button)});
}

void TCommandCenter::ClearAll() {
  for (int code : AllCodes())
    Define(code, "", "");
}

namespace {
std::pair<std::string, std::string> SplitBinding(std::string_view value) {
  size_t bar = value.find('|');
  if (bar == std::string_view::npos)
    return {std::string(value), std::string()};
  return {std::string(value.substr(0, bar)), std::string(value.substr(bar + 1))};
}
} // namespace

void TCommandCenter::LoadDefaults() {
  ClearAll();
  TXMLTree doc;
  doc.LoadFromString(DefaultPrefsDocument());
  TXMLNode* section = doc.Root() ? doc.Root()->FindChild("Command") : nullptr;
  if (!section)
    return;
  for (int code : AllCodes()) {
    auto [key, button] = SplitBinding(section->GetAttr(Format("c%.3d", code)));
    Define(code, key, button);
  }
}

namespace {
using TPreset = std::vector<std::pair<int, const char*>>;
const std::vector<std::pair<std::string, TPreset>>& Presets() {
  static const std::vector<std::pair<std::string, TPreset>> kPresets = {
      {"BS Player",
       {{50, "L"},        {101, "X"},       {102, "C"},       {105, "V"},      {152, "Right"},  {153, "Left"},
        {157, "Alt+I"},   {200, "H"},       {201, "Alt+E"},   {202, "F"},      {203, "5"},      {204, "Ctrl+A"},
        {250, "B"},       {251, "Z"},       {301, "P"},       {302, "1"},      {303, "2"},      {304, "3"},
        {305, "Shift+1"}, {306, "Shift+2"}, {307, "Shift+3"}, {312, "="},      {313, "-"},      {350, "Ctrl+L"},
        {351, "S"},       {401, "Up"},      {402, "Down"},    {403, "Ctrl+M"}, {450, "Ctrl+P"}, {453, "Alt+F4"}}},
      {"Sasami", {{50, "Ctrl+O"},  {101, "Ctrl+2"},    {102, "Space"},     {103, "Ctrl+3"}, {152, "Right"},
                  {153, "Left"},   {156, "Ctrl+Home"}, {202, "Alt+Enter"}, {204, "Ctrl+T"}, {250, "PageDown"},
                  {251, "PageUp"}, {253, "Insert"},    {263, "R"},         {302, "Alt+1"},  {303, "Alt+2"},
                  {304, "Alt+3"},  {350, "Alt+O"},     {403, "Ctrl+End"},  {450, "Ctrl+P"}, {453, "Alt+F4"}}},
      {"Windows Media Player",
       {{50, "Ctrl+O"},
        {102, "Space"},
        {103, "Ctrl+Right"},
        {105, "."},
        {152, "PageDown"},
        {153, "PageUp"},
        {156, "Ctrl+Left"},
        {202, "Alt+Enter"},
        {204, "Ctrl+T"},
        {250, "Alt+Right"},
        {251, "Alt+Left"},
        {302, "Alt+1"},
        {303, "Alt+2"},
        {304, "Alt+3"},
        {401, "Up"},
        {402, "Down"},
        {403, "Ctrl+M"},
        {453, "Alt+F4"}}},
      {"Zoom Player",
       {{50, "O"},          {51, "I"},       {102, "P"},       {103, "F"},       {105, "A"},       {150, "Shift+."},
        {151, "Shift+,"},   {152, "."},      {153, ","},       {154, "Alt+."},   {155, "Alt+,"},   {156, "W"},
        {200, "Alt+Space"}, {201, "Alt+L"},  {203, "`"},       {204, "Alt+T"},   {250, "]"},       {251, "["},
        {254, "Alt+D"},     {257, "Alt+C"},  {260, "Ctrl+R"},  {263, "Alt+P"},   {264, "B"},       {300, "D"},
        {301, "Alt+F"},     {303, "Alt+2"},  {304, "Alt+3"},   {312, "+"},       {313, "-"},       {314, "Alt+F5"},
        {315, "Ctrl+F5"},   {316, "Alt+F6"}, {317, "Ctrl+F6"}, {351, "Shift+B"}, {400, "Shift+A"}, {401, "Shift+Home"},
        {402, "Shift+End"}, {403, "Ctrl+M"}, {450, "Ctrl+O"},  {453, "Alt+X"}}},
  };
  return kPresets;
}
} // namespace

const std::vector<std::string>& TCommandCenter::PresetNames() {
  static const std::vector<std::string> kNames = [] {
    std::vector<std::string> names;
    for (const auto& p : Presets())
      names.push_back(p.first);
    return names;
  }();
  return kNames;
}

bool TCommandCenter::LoadPreset(std::string_view name) {
  for (const auto& [presetName, keys] : Presets()) {
    if (presetName != name)
      continue;
    ClearAll();
    for (const auto& [code, key] : keys)
      Define(code, key, "");
    return true;
  }
  return false;
}

void TCommandCenter::LoadFromPrefs() {
  for (int code : AllCodes()) {
    auto [key, button] = SplitBinding(prefs_.GetString(PrefKey(code)));
    Define(code, key, button);
  }
}

void TCommandCenter::SaveToPrefs() {
  for (const TCommandEntry& e : table_)
    if (IsCommandCode(e.code))
      prefs_.SetString(PrefKey(e.code), e.key + "|" + e.button);
}

namespace {
// A key text names a key only when something is left after its modifier prefixes: "Ctrl+" alone
// is what pressing Ctrl gives, and must never run a command.
bool NamesAKey(std::string_view key) {
  for (std::string_view prefix : {"Ctrl+", "Alt+", "Shift+"})
    if (StartsText(prefix, key))
      key.remove_prefix(prefix.size());
  return !key.empty();
}
} // namespace

int TCommandCenter::Find(std::string_view key, std::string_view button) const {
  if (!NamesAKey(key))
    key = {};
  int found = -1;
  for (const TCommandEntry& e : table_) {
    if ((!key.empty() && SameText(key, e.key)) || (!button.empty() && SameText(button, e.button)))
      found = e.code;
  }
  return found;
}

std::string TCommandCenter::GetKey(int code) const {
  for (auto it = table_.rbegin(); it != table_.rend(); ++it)
    if (it->code == code)
      return it->key;
  return {};
}

std::string TCommandCenter::GetButton(int code) const {
  for (auto it = table_.rbegin(); it != table_.rend(); ++it)
    if (it->code == code)
      return it->button;
  return {};
}

std::string TCommandCenter::CommandName(int code) { return Lang(Format("Command.%.3d", code)); }

std::string TCommandCenter::CategoryName(int index) { return Lang(Format("Command.Category.%d", index)); }

void TCommandCenter::ExecKey(std::string_view keyName) {
  if (keyName.empty())
    return;
  int code = Find(keyName, "");
  Post(code);
}

void TCommandCenter::ExecButton(std::string_view button) {
  std::string name(button);
  if (captureHook && captureHook(name))
    return;
  int code = Find("", name);
  if (code == -1) {
    if (prefs_.GetBool("Modules.WinLIRC.ShowUnhandled") && showOSD)
      showOSD("WinLIRC command: [ " + name + " ]");
    return;
  }
  Post(code);
}

const std::vector<std::pair<const char*, int>>& PostingLinks() {
  static const std::vector<std::pair<const char*, int>> kLinks = {{"Application.OpenPlayPause", 102},
                                                                  {"PlayList.OpenFiles", 50},
                                                                  {"PlayList.Prev", 251},
                                                                  {"PlayList.Next", 250},
                                                                  {"Window.FullScreen", 202},
                                                                  {"Window.Original", 203},
                                                                  {"Player.FrameStep", 150},
                                                                  {"Player.SpeedPlay", 103},
                                                                  {"Player.ScreenShot", 301},
                                                                  {"Window.FileInfo", 51},
                                                                  {"Window.Filters", 104},
                                                                  {"Window.AudioProps", 400},
                                                                  {"Window.VideoProps", 300},
                                                                  {"Window.SubProps", 352},
                                                                  {"App.Minimize", 205},
                                                                  {"PList.ShowMarks", 264}};
  return kLinks;
}

const std::vector<std::pair<const char*, int>>& HintLinks() {
  static const std::vector<std::pair<const char*, int>> kHints = {
      {"App.About", 452},         {"App.StayOnTop", 204},   {"App.Minimize", 205},      {"Window.FullScreen", 202},
      {"App.Exit", 453},          {"App.SuperPlay", 102},   {"Player.FrameStep", 150},  {"Player.SpeedPlay", 103},
      {"PlayList.OpenFiles", 50}, {"Window.Original", 203}, {"PlayList.Prev", 251},     {"Window.PlayList", 201},
      {"PlayList.Next", 250},     {"Audio.Mute", 403},      {"Window.AudioProps", 400}, {"Window.VideoProps", 300},
      {"Player.ScreenShot", 301}, {"Window.SubProps", 352}, {"Window.Filters", 104},    {"Window.FileInfo", 51},
      {"App.Prefs", 450},         {"PList.Play", 252},      {"PList.AddFiles", 253},    {"PList.Remove", 255},
      {"PList.MoveUp", 258},      {"PList.Shuffle", 260},   {"PList.ShowMarks", 264},   {"PList.Repeat", 263},
      {"PList.AddDir", 254},      {"PList.Clear", 256},     {"PList.MoveDown", 259},    {"PList.Report", 262},
      {"PList.Save", 257}};
  return kHints;
}

int PostingLinkCode(std::string_view link) {
  for (const auto& [name, code] : PostingLinks())
    if (SameText(name, link))
      return code;
  return -1;
}

int LinkHintCode(std::string_view link) {
  for (const auto& [name, code] : HintLinks())
    if (SameText(name, link))
      return code;
  return -1;
}

std::string LinkHintKey(std::string_view link) {
  int code = LinkHintCode(link);
  return code < 0 ? std::string() : Format("Command.%.3d", code);
}

} // namespace zv
