#pragma once

// QvWebView: the WKWebView subclass every web view of this host is made of. In child mode it
// leaves key equivalents to the host; it answers first clicks as configured, replays the third
// and fourth mouse buttons to the page, offers drags that carry files to the drag-and-drop
// handler before WebKit sees them (other drags are WebKit's alone), and keeps the URL scheme
// tasks' tokens.

#include <map>
#include <memory>
#include <mutex>

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

struct QvWebViewData {
  // Offered each drag that carries files before WebKit sees it; true when it handled the event.
  DragDropHandler drag_drop_handler;
  bool accept_first_mouse = false;
  bool is_child = true;
  // URL scheme task (by its hash) to the token made when it started; replies may come from any
  // thread.
  std::mutex custom_task_mutex;
  std::map<NSUInteger, Strong> custom_task_uuids;
};

// Declares QvWebView on first use. Thread: main
Class qv_web_view_class();
// A QvWebView owning `data`, allocated and not yet initialised (+1). Thread: main
id alloc_qv_web_view(std::unique_ptr<QvWebViewData> data);

// The task-id map of a QvWebView, by the task's hash, each under the map's mutex.
class QvWebView {
 public:
  // A new NSUUID, stored for the task in place of any earlier one. Thread: any
  static Strong add_custom_task_key(id web_view, id task);
  // The task's stored NSUUID, or nothing. Thread: any
  static Strong get_custom_task_uuid(id web_view, id task);
  // Forgets the task. Thread: any
  static void remove_custom_task_key(id web_view, id task);
};

}  // namespace vessimor::webview
