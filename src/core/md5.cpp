#include "core/md5.h"

#include "core/text_util.h"

#include <glib.h>

namespace zv {

std::string Md5Hex(const void* data, size_t size) {
  gchar* hex = g_compute_checksum_for_data(G_CHECKSUM_MD5, static_cast<const guchar*>(data), size);
  std::string r = hex ? UpperCase(hex) : std::string();
  g_free(hex);
  return r;
}

} // namespace zv
