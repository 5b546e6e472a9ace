#pragma once

// The one seam between C++ and the Objective-C runtime. Everything that talks to AppKit or WebKit
// goes through it: class look-up and declaration, instance variables, methods, protocols,
// selectors, typed message sends, memory management and exception catching (blocks:
// platform/objc/block.hpp). The same declarations have two back ends: the system runtime on
// macOS, and Debian's GNU runtime (libobjc) on Linux, where platform/apple stands in for AppKit
// and WebKit.
//
// Every function here may only be used on a thread the runtime knows; the platform's classes
// themselves are main-thread only.

#include <cstddef>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "platform/objc/types.hpp"

#if defined(__APPLE__)
#include <objc/message.h>
#endif

namespace vessimor::objc {

// --- Classes -------------------------------------------------------------------------------

// The class registered under `name`, or null.
Class get_class(const char* name) noexcept;
// The class of an object (for a class: its metaclass).
Class class_of(id object) noexcept;
Class superclass_of(Class cls) noexcept;
const char* class_name(Class cls) noexcept;
inline id as_id(Class cls) noexcept {
  return reinterpret_cast<id>(cls);
}

// Starts declaring a class; null when a class of that name is registered already. Add instance
// variables before register_class; methods and protocols may also come later.
Class allocate_class(Class superclass, const char* name) noexcept;
void register_class(Class cls) noexcept;

// A raw instance of a class (only a root class's +alloc uses this), and its disposal.
id create_instance(Class cls) noexcept;
void dispose_instance(id object) noexcept;

// --- Selectors, methods, protocols -----------------------------------------------------------

SEL sel(const char* name) noexcept;
const char* sel_name(SEL selector) noexcept;

bool add_method_raw(Class cls, SEL selector, IMP imp, const char* types) noexcept;
// Whether instances of the class answer the selector (without asking the object).
bool class_responds(Class cls, SEL selector) noexcept;

// The protocol the runtime knows under this name, or null.
Protocol* get_protocol(const char* name) noexcept;
// Adopts the named protocol if the runtime knows it; false (and nothing done) otherwise.
bool adopt_protocol(Class cls, const char* name) noexcept;
bool conforms_to(Class cls, Protocol* protocol) noexcept;

namespace detail {
template <class T>
std::string encoding() {
  return Encoding<std::remove_cv_t<T>>::value;
}

template <class R, class... A>
const char* method_types() {
  static const std::string types = ((encoding<R>() + "@:") + ... + encoding<A>());
  return types.c_str();
}
}  // namespace detail

// Adds an instance method; the type encoding comes from the function's own type.
template <class R, class... A>
bool add_method(Class cls, const char* selector, R (*imp)(id, SEL, A...)) noexcept {
  return add_method_raw(cls, sel(selector), reinterpret_cast<IMP>(imp),
                        detail::method_types<R, A...>());
}

// Adds a class method (a method of the metaclass).
template <class R, class... A>
bool add_class_method(Class cls, const char* selector, R (*imp)(id, SEL, A...)) noexcept {
  return add_method(class_of(as_id(cls)), selector, imp);
}

// --- Instance variables ----------------------------------------------------------------------

bool add_ivar_raw(Class cls, const char* name, std::size_t size, std::size_t alignment,
                  const char* types) noexcept;
// The byte offset of an instance variable of the class or its superclasses.
std::optional<std::ptrdiff_t> ivar_offset(Class cls, const char* name) noexcept;

template <class T>
bool add_ivar(Class cls, const char* name) noexcept {
  static_assert(std::is_trivially_copyable_v<T>, "instance variables hold plain data");
  if constexpr (requires { Encoding<T>::value; }) {
    return add_ivar_raw(cls, name, sizeof(T), alignof(T), Encoding<T>::value);
  } else {
    static const std::string bytes = "[" + std::to_string(sizeof(T)) + "C]";
    return add_ivar_raw(cls, name, sizeof(T), alignof(T), bytes.c_str());
  }
}

// The storage of an object's instance variable, or null when its class has none of that name.
template <class T>
T* ivar_ptr(id object, const char* name) noexcept {
  if (object == nullptr) return nullptr;
  const std::optional<std::ptrdiff_t> offset = ivar_offset(class_of(object), name);
  if (!offset) return nullptr;
  return reinterpret_cast<T*>(reinterpret_cast<char*>(object) + *offset);
}

// --- Message sends ---------------------------------------------------------------------------

namespace detail {
#if !defined(__APPLE__)
IMP lookup(id receiver, SEL selector) noexcept;
IMP lookup_super(id receiver, Class superclass, SEL selector) noexcept;
#endif

template <class R>
R zero() {
  if constexpr (!std::is_void_v<R>) return R{};
}

template <class R>
inline constexpr bool returns_in_memory = std::is_class_v<R> && sizeof(R) > 16;

template <class Sig>
struct Sender;

template <class R, class... P>
struct Sender<R(P...)> {
  using Result = R;

