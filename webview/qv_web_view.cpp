#include "webview/qv_web_view.hpp"

#include <algorithm>

#include "webview/drag_drop.hpp"
#include "webview/synthetic_mouse_events.hpp"

namespace vessimor::webview {

namespace {

using Data = DataClass<QvWebViewData>;

constexpr NSUInteger drag_operation_copy = 1;

Class web_view_class() {
  return must_class("WKWebView");
}

bool offer(id self, DragDropEvent event) {
  return Data::data(self).drag_drop_handler(std::move(event));
}

NSUInteger task_key(id task) {
  return objc::send<NSUInteger()>(task, "hash");
}

// In a host's view, key equivalents belong to the host: answering NO sends them on up the
// responder chain.
bool perform_key_equivalent(id self, SEL, id event) {
  return guard_entry([&] {
    if (Data::data(self).is_child) return false;
    return objc::send_super<bool(id)>(self, web_view_class(), "performKeyEquivalent:", event);
  });
}

bool accepts_first_mouse(id self, SEL, id) {
  return guard_entry([&] { return Data::data(self).accept_first_mouse; });
}

// Only drags that carry files are offered to the handler. Every other drag (text into a field,
// a link, an image from the page itself) goes straight to WebKit, which hands it to the page.
NSUInteger dragging_entered(id self, SEL, id sender) {
  return guard_entry([&] {
    std::vector<std::filesystem::path> paths = drag_drop::collect_paths(sender);
    if (!paths.empty() &&
        offer(self, DragEnter{std::move(paths), drag_drop::position(self, sender)}))
      return drag_operation_copy;
    return objc::send_super<NSUInteger(id)>(self, web_view_class(), "draggingEntered:", sender);
  });
}

// At least the copy cursor over the whole view, even where WebKit would show none.
NSUInteger dragging_updated(id self, SEL, id sender) {
  return guard_entry([&] {
    if (drag_drop::carries_files(sender) &&
        offer(self, DragOver{drag_drop::position(self, sender)}))
      return drag_operation_copy;
    return std::max(
        objc::send_super<NSUInteger(id)>(self, web_view_class(), "draggingUpdated:", sender),
        drag_operation_copy);
  });
}

bool perform_drag_operation(id self, SEL, id sender) {
  return guard_entry([&] {
    std::vector<std::filesystem::path> paths = drag_drop::collect_paths(sender);
    if (!paths.empty() &&
        offer(self, DragDrop{std::move(paths), drag_drop::position(self, sender)}))
      return true;
    return objc::send_super<bool(id)>(self, web_view_class(), "performDragOperation:", sender);
  });
}

void dragging_exited(id self, SEL, id sender) {
  guard_entry([&] {
    if (drag_drop::carries_files(sender) && offer(self, DragLeave{})) return;
    objc::send_super<void(id)>(self, web_view_class(), "draggingExited:", sender);
  });
}

void other_mouse_down(id self, SEL, id event) {
  guard_entry([&] { synthetic_mouse_events::other_mouse_down(self, event); });
}

void other_mouse_up(id self, SEL, id event) {
  guard_entry([&] { synthetic_mouse_events::other_mouse_up(self, event); });
}

void add_methods(Class cls) {
  objc::add_method(cls, "performKeyEquivalent:", &perform_key_equivalent);
  objc::add_method(cls, "acceptsFirstMouse:", &accepts_first_mouse);
  objc::add_method(cls, "draggingEntered:", &dragging_entered);
  objc::add_method(cls, "draggingUpdated:", &dragging_updated);
  objc::add_method(cls, "performDragOperation:", &perform_drag_operation);
  objc::add_method(cls, "draggingExited:", &dragging_exited);
  objc::add_method(cls, "otherMouseDown:", &other_mouse_down);
  objc::add_method(cls, "otherMouseUp:", &other_mouse_up);
}

}  // namespace

Class qv_web_view_class() {
  static const Class cls =
      Data::declare("QvWebView", web_view_class(), {"NSDraggingDestination"}, &add_methods);
  return cls;
}

id alloc_qv_web_view(std::unique_ptr<QvWebViewData> data) {
  return Data::alloc_with(qv_web_view_class(), std::move(data));
}

Strong QvWebView::add_custom_task_key(id web_view, id task) {
  const NSUInteger key = task_key(task);
  Strong token = Strong::retain(objc::send<id()>(must_class("NSUUID"), "UUID"));
  QvWebViewData& data = Data::data(web_view);
  std::lock_guard lock(data.custom_task_mutex);
  data.custom_task_uuids.insert_or_assign(key, token);
  return token;
}

Strong QvWebView::get_custom_task_uuid(id web_view, id task) {
  const NSUInteger key = task_key(task);
  QvWebViewData& data = Data::data(web_view);
  std::lock_guard lock(data.custom_task_mutex);
  auto found = data.custom_task_uuids.find(key);
  return found == data.custom_task_uuids.end() ? Strong() : found->second;
}

void QvWebView::remove_custom_task_key(id web_view, id task) {
  const NSUInteger key = task_key(task);
  QvWebViewData& data = Data::data(web_view);
  Strong removed;  // released after the lock
  std::lock_guard lock(data.custom_task_mutex);
  auto found = data.custom_task_uuids.find(key);
  if (found == data.custom_task_uuids.end()) return;
  removed = std::move(found->second);
  data.custom_task_uuids.erase(found);
}

}  // namespace vessimor::webview
