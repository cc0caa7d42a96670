// Writing live objects back to an object stream: the root's record with its
// properties, then the root's owned components in creation order (a component
// that names another as its parent, IParentedComponent, is written inside
// that component's record).
//
// Only what a loader needs is written: properties whose value differs from
// the declared default (TPropInfo::IsStored), sub-objects as dotted names,
// string lists as "Name.Strings", pictures as "Name.Data", references as the
// name of their target, and the extra stored values of DefineProperties.
// Event handlers are bound by code, not stored, and are never written.
#pragma once

#include "core/component.h"
#include "definition/object_stream.h"

#include <cstdint>
#include <vector>

namespace quendel {

// Raises EWriteError for what cannot be stored (a reference to an object
// without a name, an extra value beyond 32 bits, nesting beyond kMaxNesting).
TObjectRecord ComponentToObject(const TComponent& Root);

// "TPF0" and the root record.
std::vector<std::uint8_t> WriteDefinition(const TComponent& Root);

} // namespace quendel
