#pragma once

// Helpers for the web view host's own Objective-C classes and the few Foundation values it makes.

#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "framework/panic.hpp"
#include "platform/objc/runtime.hpp"

namespace vessimor::webview {

using objc::Class;
using objc::id;
using objc::NSInteger;
using objc::NSPoint;
using objc::NSRect;
using objc::NSSize;
using objc::NSUInteger;
using objc::SEL;
using objc::Strong;

// The platform class of that name; its absence is a broken invariant.
Class must_class(const char* name);

// An NSString with the text (UTF-8), owned.
Strong ns_string(std::string_view text);
// The text of an NSString (its UTF8String up to the first zero byte); nothing for nil.
std::optional<std::string> string_text(id string);
// [NSNumber numberWithBool:] and numberWithInteger:, retained.
Strong ns_bool(bool value);
Strong ns_integer(NSInteger value);

// A class declared at run time whose instances each own one `Data`, kept in the instance
// variable "vessimor_data" and destroyed when the instance is released for the last time (after
// `Data::on_release(self)`, when Data has one). Each Data type belongs to one class.
template <class Data>
struct DataClass {
  // Declares the class once per process (the caller keeps the result in a static): creates the
  // pair under `superclass`, adopts the protocols the runtime knows, adds the instance variable,
  // dealloc and the methods `add_methods` adds, and registers it. A class of that name declared
  // earlier in the process (another copy of this library) is used as it is.
  static Class declare(const char* name, Class superclass,
                       std::initializer_list<const char*> protocols, void (*add_methods)(Class)) {
    Class made = objc::allocate_class(superclass, name);
    if (made == nullptr) {
      cls = objc::get_class(name);
      if (cls == nullptr) VESSIMOR_PANIC("Failed to declare the class {}", name);
      return cls;
    }
    objc::add_ivar<Data*>(made, "vessimor_data");
    for (const char* protocol : protocols) objc::adopt_protocol(made, protocol);
    objc::add_method(made, "dealloc", &dealloc);
    if (add_methods != nullptr) add_methods(made);
    objc::register_class(made);
    cls = made;
    return cls;
  }

  // A new instance (+1, not yet sent init) that owns `data`: constructors store the data before
  // they send the superclass's init.
  static id alloc_with(Class of, std::unique_ptr<Data> data) {
    id object = objc::send<id()>(of, "alloc");
    *slot(object) = data.release();
    return object;
  }

  static Data& data(id self) {
    Data* data = self == nullptr ? nullptr : *slot(self);
    if (data == nullptr) VESSIMOR_PANIC("{} has no instance data", objc::class_name(cls));
    return *data;
  }

 private:
  static Data** slot(id self) {
    Data** slot = objc::ivar_ptr<Data*>(self, "vessimor_data");
    if (slot == nullptr) VESSIMOR_PANIC("instance variable vessimor_data is missing");
    return slot;
  }

  static void dealloc(id self, SEL) {
    guard_entry([self] {
      if (Data* data = std::exchange(*slot(self), nullptr)) {
        if constexpr (requires { data->on_release(self); }) data->on_release(self);
        delete data;
      }
      objc::send_super<void()>(self, objc::superclass_of(cls), "dealloc");
    });
  }

  static inline Class cls = nullptr;
};

}  // namespace vessimor::webview
