#pragma once

// How the stand-in classes are made (internal to platform/apple). Every stand-in object is an
// instance of a class registered on the real runtime, rooted in the stand-in NSObject, and
// carries one C++ state object (a subclass of ObjectState matching its nearest stand-in class)
// in NSObject's instance variable. A stand-in method is a plain function `R f(id self, A...)`
// registered with `method<f>(cls, "selector:")`: the wrapper logs the call with its arguments
// before the body runs, so the log shows every operation in the order it was asked for.

#include <atomic>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/objc/block.hpp"
#include "platform/objc/runtime.hpp"

namespace vessimor::apple {

using objc::BlockRef;
using objc::Class;
using objc::id;
using objc::NSInteger;
using objc::NSPoint;
using objc::NSRect;
using objc::NSSize;
using objc::NSUInteger;
using objc::SEL;
using objc::Strong;

// One key-value observation registered on an object (addObserver:forKeyPath:options:context:).
struct Observation {
  id observer;  // not retained, as on the platform
  std::string key_path;
  NSUInteger options;
  void* context;
};

// The C++ side of every stand-in object.
struct ObjectState {
  virtual ~ObjectState() = default;
  // How the call log shows the object; empty: by its class name.
  virtual std::string describe() const { return {}; }

  std::atomic<long> retain_count{1};
  std::vector<Observation> observations;
  // Values set through setValue:forKey:.
  std::map<std::string, Strong, std::less<>> values;
};

// The state of an object, as the stand-in class that made it declared it. Asking for a state the
// object does not have is a programming error: it raises NSInvalidArgumentException.
ObjectState& object_state(id object);
template <class State>
State& state(id object);

// Declares a stand-in class whose instances carry `State`, under `superclass` (null: NSObject).
// The class is registered once every method is added, by `finish_class`.
using StateFactory = ObjectState* (*)();
Class begin_class(const char* name, Class superclass, StateFactory factory);
void finish_class(Class cls);
template <class State>
Class begin_class(const char* name, Class superclass) {
  return begin_class(name, superclass, []() -> ObjectState* { return new State(); });
}
Class stand_in_class(const char* name);  // a registered stand-in class; raises when missing

// --- The call log ----------------------------------------------------------------------------

std::string describe_object(id object);
inline std::string describe(id object) {
  return describe_object(object);
}
std::string describe(Class cls);
std::string describe(SEL selector);
std::string describe(bool value);
std::string describe(long value);
std::string describe(unsigned long value);
std::string describe(double value);
std::string describe(NSPoint value);
std::string describe(NSSize value);
std::string describe(NSRect value);
std::string describe(BlockRef block);
std::string describe(const char* text);
std::string describe(const void* pointer);
inline std::string describe(int value) {
  return describe(static_cast<long>(value));
}

void record(id receiver, bool class_method, SEL selector, std::vector<std::string> arguments);

// Raises an Objective-C exception (an NSException) as the platform does on misuse.
[[noreturn]] void raise(const char* name, std::string reason);

// Selectors that only exist from some OS version on answer NO to respondsToSelector: before it,
// and raise when sent anyway.
void check_available(id receiver, SEL selector);
bool is_available(SEL selector);

template <auto Fn, class = decltype(Fn)>
struct Imp;
template <auto Fn, class R, class... A>
struct Imp<Fn, R (*)(id, A...)> {
  static R logged(id self, SEL cmd, A... args) {
    record(self, false, cmd, {describe(args)...});
    check_available(self, cmd);
    return Fn(self, args...);
  }
  static R logged_class(id self, SEL cmd, A... args) {
    record(self, true, cmd, {describe(args)...});
    check_available(self, cmd);
    return Fn(self, args...);
  }
  static R quiet(id self, SEL, A... args) { return Fn(self, args...); }
};

// A logged instance method.
template <auto Fn>
void method(Class cls, const char* selector) {
  objc::add_method(cls, selector, &Imp<Fn>::logged);
}
// A logged class method.
template <auto Fn>
void class_method(Class cls, const char* selector) {
  objc::add_class_method(cls, selector, &Imp<Fn>::logged_class);
}
// Plumbing that the log leaves out (memory management, introspection).
template <auto Fn>
void quiet_method(Class cls, const char* selector) {
  objc::add_method(cls, selector, &Imp<Fn>::quiet);
}
template <auto Fn>
void quiet_class_method(Class cls, const char* selector) {
  objc::add_class_method(cls, selector, &Imp<Fn>::quiet);
}

// --- Objects ---------------------------------------------------------------------------------

// A new instance with its state's defaults, as a +1 reference. Stand-in states are complete when
// made; init methods only take their arguments. Objects the stand-ins make for themselves come
// from here (or make/make_autoreleased), so they do not show in the call log.
id alloc(Class cls);
Strong make(const char* class_name);
// Autoreleased, as the platform's convenience constructors answer.
id make_autoreleased(const char* class_name);

// Foundation values used across the stand-ins.
Strong ns_string(std::string_view text);
std::string string_text(id string);  // empty for nil
Strong ns_number(long value);
Strong ns_double(double value);
Strong ns_bool(bool value);
Strong ns_url(std::string_view text);
Strong ns_data(std::string_view bytes);
id ns_null();

// Key-value observation: tells every observer of `key_path` on `object` its new value.
void notify_observers(id object, std::string_view key_path, id new_value);

// The autorelease pool of the main run loop.
void add_to_autorelease_pool(id object);
void drain_autorelease_pool();

// Work that the platform does later on the main run loop (completion handlers).
void post_to_main_loop(std::function<void()> work);

// The OS version the stand-ins answer with.
objc::NSOperatingSystemVersion os_version();

template <class State>
State& state(id object) {
  ObjectState& base = object_state(object);
  auto* derived = dynamic_cast<State*>(&base);
  if (derived == nullptr) {
    raise("NSInvalidArgumentException",
          std::string(objc::class_name(objc::class_of(object))) + " is not the expected kind");
  }
  return *derived;
}

}  // namespace vessimor::apple
