#pragma once

#include <string>
#include <string_view>

namespace zv {

// The scheme of a stream's address, lower-cased ("http" of "HTTP://host/"); empty when the name
// has none.
std::string StreamScheme(std::string_view address);

// Whether the program opens a stream's address: network streams (http, https, mms, mmsh, mmst,
// rtsp, rtsps, rtmp, and udp to a multicast group) and file:// names. Everything else the media
// framework would take (fd://0 reads standard input, v4l2:// opens a camera, udp:// to a unicast
// address listens on a port) is refused before anything is opened, since a line of a downloaded
// playlist must not reach a device.
bool IsAcceptedStreamAddress(std::string_view address);

} // namespace zv
