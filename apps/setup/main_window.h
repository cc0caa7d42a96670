// The setup program's main window: a plain top-level window with the
// product's caption. Its first activation starts the run.
#pragma once

#include "engine/setup_program.h"

namespace quendel::setup {

class TWin32WindowHost final : public IWindowHost {
public:
  void Run(TApplication& App, TfrmMainMenu& Form) override;
};

} // namespace quendel::setup
