#pragma once

// The third and fourth mouse buttons reach the page as DOM mouse events: WebKit passes them to
// neither the page nor its history, so the web view replays them as a script that dispatches the
// event on the element under the pointer and, on release, moves history back (button 3) or
// forward (button 4) unless a listener prevented it.

#include <cstdint>
#include <string>
#include <string_view>

#include "webview/objc_class.hpp"

namespace vessimor::webview::synthetic_mouse_events {

struct MouseEventScript {
  std::string_view event_name;  // "mousedown" or "mouseup"
  unsigned button = 3;          // DOM button: 3 or 4
  NSUInteger buttons = 0;       // NSEvent pressedMouseButtons
  std::uint32_t x = 0;          // in the web view
  std::uint32_t y = 0;
  NSInteger detail = 0;  // click count
  bool ctrl = false;
  bool meta = false;
  bool shift = false;
  bool alt = false;
};

// The script that replays one press or release.
std::string script(const MouseEventScript& event);

// otherMouseDown: / otherMouseUp: of a web view: buttons 3 and 4 are replayed to the page; any
// other button or event type goes on to the web view's own mouseDown: / mouseUp:. Thread: main
void other_mouse_down(id web_view, id event);
void other_mouse_up(id web_view, id event);

}  // namespace vessimor::webview::synthetic_mouse_events
