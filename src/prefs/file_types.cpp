#include "prefs/file_types.h"

#include "core/format.h"
#include "core/session_log.h"
#include "core/system_helper.h"
#include "core/text_util.h"
#include "prefs/assoc_store.h"
#include "prefs/file_type_assoc.h"
#include "prefs/xml_tree.h"

namespace zv {

const std::vector<std::string>& TExplorerIntegrator::InstallList() {
  static const std::vector<std::string> list = {"ZVP", "M3U", "AVI", "MKV", "MPG", "OGM", "MKA", "MP3", "OGG"};
  return list;
}

TExplorerIntegrator::TExplorerIntegrator(const TXMLNode* fileTypes, TAssocSetup setup)
    : table_(fileTypes), setup_(std::move(setup)) {}

std::vector<std::string> TExplorerIntegrator::TypeList(const std::string& letter) const {
  std::vector<std::string> ids;
  if (!table_)
    return ids;
  for (const auto& c : table_->Children())
    if (SameText(c->Name(), "EXT") && (letter == "*" || c->GetAttr("type") == letter))
      ids.push_back(c->GetAttr("id"));
  return ids;
}

std::string TExplorerIntegrator::ExtensionList(const std::string& letter) const {
  std::string list;
  for (const std::string& id : TypeList(letter))
    list += (list.empty() ? "*." : ";*.") + id;
  return list;
}

std::string TExplorerIntegrator::TypeDescription(const std::string& extension) const {
  const TXMLNode* e = table_ ? table_->FindChildById("EXT", extension) : nullptr;
  return e ? e->GetAttr("desc") : std::string();
}

std::string TExplorerIntegrator::TypeLetter(const std::string& extension) const {
  const TXMLNode* e = table_ ? table_->FindChildById("EXT", extension) : nullptr;
  return e ? e->GetAttr("type") : std::string();
}

std::string TExplorerIntegrator::MediaFilter(const std::function<std::string(const char* key)>& lang) const {
  std::string all = ExtensionList("*");
  std::string filter = lang("Core.FileType.Media") + "(" + all + ")|" + all;
  static const char* const kGroups[3][2] = {
      {"P", "Core.FileType.PlayList"}, {"V", "Core.FileType.Video"}, {"A", "Core.FileType.Audio"}};
  for (const auto& g : kGroups) {
    std::string masks = ExtensionList(g[0]);
    filter += "|" + lang(g[1]) + "(" + masks + ")|" + masks;
  }
  return filter + "|" + lang("Core.FileType.All") + "(*.*)|*.*";
}

std::string TExplorerIntegrator::ProgramRef() const {
  return "\"" + TSystemHelper::TrueFileName(setup_.exePath) + "\"";
}

void TExplorerIntegrator::Associate(const std::string& extension, bool on) {
  if (SameText(extension, "AVI"))
    SetAviPropertyHandler(!on);
  TLogScope scope(Format("TExplorerIntegrator.Associate(%s,%d)", extension, on ? 1 : 0));
  if (!setup_.store)
    return;
  TFileTypeAssociator a(*setup_.store, kTag);
  a.SetExtension(extension);
  if (!on) {
    a.Unassociate();
    return;
  }
  TFileTypeAssociator::Session([&] { a.SetVerbs(ProgramFileTypeMenu(ProgramRef())); });
  if (std::string desc = TypeDescription(extension); !desc.empty())
    TFileTypeAssociator::Session([&] { a.SetDescription(desc); });
  TFileTypeAssociator::Session([&] { a.SetIcon(IconLocation(extension)); });
}

bool TExplorerIntegrator::IsAssociated(const std::string& extension) const {
  Log(Format("+TExplorerIntegrator.IsAssociated(%s)", extension));
  std::string command;
  if (setup_.store) {
    TFileTypeAssociator a(*setup_.store, kTag);
    a.SetExtension(extension);
    command = a.GetDefaultCommand();
  }
  Log("-TExplorerIntegrator.IsAssociated(" + OpenCommand() + ")");
  return setup_.store && SameText(command, OpenCommand());
}

std::string TExplorerIntegrator::IconLocation(const std::string& extension) const {
  std::string letter = TypeLetter(extension);
  std::string set = table_ ? table_->GetAttr("Icons") : std::string();
  if (set.empty()) {
    const char* index = letter == "P" ? "2" : letter == "V" ? "3" : letter == "A" ? "4" : "0";
    return ProgramRef() + "," + index;
  }
  std::string base = setup_.exeDir + "Icons/" + set;
  std::string library = "\"" + TSystemHelper::TrueFileName(base + ".icl") + "\"";
  static const char* const kTypeNames[3][2] = {{"P", "PlayList"}, {"V", "Video"}, {"A", "Sound"}};
  std::string typeName;
  for (const auto& t : kTypeNames)
    if (letter == t[0])
      typeName = t[1];
  std::string index;
  TXMLTree doc;
  const TXMLNode* icons = doc.LoadFromFile(base + ".xml") && doc.Root() ? doc.Root()->FindChild("ICONS") : nullptr;
  if (icons) {
    for (const auto& icon : icons->Children()) {
      if (!SameText(icon->Name(), "ICON"))
        continue;
      if (index.empty() && !typeName.empty() && SameText(icon->GetAttr("type"), typeName))
        index = icon->GetAttr("id");
      // A listed extension wins over the type, the last listing winning.
      for (const std::string& ext : SplitString(icon->GetAttr("ext"), ','))
        if (SameText(Trim(ext), extension))
          index = icon->GetAttr("id");
    }
  }
  return library + "," + (index.empty() ? "0" : index);
}

bool TExplorerIntegrator::IsDVDAssociated() const {
  return setup_.store && SameText(TDVDAssociator(*setup_.store, kTag).DefaultCommand(), OpenCommand());
}

void TExplorerIntegrator::SetDVDAssociation(bool on) {
  if (!setup_.store || on == IsDVDAssociated())
    return;
  TDVDAssociator dvd(*setup_.store, kTag);
  if (on)
    dvd.Associate(ProgramRef() + ",0", OpenCommand());
  else
    dvd.Unassociate();
}

void TExplorerIntegrator::NotifyShell() {
  if (setup_.shell)
    setup_.shell->AssociationsChanged(*this);
  if (setup_.store)
    setup_.store->Flush();
}

void TExplorerIntegrator::SetAviPropertyHandler(bool on) {
  static const char* const kKey = "\\SystemFileAssociations\\.avi\\shellex\\PropertyHandler";
  if (setup_.store && setup_.store->KeyExists(kKey))
    setup_.store->WriteValue(kKey, "", on ? "{87D62D94-71B3-4b9a-9489-5FE6850DC73E}" : "");
}

bool TExplorerIntegrator::CanWriteAssociations() { return setup_.store && setup_.store->CreateKey("\\.avi"); }

void TExplorerIntegrator::InstallTypes() {
  for (const std::string& t : InstallList())
    Associate(t, true);
  NotifyShell();
  SetAviPropertyHandler(false);
}

void TExplorerIntegrator::UninstallTypes() {
  for (const std::string& t : TypeList("*"))
    Associate(t, false);
  NotifyShell();
  SetAviPropertyHandler(true);
}

} // namespace zv
