#include "skin/jpeg_file.h"

#include "core/error.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace zv {

namespace {

// The library ends the program on an error unless the handler leaves by a jump.
struct TErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnError(j_common_ptr info) {
  auto* e = reinterpret_cast<TErrorJump*>(info->err);
  (*info->err->format_message)(info, e->message);
  std::longjmp(e->jump, 1);
}

// Compresses rows of packed RGB; nothing here owns memory that a jump could leak except the
// library's output buffer, which is freed on both ways out.
bool Compress(const unsigned char* rgb, int width, int height, int quality, unsigned char** out, unsigned long* size,
              char* message) {
  jpeg_compress_struct c;
  TErrorJump err;
  c.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&c);
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, out, size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row =
        const_cast<unsigned char*>(rgb) + static_cast<size_t>(c.next_scanline) * static_cast<size_t>(width) * 3;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

} // namespace

std::string WriteJpeg(const TBitmap32& bitmap, int quality) {
  if (bitmap.Empty())
    throw EZvError("An empty picture has no JPEG form", "WriteJpeg");
  std::vector<unsigned char> rgb(static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height()) * 3);
  size_t i = 0;
  for (uint32_t p : bitmap.Pixels()) {
    rgb[i++] = static_cast<unsigned char>(p >> 16);
    rgb[i++] = static_cast<unsigned char>(p >> 8);
    rgb[i++] = static_cast<unsigned char>(p);
  }
  unsigned char* out = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  const bool ok = Compress(rgb.data(), bitmap.Width(), bitmap.Height(), quality, &out, &size, message);
  std::string bytes = ok && out ? std::string(reinterpret_cast<const char*>(out), size) : std::string();
  std::free(out);
  if (!ok)
    throw EZvError(std::string("JPEG: ") + message, "WriteJpeg");
  return bytes;
}

} // namespace zv
