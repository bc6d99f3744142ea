#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zv {

// The version block of a file: what the platform's version resource holds on the original's
// platform. On Linux only the program itself has one, compiled in.
struct TVersionBlock {
  std::string productName;
  int major = 0, minor = 0, release = 0, build = 0;
  bool preRelease = false;
};

// The version block compiled into this program.
TVersionBlock BuiltInVersionBlock();
// The version block of a file: the built-in one for the running executable (or an empty name),
// none for any other file.
std::optional<TVersionBlock> ReadVersionBlock(const std::string& fileName);

// Version information of a file and the version template "{P}", "{MAJ}", "{MIN}", "{B}", "{R}", "{RI}".
class TFileVersionInfo {
public:
  using TBlockReader = std::function<std::optional<TVersionBlock>(const std::string&)>;

  explicit TFileVersionInfo(std::string fileName, TBlockReader reader = ReadVersionBlock);

  // Resets to the defaults ("?", 0, 1, 0, 1, not a pre-release), then reads the file's block.
  void Load();
  // Reads the block again, then replaces every placeholder regardless of case.
  std::string Format(const std::string& tmpl);
  // "{MAJ}.{MIN}", followed for a pre-release by " Beta " + release + " (build " + build + ")".
  std::string LongVersion();

  const std::string& FileName() const { return fileName_; }
  const std::string& ProductName() const { return productName_; }
  const std::string& Major() const { return major_; }
  const std::string& Minor() const { return minor_; }
  const std::string& Release() const { return release_; }
  const std::string& Build() const { return build_; }
  bool PreRelease() const { return preRelease_; }

private:
  std::string fileName_;
  TBlockReader reader_;
  std::string productName_ = "?";
  std::string major_ = "0", minor_ = "1", release_ = "0", build_ = "1";
  bool preRelease_ = false;
};

} // namespace zv
