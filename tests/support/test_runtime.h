// The system's runtime on a scratch machine, for tests of the layers that
// need every context at once (the runtime, the engine, the programs).
// Suites of a single lower layer make just their own context instead.
#pragma once

#include "runtime/runtime.h"
#include "support/fake_system.h"
#include "support/scratch_machine.h"

#include <memory>

namespace quendel::test {

class TTestRuntime {
public:
  // On the scratch machine with a fake system information the test can
  // change through System().
  TTestRuntime() : FRuntime(MakePlatform(FMachine, FSystem)) {}

  TRuntime& Runtime() { return FRuntime; }
  TScratchMachine& Machine() { return FMachine; }
  TFakeSystem& System() { return *FSystem; }

private:
  static platform::TPlatform MakePlatform(TScratchMachine& M, TFakeSystem*& System) {
    auto Fake = std::make_unique<TFakeSystem>();
    System = Fake.get();
    return M.MakePlatform(std::move(Fake));
  }

  TScratchMachine FMachine;
  TFakeSystem* FSystem = nullptr;
  TRuntime FRuntime; // last: it dies before the machine it works on
};

} // namespace quendel::test
