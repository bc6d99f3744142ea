#include "platform/global_keys.h"

#include "commands/command_codes.h"
#include "core/session_log.h"
#include "core/text_util.h"

#include <QSocketNotifier>
#include <algorithm>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace zv {

const std::vector<THotKeyAction>& HotKeyActions() {
  static const std::vector<THotKeyAction> kActions = {
      {"Воспроизведение / Пауза", "Player.PlayPause", cmdPlayPause, "Ctrl+Alt+Space"},
      {"Перемотка вперед", "Seek.Forward", cmdSeekForward, "Ctrl+Alt+Right"},
      {"Перемотка назад", "Seek.Backward", cmdSeekBackward, "Ctrl+Alt+Left"},
      {"Прыжок вперед", "Seek.JumpForward", cmdJumpForward, "Ctrl+Shift+Right"},
      {"Прыжок назад", "Seek.JumpBackward", cmdJumpBackward, "Ctrl+Shift+Left"},
      {"Прибавить громкость", "Sound.VolumeUp", cmdVolumeUp, "Ctrl+Alt+Up"},
      {"Убавить громкость", "Sound.VolumeDown", cmdVolumeDown, "Ctrl+Alt+Down"},
      {"Отключить звук", "Sound.Mute", cmdMute, "Ctrl+Alt+M"},
      {"Предыдущий в списке", "PlayList.Prev", cmdPrevious, "Ctrl+Alt+PageUp"},
      {"Следующий в списке", "PlayList.Next", cmdNext, "Ctrl+Alt+PageDown"},
      {"Свернуть / Развернуть", "App.Minimize", cmdMinimize, "Ctrl+Alt+End"},
      {"Анти-шеф", "App.HideFromBoss", cmdHideEverything, "Alt+`"},
  };
  return kActions;
}

std::string ActionOfStoredName(std::string_view storedName) {
  for (const THotKeyAction& a : HotKeyActions())
    if (storedName == a.storedName)
      return a.action;
  return "wrong result";
}

int CodeOfAction(std::string_view action) {
  for (const THotKeyAction& a : HotKeyActions())
    if (SameText(action, a.action))
      return a.code;
  return 0;
}

bool& HotKeysSuppressed() {
  static bool suppressed = false;
  return suppressed;
}

TGlobalKeys::TGlobalKeys(std::unique_ptr<IHotKeyBackend> backend, const std::vector<TStoredKey>& keys,
                         std::function<void(int)> post)
    : backend_(std::move(backend)), post_(std::move(post)) {
  if (!backend_)
    Log("GlobalKeys: no X11 display, no hot keys");
  else
    backend_->onHotKey = [this](int id) { OnHotKey(id); };
  for (const TStoredKey& k : keys)
    AddHotKey(k.key, ActionOfStoredName(k.name));
}

TGlobalKeys::~TGlobalKeys() { UnregisterHotKeys(); }

bool TGlobalKeys::AddHotKey(const std::string& key, const std::string& action) {
  auto [it, fresh] = ids_.emplace(key, static_cast<int>(ids_.size()) + 1);
  const int id = it->second;
  Log(" = Hotkey: " + key + ", Command: " + action);
  TParsedKey parsed = ParseHotKey(key);
  // The command table writes Backspace as "BkSp".
  if (parsed.vk == 0) {
    const size_t plus = key.rfind('+');
    if (key.substr(plus == std::string::npos ? 0 : plus + 1) == "BkSp")
      parsed.vk = 8;
  }
  // A key text without a key (empty, or modifiers alone) would take the modifier for the whole desktop.
  if (key.empty() || key.back() == '+')
    parsed.vk = 0;
  bool ok = false;
  if (parsed.vk != 0 && backend_) {
    ok = !fresh || backend_->Register(id, parsed.state, parsed.vk);
    if (ok && fresh)
      registered_.push_back(id);
  }
  Log(ok ? " = RegisterHotKey: successful!" : " = RegisterHotKey: fail!");
  entries_.emplace_back(id, action);
  return ok;
}

void TGlobalKeys::ExecAction(const std::string& action) {
  if (HotKeysSuppressed())
    return;
  if (const int code = CodeOfAction(action); code != 0 && post_)
    post_(code);
}

void TGlobalKeys::OnHotKey(int id) {
  // Copied: an action may end the module.
  const std::vector<std::pair<int, std::string>> entries = entries_;
  for (const auto& [entry, action] : entries)
    if (entry == id)
      ExecAction(action);
}

void TGlobalKeys::UnregisterHotKeys() {
  if (backend_)
    for (int id : registered_)
      backend_->Unregister(id);
  registered_.clear();
  entries_.clear();
  ids_.clear();
}

