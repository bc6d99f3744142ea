#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zv {

// A command line split into the program token and the remaining tokens.
//
// Splitting: leading and trailing characters up to the blank are trimmed; a token starting with
// a double quote runs to the next double quote, any other to the next blank. Quotes inside a token
// mean nothing, and an empty pair of quotes is an empty token.
//
// A token is a switch when, after a leading "/", "-" or "--", its name (before any "=") is one of
// the program's switches in any case; every other token is a file or URL, so "/home/me/film.avi"
// is a file.
class TCmdParams {
public:
  TCmdParams() = default;
  explicit TCmdParams(std::string_view line) { Parse(line); }
  // The arguments as the system passed them: the program first, then the tokens, taken as they
  // are (a name may hold blanks and quotes).
  explicit TCmdParams(const std::vector<std::string>& args);

  void Parse(std::string_view line);
  // Takes the next token off the front of `rest`.
  static std::string NextToken(std::string_view& rest);

  // True when a token is that switch ("/ADD", "ADD", "--add" all name the same one).
  bool HasSwitch(std::string_view name) const;
  // The value after "=" of the last token of that switch; empty when none has one.
  std::string GetValue(std::string_view name) const;
  // Every token that is neither a switch nor empty, in order.
  std::vector<std::string> Files() const;

  const std::string& Program() const { return program_; }
  const std::vector<std::string>& Tokens() const { return tokens_; }

  // The switches the program knows, upper case, without prefix.
  static const std::vector<std::string>& KnownSwitches();
  // The switch a token names (upper case, no prefix), or empty text for a file.
  static std::string SwitchOf(std::string_view token);
  // Joins arguments into one line for the log, quoting every argument that holds a blank or is empty.
  static std::string JoinArguments(const std::vector<std::string>& args);
  // Whether a command line handed over by a later start joins the list instead of replacing it:
  // the start came within half a second of the one before (the desktop starts the program once
  // per file when several are opened together). Times in milliseconds.
  static bool JoinsPreviousStart(int64_t previousStart, int64_t start);

private:
  std::string program_;
  std::vector<std::string> tokens_;
};

} // namespace zv
