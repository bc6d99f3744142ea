#include "commands/model_manager.h"

#include <gtest/gtest.h>

using namespace zv;

namespace {
// Counts how it is called and can run an extra action inside the call.
struct Listener {
  int calls = 0;
  std::function<void()> during;
  void OnChange() {
    ++calls;
    if (during)
      during();
  }
  THandlerKey Key() const { return THandlerKey::Of(this, &Listener::OnChange); }
  std::function<void()> Fn() {
    return [this] { OnChange(); };
  }
};

struct Tracked : TSInt32Model {
  explicit Tracked(bool* freed) : freed_(freed) {}
  ~Tracked() override { *freed_ = true; }
  bool* freed_;
};
} // namespace

TEST(BlindNotifier, RemovingDuringNotifyNeitherSkipsNorRepeats) {
  TBlindNotifier n;
  Listener a, b, c;
  std::vector<char> order;
  n.Add(a.Key(), [&] {
    order.push_back('a');
    n.Remove(b.Key()); // b is not called in this round
  });
  n.Add(b.Key(), [&] { order.push_back('b'); });
  n.Add(c.Key(), [&] {
    order.push_back('c');
    n.Add(THandlerKey::Tagged(&order, 1), [&] { order.push_back('d'); }); // next round only
  });
  n.Notify();
  EXPECT_EQ(order, (std::vector<char>{'a', 'c'}));
  order.clear();
  n.Notify();
  EXPECT_EQ(order, (std::vector<char>{'a', 'c', 'd'}));
  EXPECT_EQ(n.Count(), 4u); // a, c and the two handlers c added, one per round
}

TEST(BlindNotifier, SameMethodOfTwoObjectsAreTwoHandlers) {
  TBlindNotifier n;
  Listener x, y;
  n.Add(&x, &Listener::OnChange);
  n.Add(&y, &Listener::OnChange);
  n.Remove(&x, &Listener::OnChange);
  n.Notify();
  EXPECT_EQ(x.calls, 0);
  EXPECT_EQ(y.calls, 1);
  // Removing a handler that removes itself while running is safe.
  Listener z;
  z.during = [&] { n.Remove(&z, &Listener::OnChange); };
  n.Add(&z, &Listener::OnChange);
  n.Notify();
  n.Notify();
  EXPECT_EQ(z.calls, 1);
  EXPECT_EQ(y.calls, 3);
}

TEST(ModelManager, LateBindingNotifiesLinkAndValue) {
  TModelManager m;
  Listener link, both;
  m.SubscribeLink("X", link.Key(), link.Fn());
  m.Subscribe("X", both.Key(), both.Fn());
  EXPECT_EQ(m.GetModel("x"), nullptr);
  auto* model = m.Register("x", std::make_unique<TSInt32Model>(3));
  EXPECT_EQ(link.calls, 1);
  EXPECT_EQ(both.calls, 2); // once through the link notifier, once through the value notifier
  EXPECT_EQ(m.GetModel("X"), model);
  EXPECT_EQ(m.ProxyCount(), 1u);
  model->Set(3); // the same value: no notification
  EXPECT_EQ(both.calls, 2);
  model->Set(4);
  EXPECT_EQ(both.calls, 3);
  EXPECT_EQ(link.calls, 1);
  m.Unsubscribe("X", both.Key());
  model->Set(5);
  EXPECT_EQ(both.calls, 3);
}

