#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zv {

class IAssocStore;
class TExplorerIntegrator;
class TXMLNode;

// The desktop side of the associations: told when they changed, it makes the desktop follow them.
class IFileTypeShell {
public:
  virtual ~IFileTypeShell() = default;
  virtual void AssociationsChanged(const TExplorerIntegrator& types) = 0;
};

// What association works with. Without a store the integrator only reads its table.
struct TAssocSetup {
  IAssocStore* store = nullptr;
  std::string exePath; // the program, as it is named on disk
  std::string exeDir;  // its folder, with a trailing "/": the icon sets sit in "Icons/" there
  IFileTypeShell* shell = nullptr;
};

// The preferences' table of file types ("FileTypes", one EXT element per extension with its type
// letter: "V" video, "A" audio, "P" playlist), what is made of it, and the association of those
// types and of DVD auto-play with the program.
class TExplorerIntegrator {
public:
  // The tag that names every value and key the association adds.
  static constexpr const char* kTag = "ZV";
  // What "/INSTALL" associates, in this order.
  static const std::vector<std::string>& InstallList();

  // `fileTypes` is the table's element; none reads as an empty table.
  explicit TExplorerIntegrator(const TXMLNode* fileTypes, TAssocSetup setup = {});

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

  // The quoted program path, and the command that opens a file with it.
  std::string ProgramRef() const;
  std::string OpenCommand() const { return ProgramRef() + " \"%1\""; }

  // Takes the type over (true) or gives it back (false).
  void Associate(const std::string& extension, bool on);
  bool IsAssociated(const std::string& extension) const;
  // The type's icon: the program's own by type, or an entry of the chosen icon set.
  std::string IconLocation(const std::string& extension) const;
  bool IsDVDAssociated() const;
  void SetDVDAssociation(bool on);
  // Tells the desktop that the associations changed (and writes the store).
  void NotifyShell();
  void SetAviPropertyHandler(bool on);
  bool CanWriteAssociations();

  // The command-line runs: the usual types taken over, or every type of the table given back.
  void InstallTypes();
  void UninstallTypes();

private:
  const TXMLNode* table_;
  TAssocSetup setup_;
};

} // namespace zv
