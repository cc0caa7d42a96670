// Labels and buttons that take their caption from a table by identifier: the
// widget layer's TTranslateLabel and TTranslateBitBtn. The translator finds
// them by class and works with their published Caption and GLID.
#pragma once

#include "ui/controls.h"

namespace quendel {

using ui::TTranslateBitBtn;
using ui::TTranslateLabel;

} // namespace quendel
