#include "model/model_context.h"

#include <gtest/gtest.h>

namespace quendel {
namespace {

TEST(UniqueIDPool, Allocate_LowestFreeSlotWithinBounds) {
  TUniqueIDPool Pool;
  EXPECT_EQ(Pool.Allocate(), 0);
  EXPECT_EQ(Pool.Allocate(), 1);
  Pool.Mark(2);
  Pool.Release(0);
  EXPECT_EQ(Pool.Allocate(), 0);
  EXPECT_EQ(Pool.Allocate(), 3);
  // Stored identifiers outside the pool are ignored, not written past its end.
  Pool.Mark(2000);
  Pool.Mark(-1);
  Pool.Release(5000);
  EXPECT_FALSE(Pool.IsTaken(2000));

  // A loaded definition's identifiers replace those handed out: once.
  Pool.ResetOnce();
  EXPECT_FALSE(Pool.IsTaken(1));
  Pool.Mark(7);
  Pool.ResetOnce();
  EXPECT_TRUE(Pool.IsTaken(7));

  for (int i = 0; i < TUniqueIDPool::Size; ++i)
    Pool.Mark(i);
  EXPECT_EQ(Pool.Allocate(), 0); // full
}

TEST(RegistryLists, Add_RefusesNil) {
  TModelContext Context;
  try {
    Context.AllContainers.Add(nullptr);
    ADD_FAILURE();
  } catch (const IEContainerList& E) {
    EXPECT_EQ(E.Message(), "Cannot add a blank entry to the TInstallContainerList object");
  }
  try {
    Context.AllInstallFiles.Add(nullptr);
    ADD_FAILURE();
  } catch (const IECustomInstallFileList& E) {
    EXPECT_EQ(E.Message(), "Cannot add a blank entry to the TCustomInstallFileList object");
  }
}

} // namespace
} // namespace quendel
