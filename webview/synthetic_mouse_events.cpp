#include "webview/synthetic_mouse_events.hpp"

#include "webview/truncate.hpp"

namespace vessimor::webview::synthetic_mouse_events {

namespace {

constexpr NSUInteger other_mouse_down_type = 25;
constexpr NSUInteger other_mouse_up_type = 26;

// NSEventModifierFlags bits.
constexpr NSUInteger shift_flag = 1UL << 17;
constexpr NSUInteger control_flag = 1UL << 18;
constexpr NSUInteger option_flag = 1UL << 19;
constexpr NSUInteger command_flag = 1UL << 20;

const char* flag(bool value) {
  return value ? "true" : "false";
}

void replay(id web_view, id event, NSUInteger replayed_type, std::string_view event_name,
            const char* pass_on) {
  const NSUInteger type = objc::send<NSUInteger()>(event, "type");
  const NSInteger button = objc::send<NSInteger()>(event, "buttonNumber");
  if (type != replayed_type || (button != 3 && button != 4)) {
    objc::send<void(id)>(web_view, pass_on, event);
    return;
  }
  const NSPoint point = objc::send<NSPoint(NSPoint, id)>(
      web_view, "convertPoint:fromView:", objc::send<NSPoint()>(event, "locationInWindow"),
      static_cast<id>(nullptr));
  const NSUInteger modifiers = objc::send<NSUInteger()>(event, "modifierFlags");
  const std::string text = script({
      .event_name = event_name,
      .button = static_cast<unsigned>(button),
      .buttons = objc::send<NSUInteger()>(must_class("NSEvent"), "pressedMouseButtons"),
      .x = truncate_to<std::uint32_t>(point.x),
      .y = truncate_to<std::uint32_t>(point.y),
      .detail = objc::send<NSInteger()>(event, "clickCount"),
      .ctrl = (modifiers & control_flag) != 0,
      .meta = (modifiers & command_flag) != 0,
      .shift = (modifiers & shift_flag) != 0,
      .alt = (modifiers & option_flag) != 0,
  });
  // At once, past the pending-script list: the page is there to be clicked.
  objc::send<void(id, objc::BlockRef)>(web_view, "evaluateJavaScript:completionHandler:",
                                       ns_string(text).get(), static_cast<objc::BlockRef>(nullptr));
}

}  // namespace

std::string script(const MouseEventScript& e) {
  const std::string x = std::to_string(e.x);
  const std::string y = std::to_string(e.y);
  std::string out;
  out.reserve(1024);
  out += "(() => {\n        const el = document.elementFromPoint(";
  out += x;
  out += ",";
  out += y;
  out += ");\n        const ev = new MouseEvent('";
  out += e.event_name;
  out += "', {\n          view: window,\n          button: ";
  out += std::to_string(e.button);
  out += ",\n          buttons: ";
  out += std::to_string(e.buttons);
  out += ",\n          x: ";
  out += x;
  out += ",\n          y: ";
  out += y;
  out += ",\n          bubbles: true,\n          detail: ";
  out += std::to_string(e.detail);
  out += ",\n          cancelBubble: false,\n          cancelable: true,\n          clientX: ";
  out += x;
  out += ",\n          clientY: ";
  out += y;
  out += ",\n          composed: true,\n          layerX: ";
  out += x;
  out += ",\n          layerY: ";
  out += y;
  out += ",\n          pageX: ";
  out += x;
  out += ",\n          pageY: ";
  out += y;
  out += ",\n          screenX: window.screenX + ";
  out += x;
  out += ",\n          screenY: window.screenY + ";
  out += y;
  out += ",\n          ctrlKey: ";
  out += flag(e.ctrl);
  out += ",\n          metaKey: ";
  out += flag(e.meta);
  out += ",\n          shiftKey: ";
  out += flag(e.shift);
  out += ",\n          altKey: ";
  out += flag(e.alt);
  out += ",\n        });\n        el.dispatchEvent(ev)\n        if (!ev.defaultPrevented && \"";
  out += e.event_name;
  out +=
      "\" === \"mouseup\") {\n          if (ev.button === 3) {\n            "
      "window.history.back();\n          }\n          if (ev.button === 4) {\n            "
      "window.history.forward();\n          }\n        }\n      })()";
  return out;
}

void other_mouse_down(id web_view, id event) {
  replay(web_view, event, other_mouse_down_type, "mousedown", "mouseDown:");
}

void other_mouse_up(id web_view, id event) {
  replay(web_view, event, other_mouse_up_type, "mouseup", "mouseUp:");
}

}  // namespace vessimor::webview::synthetic_mouse_events
