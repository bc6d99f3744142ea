#pragma once

#include <string>

class QWidget;

namespace zv {

// The address of the page that tells where to find a decoder for a codec request.
std::string CodecPageLink(const std::string& request);

// "No decompressor": tells that a stream of the file needs a decoder that is not installed, names
// the file and links to the codec page for the request ("vidc=44434241", "ext=OGG"). Without a
// display the text goes to standard error instead.
void ShowCodecRequestDialog(const std::string& request, const std::string& fileName, QWidget* owner = nullptr);

} // namespace zv
