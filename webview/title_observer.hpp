#pragma once

// DocumentTitleChangedObserver: watches a web view's "title" and hands each new title to the
// owner's handler.

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

// Starts observing `web_view` (key path "title", new values); the observation ends when the
// observer is released, which must happen before the web view goes. Thread: main
Strong make_title_observer(id web_view, DocumentTitleChangedHandler handler);

}  // namespace vessimor::webview
