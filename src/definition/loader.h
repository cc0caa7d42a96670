// Loading a definition: creating the registered classes named by an object
// stream, owned by a root, and setting their properties.
//
//   TfrmMainMenu form(nullptr);
//   LoadDefinition(ReadObjectStream(resourceBytes), form);
//
// Each object is created owned by the root, named, given its property values
// in stream order; after the whole root record the references between objects
// are resolved in stream order through the property writers; then the root and
// every created object, in creation order, are told (Loaded) that loading is
// complete. A failure raises the error and leaves no partial definition: the
// objects created so far are destroyed, the root gets its name back and leaves
// the loading state. (Property values already given to the root itself are
// not undone; the root is a new, empty object whose creation then fails.)
#pragma once

#include "core/component.h"
#include "core/reflection.h"
#include "definition/object_stream.h"

#include <map>
#include <string>
#include <string_view>

namespace quendel {

// Event handlers that a definition may name ("OnClick = ButtonClick"): each an
// event (TEvent) of the signature of the events it may be given to. The definitions
// carry none, so an event in a stream is refused unless code registered a
// handler of that name.
class THandlerRegistry {
public:
  // Replaces a handler of the same name (names ignore case).
  void Register(const std::string& Name, TAnyEvent Handler);
  // nullptr when absent.
  const TAnyEvent* Find(std::string_view Name) const;

private:
  std::map<std::string, TAnyEvent> FHandlers; // key: upper-cased name
};

// A component that sits inside another in the stream: visual controls take
// the enclosing object as their parent, and are written inside it.
class IParentedComponent {
public:
  virtual ~IParentedComponent() = default;
  virtual void SetParentComponent(TComponent* Parent) = 0;
  virtual TComponent* GetParentComponent() const = 0;
};

struct TLoadOptions {
  // Where class names are looked up; ClassRegistry() when null.
  const TClassRegistry* Classes = nullptr;
  // Handlers for event properties; none when null.
  const THandlerRegistry* Handlers = nullptr;
};

// Fills Root, a new object without components, from Stream. The stream's root
// record must name Root's class. Raises EReadError (EClassNotFound for an
// unregistered class), EComponentError for a bad or duplicate name, and
// whatever an object's Loaded raises.
void LoadDefinition(const TObjectRecord& Stream, TComponent& Root,
                    const TLoadOptions& Options = {});

} // namespace quendel
