#include "prefs/assoc_store.h"
#include "prefs/file_type_assoc.h"
#include "prefs/file_types.h"
#include "prefs/xml_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace zv {
namespace {

namespace fs = std::filesystem;

const char* const kExe = "/opt/zelvar/zelvar-player";
const std::string kRef = std::string("\"") + kExe + "\"";

std::unique_ptr<TXMLNode> Table(const std::string& icons = {}) {
  auto table = std::make_unique<TXMLNode>("FileTypes");
  table->AddAttr("Icons", icons);
  const char* rows[][3] = {{"ZVP", "P", "Zelvar Playlist"},
                           {"AVI", "V", "Audio-Video Interleaved"},
                           {"MKV", "V", "Matroska video"},
                           {"MP3", "A", "Audio MPEG1 Layer-3"},
                           {"IFO", "P", ""},
                           {"XYZ", "Q", "Odd"}};
  for (const auto& r : rows) {
    TXMLNode* e = table->AddChild("EXT");
    e->AddAttr("id", r[0]);
    e->AddAttr("type", r[1]);
    e->AddAttr("desc", r[2]);
  }
  return table;
}

void Put(IAssocStore& s, const std::string& key, const std::string& name, const std::string& value) {
  ASSERT_TRUE(s.CreateKey(key));
  ASSERT_TRUE(s.WriteValue(key, name, value));
}

std::string Value(const IAssocStore& s, const std::string& key, const std::string& name = {}) {
  std::string v = "<none>";
  s.ReadValue(key, name, v);
  return v;
}

// Another player already owns the AVI class: its Open verb has a drop target, a DDE block and
// a legacy switch; every default the association overwrites must come back on removal, and only
// the verbs the program made go.
TEST(FileTypeAssociation, TakingATypeOverTwiceAndGivingItBackRestoresWhatWasThere) {
  auto table = Table();
  TMemoryAssocStore store;
  Put(store, "\\.avi", "", "AVIfile");
  Put(store, "\\AVIfile", "", "Old description");
  Put(store, "\\AVIfile\\DefaultIcon", "", "other.exe,1");
  Put(store, "\\AVIfile\\Shell", "", "Open");
  Put(store, "\\AVIfile\\Shell\\Open", "LegacyDisable", "");
  Put(store, "\\AVIfile\\Shell\\Open\\Command", "", "other.exe \"%1\"");
  Put(store, "\\AVIfile\\Shell\\Open\\DropTarget", "Clsid", "{1234}");
  Put(store, "\\AVIfile\\Shell\\Open\\ddeexec", "", "[open(\"%1\")]");
  Put(store, "\\AVIfile\\Shell\\Open\\ddeexec\\Topic", "", "System");
  const std::string before = store.Dump();

  TExplorerIntegrator types(table.get(), {&store, kExe, "/opt/zelvar/", nullptr});
  EXPECT_FALSE(types.IsAssociated("AVI")) << "another program's command";
  types.Associate("AVI", true);
  types.Associate("avi", true);
  EXPECT_TRUE(types.IsAssociated("AVI"));
  EXPECT_EQ(Value(store, "\\AVIfile"), "Audio-Video Interleaved");
  EXPECT_EQ(Value(store, "\\AVIfile", "ZV.Backup"), "Old description") << "the second pass keeps the first backup";
  EXPECT_EQ(Value(store, "\\AVIfile\\DefaultIcon"), kRef + ",3");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open\\Command"), kRef + " \"%1\"");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open\\Command", "ZV.Backup"), "other.exe \"%1\"");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open", "ZV.Delete"), "<none>") << "the verb was there before";
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open", "ZV.Backup.LegacyDisable"), "");
  EXPECT_FALSE(store.KeyExists("\\AVIfile\\Shell\\Open\\DropTarget"));
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open\\ZV.Backup.DropTarget", "Clsid"), "{1234}");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Open\\ZV.Backup.ddeexec\\Topic"), "System");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Enqueue"), "En&queue in Zelvar");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Enqueue", "ZV.Delete"), "Delete");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\PlayNew\\Command"), kRef + "/NEW \"%1\"");
  EXPECT_EQ(Value(store, "\\AVIfile\\Shell\\Info\\Command"), kRef + "/INFO \"%1\"");

  types.Associate("AVI", false);
  EXPECT_EQ(store.Dump(), before);
  EXPECT_FALSE(types.IsAssociated("AVI"));
}

