#include "core/stream_address.h"

#include "core/text_util.h"

#include <arpa/inet.h>
#include <array>

namespace zv {

namespace {

// The host of "scheme://[user@]host[:port]/...", brackets of an IPv6 literal removed.
std::string AddressHost(std::string_view address) {
  size_t start = address.find("://");
  if (start == std::string_view::npos)
    return {};
  std::string_view rest = address.substr(start + 3);
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (size_t at = rest.rfind('@'); at != std::string_view::npos)
    rest = rest.substr(at + 1);
  if (rest.starts_with('[')) {
    size_t close = rest.find(']');
    return close == std::string_view::npos ? std::string() : std::string(rest.substr(1, close - 1));
  }
  return std::string(rest.substr(0, rest.find(':')));
}

bool IsMulticastHost(const std::string& host) {
  in_addr v4{};
  if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
    return (ntohl(v4.s_addr) >> 28) == 0xE; // 224.0.0.0/4
  in6_addr v6{};
  if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1)
    return v6.s6_addr[0] == 0xFF; // ff00::/8
  return false;                   // a name could resolve to anything
}

} // namespace

std::string StreamScheme(std::string_view address) {
  size_t colon = address.find(':');
  if (colon == std::string_view::npos || colon == 0)
    return {};
  std::string_view scheme = address.substr(0, colon);
  for (char c : scheme)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
          c == '.'))
      return {};
  return LowerCase(scheme);
}

bool IsAcceptedStreamAddress(std::string_view address) {
  static constexpr std::array<std::string_view, 9> kNetwork = {"http", "https", "mms",  "mmsh", "mmst",
                                                               "rtsp", "rtsps", "rtmp", "file"};
  std::string scheme = StreamScheme(address);
  if (address.substr(scheme.size()).rfind("://", 0) != 0)
    return false;
  for (std::string_view s : kNetwork)
    if (scheme == s)
      return scheme != "file" || address.substr(7).starts_with('/'); // file:///path, no remote hosts
  return scheme == "udp" && IsMulticastHost(AddressHost(address));
}

} // namespace zv
