#pragma once

#include <string>
#include <vector>

namespace zv {

class IMediaDetector;

// What the program answers without starting: "--help" and "--version" print and give the exit
// status in `rc`; false for any other command line.
bool AnswerWithoutStarting(const std::vector<std::string>& args, int& rc);

// Whether the user interface would run on Qt's offscreen platform: no display, or asked for.
bool WithoutDisplay();

// The information report of a file in the language of the preferences, as "/INFO" shows it.
// `wantedDetector` tells that only the media detector could have described the file and none was
// given.
std::string InfoReportText(const std::string& fileName, IMediaDetector* detector, bool* wantedDetector = nullptr);

// "/INFO" without a display: the report of the first file printed to standard output, without
// starting the user interface. False when the file needs the media detector and none was given
// (the player then makes the report).
bool PrintInfoReport(const std::vector<std::string>& args, IMediaDetector* detector);

} // namespace zv
