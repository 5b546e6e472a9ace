#pragma once

// The handler class of a custom URL scheme: "<scheme>URLSchemeHandler", an NSObject with the
// instance variables "webview_id" (the owning web view's id, a zero-terminated text the handler
// owns) and "protocol_index" (the place of the scheme's handler in that web view's list).
//
// WebKit starts and stops the scheme's tasks on it. A started task becomes an HTTP request for
// the web view's handler function, which answers through a one-shot responder, at once or later
// and from any thread. The reply reaches the task only while the web view lives and the task has
// not been stopped; otherwise it is dropped without a word. A task the web view can no longer
// answer (its web view or handler is gone, or the request is no HTTP request) gets a 404.

#include <string>

#include "webview/objc_class.hpp"

namespace vessimor::webview::url_scheme_handler {

// The handler class for the scheme, declared on first use; two web views with the same scheme
// share it. Null for a scheme holding a zero byte, which no class name can carry. Thread: main
Class create(const std::string& scheme);

// Sets a new handler object's instance variables. Thread: main
void set_owner(id handler, const std::string& webview_id, NSUInteger protocol_index);

}  // namespace vessimor::webview::url_scheme_handler
