// The parts of the seam that are the same on every runtime: the C API that the system runtime and
// the GNU runtime share, the block runtime, and plain messages to NSObject. What differs (message
// look-up, class allocation) is in runtime_apple.cpp and runtime_gnu.cpp.

#include <Block.h>
#include <objc/runtime.h>

#include <bit>
#include <cstdint>

#include "platform/objc/block.hpp"
#include "platform/objc/runtime.hpp"

extern "C" {
// Written in Objective-C (exception_apple.mm, exception_gnu.m): only the compiler knows @try.
id vessimor_objc_call_catching(void (*body)(void*), void* context);
extern void* _NSConcreteStackBlock[32];
}

namespace vessimor::objc {

Class get_class(const char* name) noexcept {
  return objc_getClass(name);
}
Class class_of(id object) noexcept {
  return object_getClass(object);
}
Class superclass_of(Class cls) noexcept {
  return class_getSuperclass(cls);
}
const char* class_name(Class cls) noexcept {
  return class_getName(cls);
}

void register_class(Class cls) noexcept {
  objc_registerClassPair(cls);
}

id create_instance(Class cls) noexcept {
  return class_createInstance(cls, 0);
}
void dispose_instance(id object) noexcept {
  object_dispose(object);
}

SEL sel(const char* name) noexcept {
  return sel_registerName(name);
}
const char* sel_name(SEL selector) noexcept {
  return sel_getName(selector);
}

bool add_method_raw(Class cls, SEL selector, IMP imp, const char* types) noexcept {
  return class_addMethod(cls, selector, reinterpret_cast<::IMP>(imp), types);
}
bool class_responds(Class cls, SEL selector) noexcept {
  return class_respondsToSelector(cls, selector);
}

Protocol* get_protocol(const char* name) noexcept {
  return objc_getProtocol(name);
}
bool adopt_protocol(Class cls, const char* name) noexcept {
  Protocol* protocol = objc_getProtocol(name);
  return protocol != nullptr && class_addProtocol(cls, protocol);
}
bool conforms_to(Class cls, Protocol* protocol) noexcept {
  return class_conformsToProtocol(cls, protocol);
}

bool add_ivar_raw(Class cls, const char* name, std::size_t size, std::size_t alignment,
                  const char* types) noexcept {
  // Both runtimes take the alignment as its base-2 logarithm.
  return class_addIvar(cls, name, size, static_cast<std::uint8_t>(std::countr_zero(alignment)),
                       types);
}
std::optional<std::ptrdiff_t> ivar_offset(Class cls, const char* name) noexcept {
  Ivar ivar = class_getInstanceVariable(cls, name);
  if (ivar == nullptr) return std::nullopt;
  return ivar_getOffset(ivar);
}

id retain(id object) noexcept {
  return send<id()>(object, "retain");
}
void release(id object) noexcept {
  send<void()>(object, "release");
}
id autorelease(id object) noexcept {
  return send<id()>(object, "autorelease");
}
bool responds_to(id object, const char* selector) noexcept {
  return send<bool(SEL)>(object, "respondsToSelector:", sel(selector));
}
bool is_kind_of(id object, Class cls) noexcept {
  return send<bool(Class)>(object, "isKindOfClass:", cls);
}

namespace detail {
id call_catching(void (*body)(void*), void* context) {
  return vessimor_objc_call_catching(body, context);
}
void* stack_block_class() noexcept {
  return &_NSConcreteStackBlock;
}
}  // namespace detail

BlockRef copy_block(BlockRef block) noexcept {
  return static_cast<BlockRef>(_Block_copy(block));
}
void release_block(BlockRef block) noexcept {
  if (block != nullptr) _Block_release(block);
}

}  // namespace vessimor::objc
