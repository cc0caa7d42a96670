#include "core/component.h"
#include "core/exceptions.h"
#include "core/reflection.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace quendel {
namespace {

// Counts its destructions and keeps a plain reference cleared by notification.
class TProbe : public TComponent {
public:
  explicit TProbe(TComponent* AOwner, std::vector<std::string>* Log = nullptr)
      : TComponent(AOwner), FLog(Log) {}
  ~TProbe() override {
    if (FLog) FLog->push_back("destroy " + Name());
  }
  void SetPeer(TComponent* P) {
    if (FPeer) FPeer->RemoveFreeNotification(this);
    FPeer = P;
    if (P) P->FreeNotification(this);
  }
  TComponent* Peer() const { return FPeer; }
  void Loaded() override {
    TComponent::Loaded();
    if (FLog) FLog->push_back("loaded " + Name());
  }
  int Removals = 0;

protected:
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (Op == opRemove) {
      ++Removals;
      if (C == FPeer) FPeer = nullptr;
    }
  }

private:
  std::vector<std::string>* FLog;
  TComponent* FPeer = nullptr;
};

TEST(Component, Ownership_OwnerDestroysOwnedLastFirst) {
  std::vector<std::string> log;
  {
    auto root = std::make_unique<TProbe>(nullptr, &log);
    root->SetName("Root");
    auto* a = new TProbe(root.get(), &log);
    a->SetName("A");
    auto* b = new TProbe(root.get(), &log);
    b->SetName("B");
    new TProbe(a, &log); // owned by A, destroyed with it
    EXPECT_EQ(root->ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), root.get());
    EXPECT_EQ(b->ComponentIndex(), 1);
  }
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0], "destroy Root"); // the derived destructor runs first
  EXPECT_EQ(log[1], "destroy B");
  EXPECT_EQ(log[2], "destroy A"); // then what A owns
  EXPECT_EQ(log[3], "destroy ");
}

TEST(Component, Ownership_FreeingOwnedComponentLeavesOwnerList) {
  TProbe root(nullptr);
  auto* a = new TProbe(&root);
  auto* b = new TProbe(&root);
  a->Free();
  ASSERT_EQ(root.ComponentCount(), 1);
  EXPECT_EQ(root.Components(0), b);
  EXPECT_THROW(root.Components(1), EListError);
}

TEST(Component, Ownership_InsertMovesBetweenOwners) {
  TProbe one(nullptr), two(nullptr);
  auto* c = new TProbe(&one);
  two.InsertComponent(c);
  EXPECT_EQ(one.ComponentCount(), 0);
  EXPECT_EQ(two.ComponentCount(), 1);
  EXPECT_EQ(c->Owner(), &two);
  two.RemoveComponent(c); // the caller owns it now
  std::unique_ptr<TProbe> owned(c);
  EXPECT_EQ(c->Owner(), nullptr);
}

TEST(Component, FreeNotification_ClearsReferenceAcrossOwners) {
  TProbe holderOwner(nullptr), targetOwner(nullptr);
  auto* holder = new TProbe(&holderOwner);
  auto* target = new TProbe(&targetOwner);
  holder->SetPeer(target);
  target->Free();
  EXPECT_EQ(holder->Peer(), nullptr);
}

TEST(Component, FreeNotification_SiblingsHearOfRemoval) {
  TProbe root(nullptr);
  auto* holder = new TProbe(&root);
  auto* target = new TProbe(&root);
  // no explicit FreeNotification: the owner tells its components
  holder->SetPeer(nullptr);
  holder->Removals = 0;
  target->Free();
  EXPECT_EQ(holder->Removals, 1);
}

TEST(Component, FreeNotification_HolderDyingFirstLeavesNoDanglingEntry) {
  TProbe a(nullptr);
  {
    TProbe holder(nullptr);
    holder.SetPeer(&a);
  }
  // a must not try to notify the destroyed holder when it dies; ASan checks.
  SUCCEED();
}

TEST(Component, FreeNotification_OwnerDestructionClearsSiblingReferences) {
  std::vector<std::string> log;
  auto root = std::make_unique<TProbe>(nullptr);
  auto* first = new TProbe(root.get());
  auto* second = new TProbe(root.get());
  first->SetPeer(second);
  second->SetPeer(first);
  root.reset(); // second dies first; first must not keep a dangling pointer (ASan)
}