TEST(ModelManager, ExecuteRunsCommandsAndTogglesIntegers) {
  TModelManager m;
  int runs = 0;
  auto* cmd = m.Register("App.Exit", std::make_unique<TCommandModel>([&] { ++runs; }));
  m.Execute("app.exit");
  EXPECT_EQ(runs, 1);
  cmd->SetDisabled(true);
  m.Execute("App.Exit");
  EXPECT_EQ(runs, 1);
  m.Register("Audio.Mute", std::make_unique<TSInt32Model>(5));
  m.Execute("Audio.Mute");
  EXPECT_EQ(m.GetInt("Audio.Mute"), 0);
  m.Execute("Audio.Mute");
  EXPECT_EQ(m.GetInt("Audio.Mute"), 1);
  m.Register("Title", std::make_unique<TStringModel>("a"));
  m.Execute("Title"); // nothing for text models
  m.Execute("");
  m.Execute("Nobody");
  EXPECT_EQ(m.GetString("Title"), "a");
  // Unknown names read as 0 or empty text, writes are ignored.
  EXPECT_EQ(m.GetInt("Nobody"), 0);
  m.SetInt("Nobody", 3);
  m.SetString("Audio.Mute", "x");
  EXPECT_EQ(m.GetString("Audio.Mute"), "");
  EXPECT_EQ(m.GetInt("Title"), 0);
  m.SetString("Title", "b");
  EXPECT_EQ(m.GetString("TITLE"), "b");
}

TEST(ModelManager, UnregisterTellsSubscribersThenFrees) {
  TModelManager m;
  bool freed = false;
  auto* model = m.Register("App.Subs.Shift0", std::make_unique<Tracked>(&freed));
  Listener link;
  bool sawNoModel = false;
  link.during = [&] { sawNoModel = m.GetModel("App.Subs.Shift0") == nullptr && !freed; };
  m.SubscribeLink("App.Subs.Shift0", link.Key(), link.Fn());
  (void)model;
  m.Unregister("app.subs.shift0");
  EXPECT_TRUE(sawNoModel);
  EXPECT_TRUE(freed);
  m.Unregister("app.subs.shift0"); // nothing left to remove
  EXPECT_EQ(link.calls, 1);
}

TEST(ModelManager, ReplacingUnlinksButKeepsTheOldModel) {
  TModelManager m;
  bool freed = false;
  auto* first = m.Register("N", std::make_unique<Tracked>(&freed));
  Listener values;
  m.Subscribe("N", values.Key(), values.Fn());
  auto* second = m.Register("N", std::make_unique<TSInt32Model>(7));
  EXPECT_FALSE(freed);
  EXPECT_EQ(m.GetModel("N"), second);
  int before = values.calls;
  first->Set(42); // the old model no longer speaks for the name
  EXPECT_EQ(values.calls, before);
  EXPECT_EQ(first->Proxy(), nullptr);
  second->Set(8);
  EXPECT_EQ(values.calls, before + 1);
}

TEST(ModelManager, DestructionFreesWhatIsLeft) {
  bool freed = false;
  {
    TModelManager m;
    m.Register("Left.Over", std::make_unique<Tracked>(&freed));
  }
  EXPECT_TRUE(freed);
}

TEST(LazyModeller, RegistersOnlyMissingNamesAndUnregistersItsOwn) {
  TModelManager m;
  auto* existing = m.Register("App.Existing", std::make_unique<TSInt32Model>(1));
  {
    TLazyModeller lazy(m);
    lazy.SetInt("App.Existing", 9); // not registered again, but set
    EXPECT_EQ(m.GetModel("App.Existing"), existing);
    EXPECT_EQ(existing->Get(), 9);
    lazy.SetInt("App.New", 4);
    lazy.SetString("App.Text", "t");
    int runs = 0;
    lazy.RegisterCommand("App.Cmd", [&] { ++runs; });
    m.Execute("App.Cmd");
    EXPECT_EQ(runs, 1);
    Listener own;
    lazy.Named("App.New").SetInt(6).Subscribe(own.Key(), own.Fn());
    m.SetInt("App.New", 7);
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(lazy.Named("App.Text").Name(), "App.Text");
    EXPECT_EQ(lazy.Names(), (std::vector<std::string>{"App.New", "App.Text", "App.Cmd"}));
  }
  EXPECT_EQ(m.GetModel("App.New"), nullptr);
  EXPECT_EQ(m.GetModel("App.Cmd"), nullptr);
  EXPECT_EQ(m.GetModel("App.Existing"), existing);
}
