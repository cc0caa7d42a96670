// Registration of the model layer's classes with the class registry.
#pragma once

namespace quendel {

// Registers every class of the install object model so that definitions and
// tools can create and name them. Harmless to call more than once.
void RegisterModelClasses();

} // namespace quendel
