#include "commands/entity_manager.h"

#include <gtest/gtest.h>

using namespace zv;

TEST(EntityManager, HoldersEntitiesAndExecute) {
  TEntityManager em;
  TEntityHolder& h = em.Holder("Player.Volume(50)");
  EXPECT_EQ(h.Name(), "Player.Volume");
  EXPECT_EQ(&em.Holder("player.volume"), &h);
  int notified = 0, adds = 0;
  h.onAdd = [&](TEntityHolder&) { ++adds; };
  em.Subscribe("Player.Volume", THandlerKey::Tagged(&notified, 0), [&](TEntityHolder& sender) {
    EXPECT_EQ(&sender, &h);
    ++notified;
  });
  EXPECT_EQ(adds, 1);
  auto basic = std::make_unique<TBasicEntity>();
  int executed = 0;
  basic->executeAction = [&](TEntityHolder&) { ++executed; };
  basic->maximum = 100;
  em.SetEntity("Player.Volume", std::move(basic));
  EXPECT_EQ(notified, 1);
  em.SetNumber("Player.Volume", 30);
  EXPECT_EQ(em.GetNumber("PLAYER.VOLUME"), 30);
  EXPECT_EQ(notified, 2);
  em.Execute("Player.Volume(ignored)");
  EXPECT_EQ(executed, 1);
  auto text = std::make_unique<TStringEntity>();
  std::string changedTo;
  text->changeAction = [&](TEntityHolder& sender) { changedTo = em.GetText(sender.Name()); };
  em.SetEntity("Skin.Name", std::move(text));
  em.Execute("Skin.Name(Blue (dark))");
  EXPECT_EQ(changedTo, "Blue (dark)");
  // Other kinds read as 0 or empty and ignore writes.
  EXPECT_EQ(em.GetText("Player.Volume"), "");
  EXPECT_EQ(em.GetNumber("Skin.Name"), 0);
  em.SetText("Player.Volume", "x");
  em.Unsubscribe("Player.Volume", THandlerKey::Tagged(&notified, 0));
  em.SetNumber("Player.Volume", 1);
  EXPECT_EQ(notified, 2);
}

TEST(EntityManager, QueueAndOwners) {
  TEntityManager em;
  em.PushToQueue("");
  em.PushToQueue("App.Exit()");
  EXPECT_EQ(em.Queue().size(), 1u);
  TEntityHolder& h = em.Holder("Owned");
  em.NotifyOwner(h); // no entity: only a log line
  auto e = std::make_unique<TBasicEntity>();
  int owner = 0;
  e->ownerCallback = [&](TEntityHolder&) { ++owner; };
  em.SetEntity("Owned", std::move(e));
  em.NotifyOwner(h);
  EXPECT_EQ(owner, 1);
}

TEST(KeyboardManager, EmptyListsFindNothingAndLookupsFollowTheRules) {
  TEntityManager em;
  TKeyboardManager km(em);
  EXPECT_EQ(km.KeyTextFor("*", "Play"), "");
  km.KeyMap().push_back({"Main", "Play", "Space"});
  km.KeyMap().push_back({"Main", "play", "P"});
  km.KeyMap().push_back({"List", "Play", "Enter"});
  EXPECT_EQ(km.KeyTextFor("main", "PLAY"), "P");
  EXPECT_EQ(km.KeyTextFor("*", "Play"), "Enter");
  EXPECT_EQ(km.KeyTextFor("Other", "Play"), "");
  auto b = std::make_unique<TBasicEntity>();
  int runs = 0;
  b->executeAction = [&](TEntityHolder&) { ++runs; };
  em.SetEntity("Go", std::move(b));
  km.HotKeys().push_back({7, "Go()"});
  km.HotKeyPressed(7);
  km.HotKeyPressed(8);
  EXPECT_EQ(runs, 1);
}