TEST(FileTypeAssociation, AFreshTypeKeepsItsKeysWithTheirDefaultsAndLosesOnlyTheVerbsOnRemoval) {
  auto table = Table();
  TMemoryAssocStore store;
  TExplorerIntegrator types(table.get(), {&store, kExe, "/opt/zelvar/", nullptr});
  types.Associate("MKV", false);
  EXPECT_EQ(store.Dump(), "") << "giving back a type never associated creates nothing";
  types.Associate("MKV", true);
  types.Associate("MKV", false);
  EXPECT_EQ(store.Dump(), "\\.MKV\n\\.MKV|=\n\\MKVfile\n\\MKVfile\\DefaultIcon\n\\MKVfile\\DefaultIcon|=\n"
                          "\\MKVfile\\Shell\n\\MKVfile\\Shell|=\n\\MKVfile|=\n");
  // A type whose class is someone else's: only the extension key's own default comes back.
  Put(store, "\\.mp3", "", "Winamp.File");
  types.Associate("MP3", true);
  Put(store, "\\.mp3", "", "Other.mp3");
  types.Associate("MP3", false);
  EXPECT_EQ(Value(store, "\\.mp3"), "Winamp.File");
  EXPECT_EQ(Value(store, "\\MP3file\\Shell\\Open\\Command"), kRef + " \"%1\"");
}

TEST(FileTypeAssociation, IconsComeFromTheProgramOrFromTheChosenSetWhereAnExtensionBeatsItsType) {
  fs::path dir = fs::temp_directory_path() / ("zv-icons-" + std::to_string(::getpid()));
  fs::create_directories(dir / "Icons");
  std::ofstream(dir / "Icons" / "Set.xml")
      << "<ROOT><ICONS><ICON type=\"Video\" ext=\"\" id=\"7\"/><ICON type=\"Sound\" ext=\"avi, divx\" id=\"9\"/>"
         "<ICON type=\"PlayList\" id=\"5\"/><ICON type=\"Video\" id=\"8\"/><ICON type=\"X\" ext=\" Mp3 \" id=\"11\"/>"
         "</ICONS></ROOT>";
  auto own = Table();
  auto withSet = Table("Set");
  auto missing = Table("Gone");
  std::string exeDir = dir.string() + "/";
  TExplorerIntegrator a(own.get(), {nullptr, kExe, exeDir, nullptr});
  TExplorerIntegrator b(withSet.get(), {nullptr, kExe, exeDir, nullptr});
  TExplorerIntegrator c(missing.get(), {nullptr, kExe, exeDir, nullptr});
  std::string lib = "\"" + exeDir + "Icons/Set.icl\",";
  struct {
    const TExplorerIntegrator& types;
    const char* ext;
    std::string icon;
  } cases[] = {{a, "AVI", kRef + ",3"},
               {a, "zvp", kRef + ",2"},
               {a, "MP3", kRef + ",4"},
               {a, "XYZ", kRef + ",0"},
               {a, "NONE", kRef + ",0"},
               {b, "AVI", lib + "9"},
               {b, "MKV", lib + "7"},
               {b, "ZVP", lib + "5"},
               {b, "MP3", lib + "11"},
               {b, "XYZ", lib + "0"},
               {c, "AVI", "\"" + exeDir + "Icons/Gone.icl\",0"}};
  for (const auto& t : cases)
    EXPECT_EQ(t.types.IconLocation(t.ext), t.icon) << t.ext;
  fs::remove_all(dir);
}

TEST(FileTypeAssociation, DVDAutoPlayKeepsTheDesktopsOwnHandlerAndRemovingTwiceIsRemovingOnce) {
  auto table = Table();
  TMemoryAssocStore store;
  Put(store, "\\DVD\\Shell", "", "PlayWithOther");
  Put(store, "\\DVD\\Shell\\PlayWithOther\\Command", "", "other.exe %1");
  Put(store, "\\DVD\\Shell\\Play\\Command", "", "older.exe %1");
  TExplorerIntegrator types(table.get(), {&store, kExe, "/opt/zelvar/", nullptr});
  EXPECT_FALSE(types.IsDVDAssociated());
  types.SetDVDAssociation(true);
  EXPECT_TRUE(types.IsDVDAssociated());
  EXPECT_EQ(Value(store, "\\DVD"), "Digital Video Disc");
  EXPECT_EQ(Value(store, "\\DVD\\DefaultIcon"), kRef + ",0");
  EXPECT_EQ(Value(store, "\\DVD\\Shell\\Play"), "Play");
  // Asked again (the desktop lost our default meanwhile): the backups still hold the old handler.
  TDVDAssociator(store, "ZV").Associate(kRef + ",0", kRef + " \"%1\"");
  EXPECT_EQ(Value(store, "\\DVD\\Shell", "ZV.Backup"), "PlayWithOther");
  EXPECT_EQ(Value(store, "\\DVD\\Shell\\Play\\Command", "ZV.Backup"), "older.exe %1");
  types.SetDVDAssociation(false);
  EXPECT_FALSE(types.IsDVDAssociated());
  EXPECT_EQ(Value(store, "\\DVD\\Shell"), "PlayWithOther");
  EXPECT_EQ(Value(store, "\\DVD\\Shell\\Play\\Command"), "older.exe %1");
  std::string once = store.Dump();
  types.SetDVDAssociation(false);
  TDVDAssociator(store, "ZV").Unassociate();
  EXPECT_EQ(store.Dump(), once);
  TMemoryAssocStore empty;
  TDVDAssociator(empty, "ZV").Unassociate();
  EXPECT_EQ(empty.Dump(), "");
}

