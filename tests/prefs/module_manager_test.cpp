#include "prefs/module_manager.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
struct Counted : TModule {
  Counted(const std::string& name, std::unique_ptr<TXMLPrefs> s, int* alive)
      : TModule(name, std::move(s)), alive_(alive) {
    ++*alive_;
  }
  ~Counted() override { --*alive_; }
  int* alive_;
};
} // namespace

TEST(ModuleManager, CreatesEnabledModulesWithTheirSections) {
  TXMLTree doc;
  doc.LoadFromString("<APP><Modules><GlobalKeys enabled=\"1\" MMKeys=\"1\"/><Stub enabled=\"\"/></Modules></APP>");
  TXMLPrefs prefs(doc.Root());
  int alive = 0;
  TModuleManager mm(prefs);
  auto factory = [&alive](const std::string& name, std::unique_ptr<TXMLPrefs> s) {
    return std::make_unique<Counted>(name, std::move(s), &alive);
  };
  mm.RegisterModule("GlobalKeys", factory);
  mm.RegisterModule("Stub", factory);
  mm.LoadAll();
  EXPECT_EQ(alive, 1);
  ASSERT_NE(mm.Find("globalkeys"), nullptr);
  EXPECT_TRUE(mm.Find("GlobalKeys")->Section().GetBool("MMKeys"));
  EXPECT_EQ(mm.Find("Stub"), nullptr);
  mm.SetEnabled("Stub", true);
  EXPECT_EQ(alive, 2);
  EXPECT_EQ(prefs.GetString("Modules.Stub.enabled"), "1");
  mm.SetEnabled("GlobalKeys", false);
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(mm.Find("GlobalKeys"), nullptr);
  mm.FreeAll();
  EXPECT_EQ(alive, 0);
}
