// The parts of the seam that are plain messages to NSObject, the same on every runtime.

#include "platform/objc/runtime.hpp"

namespace vessimor::objc {

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

}  // namespace vessimor::objc
