#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The engine layer: a small, synchronous, DirectShow-shaped API (graphs, filters with class
// identifiers, pins, media types, result codes, an event queue) over GStreamer. Everything above it
// is written against these types; a fake implementation drives the unit tests.
namespace eng {

// 32-bit result codes: negative is failure, positive a partial success.
using HRESULT = int32_t;
constexpr HRESULT Code(uint32_t v) { return static_cast<HRESULT>(v); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = Code(0x80004001);
constexpr HRESULT E_NOINTERFACE = Code(0x80004002);
constexpr HRESULT E_POINTER = Code(0x80004003);
constexpr HRESULT E_ABORT = Code(0x80004004);
constexpr HRESULT E_FAIL = Code(0x80004005);
constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
constexpr HRESULT E_INVALIDARG = Code(0x80070057);
constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
constexpr HRESULT VFW_E_INVALIDMEDIATYPE = Code(0x80040200);
constexpr HRESULT VFW_E_INVALIDSUBTYPE = Code(0x80040201);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = Code(0x80040204);
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = Code(0x80040207);
constexpr HRESULT VFW_E_INVALID_DIRECTION = Code(0x80040208);
constexpr HRESULT VFW_E_NOT_CONNECTED = Code(0x80040209);
constexpr HRESULT VFW_E_NOT_FOUND = Code(0x80040216);
constexpr HRESULT VFW_E_CANNOT_CONNECT = Code(0x80040217);
constexpr HRESULT VFW_E_CANNOT_RENDER = Code(0x80040218);
constexpr HRESULT VFW_E_NOT_STOPPED = Code(0x80040224);
constexpr HRESULT VFW_E_WRONG_STATE = Code(0x80040227);
constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = Code(0x8004022F);
constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = Code(0x80040240);
constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = Code(0x80040241);
constexpr HRESULT VFW_E_FILE_TOO_SHORT = Code(0x80040243);
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = Code(0x80040256);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = Code(0x8004025F);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = Code(0x80040265);
constexpr HRESULT VFW_E_TIMEOUT = Code(0x8004026E);
constexpr HRESULT VFW_E_DVD_DECNOTENOUGH = Code(0x8004027B);
constexpr HRESULT VFW_S_DUPLICATE_NAME = Code(0x0004022D);
constexpr HRESULT VFW_S_PARTIAL_RENDER = Code(0x00040242);
constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = Code(0x00040257);
constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = Code(0x00040258);
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = Code(0x00040237);
// The work goes on: its end arrives as an event (EC_ZV_RENDER_DONE).
constexpr HRESULT E_PENDING = Code(0x8000000A);

// Why a network stream could not be opened: the platform's codes for the socket errors, the HTTP
// status family (0x80190000 + the status) and the internet download errors.
constexpr HRESULT ZV_E_CONNECTION_REFUSED = Code(0x8007274D);
constexpr HRESULT ZV_E_NO_ANSWER = Code(0x8007274C);
constexpr HRESULT ZV_E_HOST_NOT_FOUND = Code(0x80072AF9);
constexpr HRESULT ZV_E_NOT_HTTP = Code(0x800C0008);        // the server's answer is neither HTTP nor ICY
constexpr HRESULT ZV_E_REDIRECT_FAILED = Code(0x800C0014); // a redirect loop, or to a scheme not followed
constexpr HRESULT ZV_E_ADDRESS_REFUSED = Code(0x800C0011); // a scheme the program does not open
// A DVD folder without a readable VIDEO_TS.IFO, and a disc that is encrypted.
constexpr HRESULT ZV_E_NOT_A_DVD = Code(0x80040290);
constexpr HRESULT ZV_E_DVD_ENCRYPTED = Code(0x80040291);
constexpr HRESULT HttpStatusResult(int status) { return Code(0x80190000u | (static_cast<uint32_t>(status) & 0xFFFFu)); }
// The HTTP status of a code made by HttpStatusResult, or 0.
constexpr int HttpStatusOf(HRESULT code) {
  return (static_cast<uint32_t>(code) & 0xFFFF0000u) == 0x80190000u ? static_cast<int>(code & 0xFFFF) : 0;
}

inline bool Failed(HRESULT h) { return h < 0; }
inline bool Succeeded(HRESULT h) { return h >= 0; }

// A 128-bit class or type identifier.
struct TGuid {
  uint32_t d1 = 0;
  uint16_t d2 = 0, d3 = 0;
  std::array<uint8_t, 8> d4{};

  friend bool operator==(const TGuid&, const TGuid&) = default;
  bool IsNull() const { return *this == TGuid{}; }
  // "{E436EBB5-524F-11CE-9F53-0020AF0BA770}"
  std::string ToString() const;
  static std::optional<TGuid> Parse(std::string_view text);
  // The subtype of a FourCC: {FOURCC-0000-0010-8000-00AA00389B71}; the wave tag uses the same form.
  static TGuid FromFourCC(uint32_t fourcc);
  bool IsFourCCBased() const;
  // A stable identifier derived from a name (a name-based UUID), for factories without a known one.
  static TGuid FromName(std::string_view name);
};

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}
std::string FourCCText(uint32_t fourcc);

enum class TPinDirection { Input = 0, Output = 1 };
enum TFilterState { State_Stopped = 0, State_Paused = 1, State_Running = 2 };

// Seek flags of SetPositions.
constexpr int AM_SEEKING_NoPositioning = 0;
constexpr int AM_SEEKING_AbsolutePositioning = 1;
constexpr int AM_SEEKING_SeekToKeyFrame = 4;

// One engine event.
struct TEvent {
  int32_t code = 0;
  intptr_t param1 = 0, param2 = 0;
};

constexpr int32_t EC_COMPLETE = 1;
constexpr int32_t EC_USERABORT = 2;
constexpr int32_t EC_ERRORABORT = 3;
constexpr int32_t EC_PAUSED = 14;
constexpr int32_t EC_BUFFERING_DATA = 17;
constexpr int32_t EC_LENGTH_CHANGED = 30;
constexpr int32_t EC_DEVICE_LOST = 31;
constexpr int32_t EC_STEP_COMPLETE = 36;
constexpr int32_t EC_DVD_DOMAIN_CHANGE = 257; // param1: the domain
constexpr int32_t EC_DVD_TITLE_CHANGE = 258;  // param1: the title
constexpr int32_t EC_DVD_AUDIO_STREAM_CHANGE = 260;
constexpr int32_t EC_DVD_CURRENT_HMSF_TIME = 282; // param1: the time code, packed
// The program's own: a network source told something (IGraph::TakeStreamNotices).
constexpr int32_t EC_ZV_STREAM_NOTICE = 0x8001;
// The program's own: a rendering that returned E_PENDING has ended; param1 is its result.
constexpr int32_t EC_ZV_RENDER_DONE = 0x8002;

// What a network source tells about its stream: a line of its response headers (the name with
// its colon, "icy-name:", and the value), or a new title of what it plays (`title` set).
struct TStreamNotice {
  std::string name, value;
  bool title = false;
};
// The engine's published name of an event code, or "EC:0x%.8X".
std::string EventName(int32_t code);

// A decoded picture: 0xAARRGGBB pixels, rows top down.
struct TFrame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

} // namespace eng
