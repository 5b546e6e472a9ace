#pragma once

// The handler class of a custom URL scheme: "<scheme>URLSchemeHandler", an NSObject with the
// instance variables "webview_id" (the owning web view's id, a zero-terminated text the handler
// owns) and "protocol_index" (the place of the scheme's handler in that web view's list).

#include <string>

#include "webview/objc_class.hpp"

namespace vessimor::webview::url_scheme_handler {

// The handler class for the scheme, declared on first use; two web views with the same scheme
// share it. Thread: main
Class create(const std::string& scheme);

// Sets a new handler object's instance variables. Thread: main
void set_owner(id handler, const std::string& webview_id, NSUInteger protocol_index);

}  // namespace vessimor::webview::url_scheme_handler
