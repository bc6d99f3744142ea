#pragma once

#include <string>

namespace zv {

// The English name of a language given by its ISO 639 code ("de" → "German", "fre" → "French");
// the code itself when no language has it, "?" for no code.
std::string LanguageName(const std::string& code);

} // namespace zv
