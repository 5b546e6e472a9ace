// The seam's Linux back end: Debian's GNU Objective-C runtime (libobjc).

#include <Block.h>
#include <objc/message.h>
#include <objc/runtime.h>

#include <bit>

#include "platform/objc/block.hpp"
#include "platform/objc/runtime.hpp"

extern "C" {
// Written in Objective-C (exception_gnu.m): only the compiler knows @try.
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

Class allocate_class(Class superclass, const char* name) noexcept {
  // The GNU runtime refuses a registered name but not one still being declared.
  if (objc_lookUpClass(name) != nullptr) return nullptr;
  return objc_allocateClassPair(superclass, name, 0);
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
  return class_addIvar(cls, name, size, static_cast<unsigned char>(std::countr_zero(alignment)),
                       types);
}
std::optional<std::ptrdiff_t> ivar_offset(Class cls, const char* name) noexcept {
  Ivar ivar = class_getInstanceVariable(cls, name);
  if (ivar == nullptr) return std::nullopt;
  return ivar_getOffset(ivar);
}

namespace detail {
IMP lookup(id receiver, SEL selector) noexcept {
  return reinterpret_cast<IMP>(objc_msg_lookup(receiver, selector));
}
IMP lookup_super(id receiver, Class superclass, SEL selector) noexcept {
  objc_super super{receiver, superclass};
  return reinterpret_cast<IMP>(objc_msg_lookup_super(&super, selector));
}
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

// The runtime's own class and selector tables are allocated once and never freed; they are the
// only memory that LeakSanitizer may overlook in a program using the runtime.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:objc_malloc\nleak:objc_calloc\n";
}