namespace {

// The X11 key symbol of a virtual key, 0 for keys without one here.
uint32_t KeySymOf(int vk) {
  if (vk >= 'A' && vk <= 'Z')
    return static_cast<uint32_t>('a' + vk - 'A');
  if (vk >= '0' && vk <= '9')
    return static_cast<uint32_t>(vk);
  if (vk >= 0x70 && vk <= 0x87)
    return 0xFFBE + static_cast<uint32_t>(vk - 0x70); // F1 …
  if (vk >= 0x60 && vk <= 0x69)
    return 0xFFB0 + static_cast<uint32_t>(vk - 0x60); // keypad 0 …
  static const std::pair<int, uint32_t> kKeys[] = {
      {0x08, 0xFF08},
      {0x09, 0xFF09},
      {0x0D, 0xFF0D},
      {0x13, 0xFF13},
      {0x1B, 0xFF1B},
      {0x20, 0x0020},
      {0x21, 0xFF55},
      {0x22, 0xFF56},
      {0x23, 0xFF57},
      {0x24, 0xFF50},
      {0x25, 0xFF51},
      {0x26, 0xFF52},
      {0x27, 0xFF53},
      {0x28, 0xFF54},
      {0x2C, 0xFF61},
      {0x2D, 0xFF63},
      {0x2E, 0xFFFF},
      {0x6A, 0xFFAA},
      {0x6B, 0xFFAB},
      {0x6D, 0xFFAD},
      {0x6E, 0xFFAE},
      {0x6F, 0xFFAF},
      {0xBA, 0x003B},
      {0xBB, 0x003D},
      {0xBC, 0x002C},
      {0xBD, 0x002D},
      {0xBE, 0x002E},
      {0xBF, 0x002F},
      {0xC0, 0x0060},
      {0xDB, 0x005B},
      {0xDC, 0x005C},
      {0xDD, 0x005D},
      {0xDE, 0x0027},
      // Media keys.
      {0xAD, 0x1008FF12},
      {0xAE, 0x1008FF11},
      {0xAF, 0x1008FF13},
      {0xB0, 0x1008FF17},
      {0xB1, 0x1008FF16},
      {0xB2, 0x1008FF15},
      {0xB3, 0x1008FF14},
  };
  for (const auto& [v, sym] : kKeys)
    if (v == vk)
      return sym;
  return 0;
}

// Each key is grabbed with and without NumLock (Mod2) and CapsLock, which would otherwise hide it.
constexpr uint16_t kLockMasks[] = {0, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2 | XCB_MOD_MASK_LOCK};

class TX11HotKeys : public IHotKeyBackend {
public:
  bool Open() {
    conn_ = xcb_connect(nullptr, nullptr);
    if (!conn_ || xcb_connection_has_error(conn_))
      return false;
    root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    symbols_ = xcb_key_symbols_alloc(conn_);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Drain(); });
    return symbols_ != nullptr;
  }
  ~TX11HotKeys() override {
    notifier_.reset();
    if (symbols_)
      xcb_key_symbols_free(symbols_);
    if (conn_)
      xcb_disconnect(conn_);
  }

  bool Register(int id, TShiftState m, int vk) override {
    const uint32_t sym = KeySymOf(vk);
    xcb_keycode_t* codes = sym ? xcb_key_symbols_get_keycode(symbols_, sym) : nullptr;
    if (!codes || codes[0] == XCB_NO_SYMBOL) {
      free(codes);
      return false;
    }
    const xcb_keycode_t code = codes[0];
    free(codes);
    const uint16_t mods = static_cast<uint16_t>((m.ctrl ? XCB_MOD_MASK_CONTROL : 0) | (m.alt ? XCB_MOD_MASK_1 : 0) |
                                                (m.shift ? XCB_MOD_MASK_SHIFT : 0));
    bool ok = true;
    for (uint16_t extra : kLockMasks) {
      xcb_void_cookie_t c = xcb_grab_key_checked(conn_, 1, root_, static_cast<uint16_t>(mods | extra), code,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
      if (xcb_generic_error_t* e = xcb_request_check(conn_, c)) {
        free(e); // another program holds it
        ok = false;
      }
    }
    if (!ok) {
      Ungrab(code, mods);
      xcb_flush(conn_);
      return false;
    }
    keys_.push_back({id, code, mods});
    return true;
  }

  void Unregister(int id) override {
    for (auto it = keys_.begin(); it != keys_.end();) {
      if (it->id != id) {
        ++it;
        continue;
      }
      Ungrab(it->code, it->mods);
      it = keys_.erase(it);
    }
    xcb_flush(conn_);
  }

private:
  void Ungrab(xcb_keycode_t code, uint16_t mods) {
    for (uint16_t extra : kLockMasks)
      xcb_ungrab_key(conn_, code, root_, static_cast<uint16_t>(mods | extra));
  }
  struct TGrab {
    int id;
    xcb_keycode_t code;
    uint16_t mods;
  };
  void Drain() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(conn_)) {
      if ((e->response_type & 0x7F) == XCB_KEY_PRESS) {
        auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
        const uint16_t mods = k->state & (XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT);
        for (const TGrab& g : keys_)
          if (g.code == k->detail && g.mods == mods && onHotKey)
            onHotKey(g.id);
      }
      free(e);
    }
  }
  xcb_connection_t* conn_ = nullptr;
  xcb_window_t root_ = 0;
  xcb_key_symbols_t* symbols_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::vector<TGrab> keys_;
};

} // namespace

std::unique_ptr<IHotKeyBackend> MakeX11HotKeys() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display)
    return nullptr;
  auto x = std::make_unique<TX11HotKeys>();
  if (!x->Open())
    return nullptr;
  return x;
}

} // namespace zv