  template <class... A>
  static R send(id receiver, SEL selector, A&&... args) {
    static_assert(sizeof...(A) == sizeof...(P), "argument count differs from the signature");
    // A message to nil does nothing and answers zero, whatever the result type.
    if (receiver == nullptr) return zero<R>();
#if defined(__APPLE__)
#if defined(__x86_64__)
    if constexpr (returns_in_memory<R>) {
      return reinterpret_cast<R (*)(id, SEL, P...)>(&objc_msgSend_stret)(
          receiver, selector, static_cast<P>(std::forward<A>(args))...);
    }
#endif
    return reinterpret_cast<R (*)(id, SEL, P...)>(&objc_msgSend)(
        receiver, selector, static_cast<P>(std::forward<A>(args))...);
#else
    return reinterpret_cast<R (*)(id, SEL, P...)>(lookup(receiver, selector))(
        receiver, selector, static_cast<P>(std::forward<A>(args))...);
#endif
  }

  template <class... A>
  static R send_super(id receiver, Class superclass, SEL selector, A&&... args) {
    static_assert(sizeof...(A) == sizeof...(P), "argument count differs from the signature");
    if (receiver == nullptr) return zero<R>();
#if defined(__APPLE__)
    objc_super super{receiver, reinterpret_cast<::Class>(superclass)};
#if defined(__x86_64__)
    if constexpr (returns_in_memory<R>) {
      return reinterpret_cast<R (*)(objc_super*, SEL, P...)>(&objc_msgSendSuper_stret)(
          &super, selector, static_cast<P>(std::forward<A>(args))...);
    }
#endif
    return reinterpret_cast<R (*)(objc_super*, SEL, P...)>(&objc_msgSendSuper)(
        &super, selector, static_cast<P>(std::forward<A>(args))...);
#else
    return reinterpret_cast<R (*)(id, SEL, P...)>(lookup_super(receiver, superclass, selector))(
        receiver, selector, static_cast<P>(std::forward<A>(args))...);
#endif
  }
};
}  // namespace detail

// Sends a message whose method has the signature Sig (result and parameters after self and
// _cmd), e.g. send<void(NSUInteger)>(view, "setAutoresizingMask:", 8). The arguments are
// converted to the signature's types, so the call matches the method exactly.
template <class Sig, class... A>
typename detail::Sender<Sig>::Result send(id receiver, SEL selector, A&&... args) {
  return detail::Sender<Sig>::send(receiver, selector, std::forward<A>(args)...);
}
template <class Sig, class... A>
typename detail::Sender<Sig>::Result send(id receiver, const char* selector, A&&... args) {
  return detail::Sender<Sig>::send(receiver, sel(selector), std::forward<A>(args)...);
}
template <class Sig, class... A>
typename detail::Sender<Sig>::Result send(Class receiver, const char* selector, A&&... args) {
  return detail::Sender<Sig>::send(as_id(receiver), sel(selector), std::forward<A>(args)...);
}

// Sends a message to `receiver` using the implementation of `superclass` (a [super ...] call).
template <class Sig, class... A>
typename detail::Sender<Sig>::Result send_super(id receiver, Class superclass, const char* selector,
                                                A&&... args) {
  return detail::Sender<Sig>::send_super(receiver, superclass, sel(selector),
                                         std::forward<A>(args)...);
}

// --- Memory management and introspection ------------------------------------------------------

id retain(id object) noexcept;
void release(id object) noexcept;
id autorelease(id object) noexcept;
// respondsToSelector: and isKindOfClass:, asked of the object.
bool responds_to(id object, const char* selector) noexcept;
bool is_kind_of(id object, Class cls) noexcept;

// An owning reference: holds one retain count of its object and releases it when it goes.
class Strong {
 public:
  Strong() noexcept = default;
  // Takes over a reference the caller owns (from alloc/init, new or copy).
  static Strong adopt(id object) noexcept { return Strong(object); }
  // Retains an object the caller only borrows.
  static Strong retain(id object) noexcept { return Strong(objc::retain(object)); }

  Strong(const Strong& other) noexcept : object_(objc::retain(other.object_)) {}
  Strong(Strong&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  Strong& operator=(Strong other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Strong() { objc::release(object_); }

  id get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  // Gives up ownership without releasing.
  id leak() noexcept { return std::exchange(object_, nullptr); }
  void reset() noexcept { objc::release(std::exchange(object_, nullptr)); }

 private:
  explicit Strong(id object) noexcept : object_(object) {}
  id object_ = nullptr;
};

// --- Exceptions ------------------------------------------------------------------------------

namespace detail {
id call_catching(void (*body)(void*), void* context);
}

// Runs `body` inside an Objective-C @try and gives the exception object it raised, or null when
// it returned. C++ exceptions pass through unchanged.
template <class F>
id catch_exception(F&& body) {
  using Body = std::remove_reference_t<F>;
  return detail::call_catching([](void* context) { (*static_cast<Body*>(context))(); },
                               const_cast<void*>(static_cast<const void*>(&body)));
}

}  // namespace vessimor::objc
