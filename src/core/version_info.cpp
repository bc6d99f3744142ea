#include "core/version_info.h"

#include "core/app_paths.h"
#include "core/build_version.h"
#include "core/text_util.h"

#include <filesystem>

namespace zv {

TVersionBlock BuiltInVersionBlock() {
  return TVersionBlock{ZV_PRODUCT_NAME,    ZV_VERSION_MAJOR, ZV_VERSION_MINOR,
                       ZV_VERSION_RELEASE, ZV_VERSION_BUILD, ZV_VERSION_PRERELEASE != 0};
}

std::optional<TVersionBlock> ReadVersionBlock(const std::string& fileName) {
  if (fileName.empty())
    return BuiltInVersionBlock();
  std::error_code ec;
  if (std::filesystem::equivalent(fileName, ExePath(), ec) && !ec)
    return BuiltInVersionBlock();
  return std::nullopt;
}

TFileVersionInfo::TFileVersionInfo(std::string fileName, TBlockReader reader)
    : fileName_(std::move(fileName)), reader_(std::move(reader)) {
  Load();
}

void TFileVersionInfo::Load() {
  productName_ = "?";
  major_ = "0";
  minor_ = "1";
  release_ = "0";
  build_ = "1";
  preRelease_ = false;
  std::optional<TVersionBlock> b = reader_ ? reader_(fileName_) : std::nullopt;
  if (!b)
    return;
  major_ = std::to_string(b->major);
  minor_ = std::to_string(b->minor);
  release_ = std::to_string(b->release);
  build_ = std::to_string(b->build);
  preRelease_ = b->preRelease;
  if (!b->productName.empty())
    productName_ = b->productName;
}

std::string TFileVersionInfo::Format(const std::string& tmpl) {
  Load();
  std::string s = ReplaceAll(tmpl, "{P}", productName_, true);
  s = ReplaceAll(s, "{MAJ}", major_, true);
  s = ReplaceAll(s, "{MIN}", minor_, true);
  s = ReplaceAll(s, "{B}", build_, true);
  s = ReplaceAll(s, "{R}", preRelease_ ? " beta" : "", true);
  s = ReplaceAll(s, "{RI}", preRelease_ ? " beta " + release_ : "", true);
  return s;
}

std::string TFileVersionInfo::LongVersion() {
  std::string s = Format("{MAJ}.{MIN}");
  if (preRelease_)
    s += " Beta " + release_ + " (build " + build_ + ")";
  return s;
}

} // namespace zv
