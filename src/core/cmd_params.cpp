#include "core/cmd_params.h"

#include "core/text_util.h"

namespace zv {

const std::vector<std::string>& TCmdParams::KnownSwitches() {
  static const std::vector<std::string> kSwitches = {"ADD",  "NEW",     "INFO",      "FULLSCREEN", "ZOOM", "RATIO",
                                                     "SKIN", "INSTALL", "UNINSTALL", "CLOSE",      "HELP", "VERSION"};
  return kSwitches;
}

std::string TCmdParams::SwitchOf(std::string_view token) {
  std::string_view t = token;
  if (t.starts_with("--"))
    t.remove_prefix(2);
  else if (t.starts_with('/') || t.starts_with('-'))
    t.remove_prefix(1);
  else
    return {};
  std::string name = UpperCase(t.substr(0, t.find('=')));
  for (const std::string& s : KnownSwitches())
    if (s == name)
      return name;
  return {};
}

std::string TCmdParams::NextToken(std::string_view& rest) {
  rest = Trim(rest);
  std::string token;
  char delimiter = ' ';
  if (rest.starts_with('"')) {
    rest.remove_prefix(1);
    delimiter = '"';
  }
  size_t end = rest.find(delimiter);
  if (end == std::string_view::npos) {
    token = rest;
    rest = {};
  } else {
    token = rest.substr(0, end);
    rest.remove_prefix(end + 1);
  }
  rest = Trim(rest);
  return token;
}

TCmdParams::TCmdParams(const std::vector<std::string>& args) {
  if (args.empty())
    return;
  program_ = args.front();
  tokens_.assign(args.begin() + 1, args.end());
}

void TCmdParams::Parse(std::string_view line) {
  tokens_.clear();
  program_.clear();
  std::string_view rest = line;
  program_ = NextToken(rest);
  while (!rest.empty())
    tokens_.push_back(NextToken(rest));
}

namespace {
std::string Normalised(std::string_view name) {
  std::string n = UpperCase(name);
  while (!n.empty() && (n[0] == '/' || n[0] == '-'))
    n.erase(0, 1);
  return n;
}
} // namespace

bool TCmdParams::HasSwitch(std::string_view name) const {
  std::string wanted = Normalised(name);
  for (const std::string& t : tokens_)
    if (SwitchOf(t) == wanted)
      return true;
  return false;
}

std::string TCmdParams::GetValue(std::string_view name) const {
  std::string wanted = Normalised(name);
  std::string value;
  for (const std::string& t : tokens_) {
    if (SwitchOf(t) != wanted)
      continue;
    size_t eq = t.find('=');
    if (eq != std::string::npos)
      value = t.substr(eq + 1);
  }
  return value;
}

std::vector<std::string> TCmdParams::Files() const {
  std::vector<std::string> files;
  for (const std::string& t : tokens_)
    if (!t.empty() && SwitchOf(t).empty()) // an empty pair of quotes names no file
      files.push_back(t);
  return files;
}

std::string TCmdParams::JoinArguments(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i)
      line += ' ';
    if (args[i].empty() || args[i].find(' ') != std::string::npos)
      line += "\"" + args[i] + "\"";
    else
      line += args[i];
  }
  return line;
}

bool TCmdParams::JoinsPreviousStart(int64_t previousStart, int64_t start) {
  // Either way round: the two starts' clocks are read in different processes.
  int64_t difference = start > previousStart ? start - previousStart : previousStart - start;
  return difference < 500;
}

} // namespace zv
