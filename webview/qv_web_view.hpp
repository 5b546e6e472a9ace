#pragma once

// QvWebView: the WKWebView subclass every web view of this host is made of.

#include <map>
#include <memory>
#include <mutex>

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

struct QvWebViewData {
  // Offered each file drag before WebKit sees it; true when it handled the event.
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

}  // namespace vessimor::webview
