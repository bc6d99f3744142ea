#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zv {

// MD5 (RFC 1321) of a byte range as 32 upper-case hexadecimal digits.
std::string Md5Hex(const void* data, size_t size);
inline std::string Md5Hex(std::string_view bytes) { return Md5Hex(bytes.data(), bytes.size()); }

} // namespace zv