TEST(Component, Names_RulesAndUniqueness) {
  TProbe root(nullptr);
  auto* a = new TProbe(&root);
  a->SetName("Install1");
  auto* b = new TProbe(&root);
  try {
    b->SetName("install1");
    FAIL() << "duplicate name accepted";
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named install1 already exists");
  }
  try {
    b->SetName("1abc");
    FAIL() << "invalid name accepted";
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "''1abc'' is not a valid component name");
  }
  EXPECT_THROW(b->SetName("a b"), EComponentError);
  EXPECT_THROW(b->SetName("a.b"), EComponentError);
  b->SetName("_x9");
  a->SetName("INSTALL1"); // renaming to itself in another case is allowed
  EXPECT_EQ(root.FindComponent("install1"), a);
  EXPECT_EQ(root.FindComponent("_X9"), b);
  EXPECT_EQ(root.FindComponent(""), nullptr);
  b->SetName(""); // unnamed components are allowed, any number of them
  new TProbe(&root);
  EXPECT_EQ(root.FindComponent("_x9"), nullptr);
}

TEST(Component, Names_InsertingClashingNameIsRefused) {
  TProbe one(nullptr), two(nullptr);
  (new TProbe(&one))->SetName("Same");
  auto* other = new TProbe(&two);
  other->SetName("Same");
  EXPECT_THROW(one.InsertComponent(other), EComponentError);
  EXPECT_EQ(other->Owner(), &two);
}

TEST(Component, States_LoadingDesigningDestroying) {
  std::vector<std::string> log;
  TProbe root(nullptr, &log);
  root.SetName("R");
  auto* c = new TProbe(&root);
  root.SetDesigning(true);
  EXPECT_TRUE(c->IsDesigning());
  auto* late = new TProbe(&root); // joins a designing owner
  EXPECT_TRUE(late->IsDesigning());
  root.SetLoading();
  EXPECT_TRUE(root.IsLoading());
  root.Loaded();
  EXPECT_FALSE(root.IsLoading());
  EXPECT_EQ(log.back(), "loaded R");
  EXPECT_FALSE(c->IsDestroying());
}

TEST(Component, DefineProperties_LeftTopStoredOnlyWhenSet) {
  TProbe c(nullptr);
  std::vector<TExtraProperty> props;
  c.DefineProperties(props);
  ASSERT_EQ(props.size(), 2u);
  EXPECT_FALSE(props[0].Stored);
  props[0].Write(120);
  props[1].Write(-8);
  EXPECT_EQ(c.DesignLeft, 120);
  EXPECT_EQ(c.DesignTop, -8);
  props.clear();
  c.DefineProperties(props);
  EXPECT_TRUE(props[1].Stored);
  EXPECT_EQ(props[1].Read(), -8);
}

TEST(Strings, ListEditingAndText) {
  TStringList s;
  int changes = 0;
  s.OnChange = [&](TStrings&) { ++changes; };
  s.Add("one");
  s.Add("Two");
  s.Insert(0, "zero");
  EXPECT_EQ(s.IndexOf("TWO"), 2);
  EXPECT_EQ(s.IndexOf("three"), -1);
  EXPECT_EQ(s.Text(), "zero\r\none\r\nTwo\r\n");
  s.SetText("a\r\nb\nc\r\r\n");
  ASSERT_EQ(s.Count(), 4);
  EXPECT_EQ(s[2], "c");
  EXPECT_EQ(s[3], "");
  EXPECT_THROW(s.Strings(4), EListError);
  EXPECT_THROW(s.Insert(6, "x"), EListError);
  EXPECT_THROW(s.Delete(-1), EListError);
  EXPECT_EQ(changes, 4);
}

TEST(Picture, StoredFormRoundTripAndValidation) {
  std::vector<std::uint8_t> bmp(62, 0);
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[14] = 40;                  // BITMAPINFOHEADER
  bmp[18] = 3;                   // width 3
  bmp[22] = 0xFE;                // height -2: top-down
  bmp[23] = bmp[24] = bmp[25] = 0xFF;
  TPicture p;
  p.SetBitmap(bmp);
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Height(), 2);
  const auto stored = p.SaveToStream();
  ASSERT_EQ(stored.size(), 1 + 7 + 4 + bmp.size());
  EXPECT_EQ(stored[0], 7);
  TPicture q;
  q.LoadFromStream(stored);
  EXPECT_EQ(q.Data(), bmp);
  EXPECT_EQ(q.GraphicClass(), "TBitmap");

  auto truncated = stored;
  truncated.resize(stored.size() - 1); // size field claims more than follows
  EXPECT_THROW(q.LoadFromStream(truncated), EInvalidGraphic);
  auto wrongClass = stored;
  wrongClass[1] = 'X';
  EXPECT_THROW(q.LoadFromStream(wrongClass), EInvalidGraphic);
  EXPECT_THROW(q.LoadFromStream({200}), EInvalidGraphic);
  EXPECT_THROW(p.SetBitmap({'G', 'I', 'F'}), EInvalidGraphic);
  q.LoadFromStream({});
  EXPECT_TRUE(q.Empty());
}

} // namespace
} // namespace quendel
