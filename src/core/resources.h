#pragma once

#include <optional>
#include <string_view>

namespace zv {

// Data files built into the program (the default preference document, the built-in language
// texts, ...), by name. Provided by the zv_resources library.
std::optional<std::string_view> FindResource(std::string_view name);

} // namespace zv
