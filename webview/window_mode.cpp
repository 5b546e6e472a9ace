#include "webview/window_mode.hpp"

#include <cmath>

#include "platform/main_thread.hpp"

namespace vessimor::webview {

namespace {

constexpr NSUInteger autoresize_fill = 18;  // flexible width and height

struct WindowParentData {
  std::optional<LogicalPosition> inset;
};

using ParentClass = DataClass<WindowParentData>;

id must_window(id view) {
  id window = objc::send<id()>(view, "window");
  if (window == nullptr) VESSIMOR_PANIC("the view is not in a window");
  return window;
}

// Key equivalents typed into a window of our own go to the application's main menu.
void key_down(id, SEL, id event) {
  guard_entry([event] {
    if (!platform::is_main_thread()) VESSIMOR_PANIC("keyDown: off the main thread");
    id application = objc::send<id()>(must_class("NSApplication"), "sharedApplication");
    id menu = objc::send<id()>(application, "mainMenu");
    if (menu != nullptr) objc::send<bool(id)>(menu, "performKeyEquivalent:", event);
  });
}

// AppKit puts the buttons back when it lays the title bar out; every redraw moves them again.
void draw_rect(id self, SEL, NSRect) {
  guard_entry([self] {
    const std::optional<LogicalPosition>& inset = ParentClass::data(self).inset;
    if (inset) inset_traffic_lights(must_window(self), inset->x, inset->y);
  });
}

void add_methods(Class cls) {
  objc::add_method(cls, "keyDown:", &key_down);
  objc::add_method(cls, "drawRect:", &draw_rect);
}

Class window_parent_class() {
  static const Class cls =
      ParentClass::declare("QvWebViewParent", must_class("NSView"), {}, &add_methods);
  return cls;
}

}  // namespace

Strong make_window_parent() {
  return Strong::adopt(objc::send<id()>(
      ParentClass::alloc_with(window_parent_class(), std::make_unique<WindowParentData>()),
      "init"));
}

void inset_traffic_lights(id window, double x, double y) {
  id close = objc::send<id(NSInteger)>(window, "standardWindowButton:", 0);
  id minimise = objc::send<id(NSInteger)>(window, "standardWindowButton:", 1);
  id zoom = objc::send<id(NSInteger)>(window, "standardWindowButton:", 2);
  if (close == nullptr || minimise == nullptr) return;

  id title_bar = objc::send<id()>(close, "superview");
  id container = title_bar == nullptr ? nullptr : objc::send<id()>(title_bar, "superview");
  if (container == nullptr) VESSIMOR_PANIC("the window's buttons are not in a title bar");

  const NSRect close_frame = objc::send<NSRect()>(close, "frame");
  const double title_bar_height = close_frame.size.height + y;
  NSRect container_frame = objc::send<NSRect()>(container, "frame");
  container_frame.size.height = title_bar_height;
  container_frame.origin.y = objc::send<NSRect()>(window, "frame").size.height - title_bar_height;
  objc::send<void(NSRect)>(container, "setFrame:", container_frame);

  const double spacing = objc::send<NSRect()>(minimise, "frame").origin.x - close_frame.origin.x;
  const id buttons[] = {close, minimise, zoom};
  for (int i = 0; i < 3; ++i) {
    if (buttons[i] == nullptr) continue;
    NSPoint origin = objc::send<NSRect()>(buttons[i], "frame").origin;
    origin.x = x + i * spacing;
    objc::send<void(NSPoint)>(buttons[i], "setFrameOrigin:", origin);
  }
}

void place_in_window(id content_view, id web_view, const std::optional<Position>& inset) {
  id window = must_window(content_view);
  Strong parent = make_window_parent();
  if (inset) {
    LogicalPosition position;
    if (const auto* physical = std::get_if<PhysicalPosition>(&*inset)) {
      const double scale = objc::send<double()>(window, "backingScaleFactor");
      if (!std::isnormal(scale) || scale < 0) VESSIMOR_PANIC("backing scale factor {}", scale);
      position = {physical->x / scale, physical->y / scale};
    } else {
      position = std::get<LogicalPosition>(*inset);
    }
    ParentClass::data(parent.get()).inset = position;
    inset_traffic_lights(window, position.x, position.y);
  }
  objc::send<void(NSUInteger)>(parent.get(), "setAutoresizingMask:", autoresize_fill);
  objc::send<void(id)>(parent.get(), "addSubview:", web_view);
  objc::send<void(id)>(window, "setContentView:", parent.get());
  objc::send<bool(id)>(window, "makeFirstResponder:", web_view);
}

}  // namespace vessimor::webview
