// What both definition fuzz targets check besides "no crash": loading a
// stream into stand-in install classes either fails with an error of the
// system's own, or gives objects that write back to a stream that loads into
// the same objects again.
#pragma once

#include "definition/loader.h"
#include "definition/main_form.h"
#include "ui/main_form.h"
#include "definition/test_classes.h"
#include "definition/writer.h"

#include <cstdio>
#include <cstdlib>

namespace quendel::fuzz {

[[noreturn]] inline void Die(const char* What) {
  std::fprintf(stderr, "fuzz check failed: %s\n", What);
  std::abort();
}

inline const TClassRegistry& Classes() {
  static const TClassRegistry registry = [] {
    TClassRegistry r = deftest::MakeRegistry();
    r.Register<TfrmMainMenu>();
    return r;
  }();
  return registry;
}

inline void LoadAndRewrite(const TObjectRecord& Stream) {
  deftest::Log().clear();
  TfrmMainMenu root(nullptr);
  try {
    LoadDefinition(Stream, root, {&Classes(), nullptr});
  } catch (const Exception&) {
    if (root.ComponentCount() != 0) Die("a failed load left objects behind");
    return;
  }
  const TObjectRecord written = ComponentToObject(root);
  TfrmMainMenu again(nullptr);
  try {
    LoadDefinition(written, again, {&Classes(), nullptr});
  } catch (const Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    Die("what the writer wrote does not load");
  }
  if (!(ComponentToObject(again) == written)) Die("writing the reloaded objects differs");
  deftest::Log().clear();
}

} // namespace quendel::fuzz
