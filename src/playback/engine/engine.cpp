#include "playback/engine/engine.h"

#include <algorithm>

#include "core/format.h"

namespace eng {

IPin* IFilter::FindPin(const std::string& id) {
  for (IPin* p : Pins())
    if (p->Name() == id)
      return p;
  return nullptr;
}

std::string StandardErrorText(HRESULT code) {
  switch (code) {
  case S_OK: return "No error.";
  case E_NOTIMPL: return "Not implemented.";
  case E_NOINTERFACE: return "No such interface supported.";
  case E_POINTER: return "Invalid pointer.";
  case E_ABORT: return "Operation aborted.";
  case E_FAIL: return "Unspecified error.";
  case E_UNEXPECTED: return "Catastrophic failure.";
  case E_INVALIDARG: return "The parameter is incorrect.";
  case E_OUTOFMEMORY: return "Not enough memory is available to complete this operation.";
  case VFW_E_INVALIDMEDIATYPE: return "The specified media type is invalid.";
  case VFW_E_INVALIDSUBTYPE: return "The specified media subtype is invalid.";
  case VFW_E_ALREADY_CONNECTED: return "The operation could not be performed because the pin is already connected.";
  case VFW_E_NO_ACCEPTABLE_TYPES: return "No acceptable types could be found for the connection.";
  case VFW_E_INVALID_DIRECTION: return "The two pins have the same direction.";
  case VFW_E_NOT_CONNECTED: return "The operation cannot be performed because the pins are not connected.";
  case VFW_E_NOT_FOUND: return "An object or name was not found.";
  case VFW_E_CANNOT_CONNECT: return "No combination of intermediate filters could be found to make the connection.";
  case VFW_E_CANNOT_RENDER: return "No combination of filters could be found to render the stream.";
  case VFW_E_WRONG_STATE: return "The operation could not be performed in the current state.";
  case VFW_E_INVALID_FILE_FORMAT: return "The file format is invalid.";
  case VFW_E_UNKNOWN_FILE_TYPE: return "The media type of this file is not recognized.";
  case VFW_E_CANNOT_LOAD_SOURCE_FILTER: return "The source filter for this file could not be loaded.";
  case VFW_E_NO_AUDIO_HARDWARE: return "Cannot play back the audio stream: no audio hardware is available.";
  case VFW_E_NOT_IN_GRAPH: return "The filter is not in a graph.";
  case VFW_E_UNSUPPORTED_STREAM: return "Cannot play back the file. The format is not supported.";
  case VFW_E_TIMEOUT: return "A time-out has expired.";
  case VFW_S_PARTIAL_RENDER: return "Some of the streams in this movie are in an unsupported format.";
  case VFW_S_AUDIO_NOT_RENDERED: return "The audio could not be played.";
  case VFW_S_VIDEO_NOT_RENDERED: return "The video could not be played.";
  case VFW_S_DUPLICATE_NAME: return "A filter of this name was already in the graph; the name was changed.";
  case E_PENDING: return "The data necessary to complete this operation is not yet available.";
  case ZV_E_CONNECTION_REFUSED: return "No connection could be made because the target machine actively refused it.";
  case ZV_E_NO_ANSWER: return "The server did not answer in time.";
  case ZV_E_HOST_NOT_FOUND: return "No such host is known.";
  case ZV_E_NOT_HTTP: return "The server's answer is not an HTTP answer.";
  case ZV_E_REDIRECT_FAILED: return "The redirection could not be followed.";
  case ZV_E_ADDRESS_REFUSED: return "Addresses of this kind are not opened.";
  case ZV_E_NOT_A_DVD: return "The folder holds no DVD: VIDEO_TS.IFO is missing or cannot be read.";
  case ZV_E_DVD_ENCRYPTED: return "The disc is encrypted, and the system has no library to decrypt it (libdvdcss).";
  default:
    if (int status = HttpStatusOf(code))
      return zv::Format("The server answered HTTP %d.", status);
    return zv::Format("Unknown error 0x%.8x.", code);
  }
}

namespace classes {
const TGuid AsyncFileReader = *TGuid::Parse("{E436EBB5-524F-11CE-9F53-0020AF0BA770}");
const TGuid AviSplitter = *TGuid::Parse("{1B544C20-FD0B-11CE-8C63-00AA0044B51E}");
const TGuid DirectSoundRenderer = *TGuid::Parse("{79376820-07D0-11CF-A24D-0020AFD79767}");
const TGuid WaveOutRenderer = *TGuid::Parse("{E30629D1-27E5-11CE-875D-00608CB78066}");
const TGuid VideoRenderer = *TGuid::Parse("{70E102B0-5556-11CE-97C0-00AA0055595A}");
const TGuid NullRenderer = *TGuid::Parse("{C1F400A4-3F08-11D3-9F0B-006008039E37}");
const TGuid Mpeg3Decoder = *TGuid::Parse("{38BE3000-DBF4-11D0-860E-00A024CFEF6D}");
const TGuid DivXDecoder = *TGuid::Parse("{78766964-0000-0010-8000-00AA00389B71}");
const TGuid XviDDecoder = *TGuid::Parse("{64697678-0000-0010-8000-00AA00389B71}");
const TGuid AdvancedAVISource = *TGuid::Parse("{84646D40-24DF-11D7-B33C-525405F661BB}");
const TGuid MultiAVISource = *TGuid::Parse("{90622615-AB78-4926-9014-5D9D8EF5DE45}");
const TGuid VideoProcessor = *TGuid::Parse("{B695DE60-57F8-11D7-B33C-525405F661BB}");
const TGuid DMOWrapper = *TGuid::Parse("{94297043-BD82-4DFD-B0DE-8177739C6D20}");
const TGuid DVDNavigator = *TGuid::Parse("{9B8C4620-2C1A-11D0-8493-00A02438AD48}");
} // namespace classes

TGuid ClassOfFactory(const std::string& factoryName) {
  if (factoryName == "filesrc")
    return classes::AsyncFileReader;
  if (factoryName == "avidemux")
    return classes::AviSplitter;
  if (factoryName == "zvavisrc")
    return classes::AdvancedAVISource;
  if (factoryName == "zvmultiavisrc")
    return classes::MultiAVISource;
  if (factoryName == "zvvideoproc")
    return classes::VideoProcessor;
  if (factoryName == "zvparameq")
    return classes::DMOWrapper;
  return TGuid::FromName("gst:" + factoryName);
}

uint32_t MeritOfRank(unsigned rank) {
  if (rank > 256)
    return 0x00800000u + std::min<uint32_t>(rank - 256, 0x7FF00u) * 0x1000u;
  // 0x00200000 per 64 ranks up to 128, then the same step over 128 ranks.
  if (rank <= 128)
    return 0x00200000u + rank * (0x00200000u / 64);
  return 0x00600000u + (rank - 128) * (0x00200000u / 128);
}

} // namespace eng