// A store refusing the icon key: the other steps still run; a store that cannot be written at all
// cannot be used.
TEST(FileTypeAssociation, AFailingStepIsSwallowedAndTheNextStillRuns) {
  struct TNoIcons : TMemoryAssocStore {
    bool CreateKey(std::string_view key) override {
      return key.ends_with("DefaultIcon") ? false : TMemoryAssocStore::CreateKey(key);
    }
  } store;
  auto table = Table();
  TExplorerIntegrator types(table.get(), {&store, kExe, "/opt/zelvar/", nullptr});
  EXPECT_TRUE(types.CanWriteAssociations());
  types.Associate("MKV", true);
  EXPECT_TRUE(types.IsAssociated("MKV"));
  EXPECT_EQ(Value(store, "\\MKVfile"), "Matroska video");
  EXPECT_FALSE(store.KeyExists("\\MKVfile\\DefaultIcon"));

  TMemoryAssocStore locked;
  locked.SetReadOnly(true);
  TExplorerIntegrator none(table.get(), {&locked, kExe, "/opt/zelvar/", nullptr});
  EXPECT_FALSE(none.CanWriteAssociations());
  none.Associate("MKV", true);
  EXPECT_FALSE(none.IsAssociated("MKV"));
  EXPECT_FALSE(TExplorerIntegrator(table.get()).CanWriteAssociations());
}

TEST(FileTypeAssociation, InstallTakesTheUsualTypesAndUninstallGivesEveryTypeBack) {
  auto table = std::make_unique<TXMLNode>("FileTypes");
  for (const char* id : {"ZVP", "AVI", "MP3", "OGM", "OGG", "WAV", "M3U", "MPG", "MKV", "MKA", "MOV"}) {
    TXMLNode* e = table->AddChild("EXT");
    e->AddAttr("id", id);
    e->AddAttr("type", "V");
  }
  struct TCounting : IFileTypeShell {
    int calls = 0;
    void AssociationsChanged(const TExplorerIntegrator&) override { ++calls; }
  } shell;
  TMemoryAssocStore store;
  Put(store, "\\SystemFileAssociations\\.avi\\shellex\\PropertyHandler", "", "x");
  TExplorerIntegrator types(table.get(), {&store, kExe, "/opt/zelvar/", &shell});
  types.InstallTypes();
  std::string taken;
  for (const std::string& id : types.TypeList("*"))
    taken += types.IsAssociated(id) ? id + " " : "";
  EXPECT_EQ(taken, "ZVP AVI MP3 OGM OGG M3U MPG MKV MKA ");
  EXPECT_EQ(shell.calls, 1);
  EXPECT_EQ(Value(store, "\\SystemFileAssociations\\.avi\\shellex\\PropertyHandler"), "");
  types.UninstallTypes();
  EXPECT_EQ(shell.calls, 2);
  EXPECT_EQ(store.Dump().find("ZV."), std::string::npos) << store.Dump();
  EXPECT_FALSE(store.KeyExists("\\.WAV")) << "never associated, never created";
  EXPECT_EQ(Value(store, "\\SystemFileAssociations\\.avi\\shellex\\PropertyHandler"),
            "{87D62D94-71B3-4b9a-9489-5FE6850DC73E}");
}

TEST(FileTypeAssociation, TheStoreFileKeepsWhatWasWrittenAndAFileItCannotReadIsNeverReplaced) {
  fs::path dir = fs::temp_directory_path() / ("zv-assoc-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  std::string path = (dir / "sub" / "Associations.xml").string();
  std::string dump;
  {
    TFileAssocStore store(path);
    EXPECT_FALSE(store.ReadOnly());
    Put(store, "\\.avi", "", "AVIfile");
    Put(store, "\\AVIfile\\Shell\\Open\\Command", "", "\"/a b/<x>&\" \"%1\"");
    Put(store, "\\AVIfile", "desc ", " trailing blank ");
    ASSERT_TRUE(store.Flush());
    dump = store.Dump();
    EXPECT_TRUE(store.MoveKey("\\AVIfile\\Shell\\Open", "\\AVIfile\\Shell\\Play"));
    EXPECT_FALSE(store.MoveKey("\\AVIfile", "\\AVIfile\\Shell\\Inner")) << "a key cannot move below itself";
    EXPECT_TRUE(store.MoveKey("\\AVIfile\\Shell\\Play", "\\AVIfile\\Shell\\Open"));
  } // written again when it goes
  {
    TFileAssocStore again(path);
    EXPECT_EQ(again.Dump(), dump);
  }
  std::ofstream(path, std::ios::trunc) << "not a store";
  {
    TFileAssocStore broken(path);
    EXPECT_TRUE(broken.ReadOnly());
    EXPECT_FALSE(broken.CreateKey("\\.mkv"));
  }
  std::ifstream in(path);
  std::string kept((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(kept, "not a store");
  fs::remove_all(dir);
}

} // namespace
} // namespace zv
