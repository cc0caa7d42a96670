// The standard path specifier classes as a family: their registration with
// the class registry (so that definitions can create them) and with a model
// context's class list (so that a new definition gets one of each).
#pragma once

#include "core/component.h"
#include "core/reflection.h"

#include <vector>

namespace quendel {

struct TModelContext;

// The standard classes in registration order: the install's own locations
// and classic folders, then the shell folders, then the Office folders.
const std::vector<const TClassInfo*>& StandardPathClasses();

// Registers every path specifier class with ClassRegistry(). Harmless to call
// more than once.
void RegisterPathClasses();

// Registers the standard classes in the context's class list, in order, and
// lets the context give every form that receives a new install object its
// missing standard specifiers.
void SetupPathSpecifiers(TModelContext& Context);

// Creates, owned by Owner, one instance of every class in the context's class
// list, each named by its DefaultName; with OnlyMissing, classes that already
// have an instance in the context are skipped. A name Owner already uses gets
// the first free number appended ("psSystem1"). Returns what was created.
std::vector<TComponent*> CreateStandardSpecifiers(TComponent* Owner, bool OnlyMissing,
                                                  TModelContext& Context);
// The same in the current model context.
std::vector<TComponent*> CreateStandardSpecifiers(TComponent* Owner, bool OnlyMissing);

} // namespace quendel
