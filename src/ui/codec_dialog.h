#pragma once

#include <string>
#include <vector>

class QWidget;

namespace zv {

// The address of the page that tells where to find a decoder for a codec request.
std::string CodecPageLink(const std::string& request);

// "No decompressor": tells that a stream of the file needs a decoder that is not installed, names
// the file and links to the codec page for the request ("vidc=44434241", "ext=OGG"). Without a
// display the text goes to standard error instead.
void ShowCodecRequestDialog(const std::string& request, const std::string& fileName, QWidget* owner = nullptr);

// "DVD codec required": names the components a disc needs that are missing (one line each, "name
// (package)") and the command that installs their packages, with a link to the codec page.
void ShowDvdCodecDialog(const std::vector<std::string>& missing, QWidget* owner = nullptr);
// The dialog's list and install command.
std::string DvdCodecDetails(const std::vector<std::string>& missing);

} // namespace zv
