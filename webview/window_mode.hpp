#pragma once

// Window mode: a web view that fills a whole window inside a QvWebViewParent, whose title-bar
// buttons may be moved by an inset.

#include <optional>

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

// Puts `web_view` into a new QvWebViewParent that becomes the content view of `content_view`'s
// window, and makes the web view first responder. With an inset, the window's buttons move to
// it now and at every redraw of the parent. Thread: main
void place_in_window(id content_view, id web_view, const std::optional<Position>& inset);

// QvWebViewParent::new: an NSView with no inset. Thread: main
Strong make_window_parent();

// Moves the close, minimise and zoom buttons to x (then one spacing apart) and makes the title
// bar y taller than the close button. Nothing happens without close or minimise. Thread: main
void inset_traffic_lights(id window, double x, double y);

}  // namespace vessimor::webview
