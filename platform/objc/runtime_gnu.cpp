// The seam's Linux back end: Debian's GNU Objective-C runtime (libobjc). What both runtimes share
// is in runtime_common.cpp.

#include <objc/message.h>
#include <objc/runtime.h>

#include "platform/objc/runtime.hpp"

namespace vessimor::objc {

Class allocate_class(Class superclass, const char* name) noexcept {
  // The GNU runtime refuses a registered name but not one still being declared.
  if (objc_lookUpClass(name) != nullptr) return nullptr;
  return objc_allocateClassPair(superclass, name, 0);
}

namespace detail {
// There is no objc_msgSend: senders look the implementation up and call it with its own type.
IMP lookup(id receiver, SEL selector) noexcept {
  return reinterpret_cast<IMP>(objc_msg_lookup(receiver, selector));
}
IMP lookup_super(id receiver, Class superclass, SEL selector) noexcept {
  objc_super super{receiver, superclass};
  return reinterpret_cast<IMP>(objc_msg_lookup_super(&super, selector));
}
}  // namespace detail

}  // namespace vessimor::objc

// The runtime's own class and selector tables are allocated once and never freed; they are the
// only memory that LeakSanitizer may overlook in a program using the runtime.
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:objc_malloc\nleak:objc_calloc\n";
}
