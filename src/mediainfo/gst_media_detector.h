#pragma once

#include "mediainfo/media_info.h"

namespace zv {

// The media detector over GStreamer's discoverer: the streams of any file GStreamer can read,
// with their lengths, picture sizes, audio formats and the file's title and artist tags.
class TGstMediaDetector : public IMediaDetector {
public:
  explicit TGstMediaDetector(int timeoutSeconds = 5) : timeout_(timeoutSeconds) {}
  bool Detect(const std::string& fileName, std::vector<TDetectedStream>& streams) override;

private:
  int timeout_;
};

} // namespace zv
