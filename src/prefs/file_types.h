#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zv {

class TXMLNode;

// The preferences' table of file types ("FileTypes", one EXT element per extension with its type
// letter: "V" video, "A" audio, "P" playlist) and what is made of it.
class TExplorerIntegrator {
public:
  // `fileTypes` is the table's element; none reads as an empty table.
  explicit TExplorerIntegrator(const TXMLNode* fileTypes) : table_(fileTypes) {}

  // The ids of the table with the type letter ("*": all), in table order.
  std::vector<std::string> TypeList(const std::string& letter) const;
  // Those ids as "*.AVI;*.MPG".
  std::string ExtensionList(const std::string& letter) const;
  // The entry of an extension (without its dot, any case); empty when there is none.
  std::string TypeDescription(const std::string& extension) const;
  std::string TypeLetter(const std::string& extension) const;
  // The open and add dialogs' filter, "Name(masks)|masks|...": every media type, playlists,
  // video, audio, then all files. `lang` gives the names.
  std::string MediaFilter(const std::function<std::string(const char* key)>& lang) const;

private:
  const TXMLNode* table_;
};

} // namespace zv
