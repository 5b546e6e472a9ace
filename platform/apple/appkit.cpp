// AppKit stand-ins: responders, views, windows and their title-bar buttons, screens, the
// application and its menu, events, pasteboards, drags and open panels.

#include "platform/apple/appkit.hpp"

#include <algorithm>
#include <map>

#include "platform/apple/foundation.hpp"
#include "platform/apple/sim.hpp"

namespace vessimor::apple {

namespace {

struct MenuState : ObjectState {
  bool handles_key_equivalents = false;
};

struct EventState : ObjectState {
  NSUInteger type = 0;
  NSInteger button_number = 0;
  NSPoint location;
  NSInteger click_count = 0;
  NSUInteger modifier_flags = 0;
  std::string characters;
};

struct PasteboardState : ObjectState {
  std::map<std::string, Strong> property_lists;  // by type
};

struct DraggingState : ObjectState {
  Strong pasteboard;
  NSPoint location;
};

struct PanelState : ObjectState {
  bool can_choose_files = false;
  bool multiple = false;
  bool directories = false;
  std::vector<std::string> chosen;
};

id g_main_menu = nullptr;
long g_activations = 0;
NSUInteger g_pressed_buttons = 0;
long g_panel_response = 0;
std::vector<std::string> g_panel_paths;

// --- NSResponder ---

void responder_event(id, id) {}
bool responder_no(id, id) {
  return false;
}

// --- NSView ---

id view_init(id self) {
  return self;
}
id view_init_with_frame(id self, NSRect frame) {
  state<ViewState>(self).frame = frame;
  return self;
}
NSRect view_frame(id self) {
  return state<ViewState>(self).frame;
}
void view_set_frame(id self, NSRect frame) {
  state<ViewState>(self).frame = frame;
}
void view_set_frame_origin(id self, NSPoint origin) {
  state<ViewState>(self).frame.origin = origin;
}
NSRect view_bounds(id self) {
  return {{0, 0}, state<ViewState>(self).frame.size};
}
bool view_is_flipped(id self) {
  return state<ViewState>(self).flipped;
}
id view_window(id self) {
  return window_of(self);
}
id view_superview(id self) {
  return state<ViewState>(self).superview;
}
id view_subviews(id self) {
  id array = make_autoreleased("NSMutableArray");
  for (const Strong& view : state<ViewState>(self).subviews) {
    state<ArrayState>(array).items.push_back(view);
  }
  return array;
}
void detach(id view) {
  Strong keep = Strong::retain(view);
  id parent = std::exchange(state<ViewState>(view).superview, nullptr);
  if (parent == nullptr) return;
  auto& siblings = state<ViewState>(parent).subviews;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                [view](const Strong& s) { return s.get() == view; }),
                 siblings.end());
}
void view_add_subview(id self, id view) {
  if (view == nullptr) raise("NSInvalidArgumentException", "addSubview: with nil");
  Strong keep = Strong::retain(view);
  detach(view);
  state<ViewState>(self).subviews.push_back(keep);
  state<ViewState>(view).superview = self;
}
void view_remove_from_superview(id self) {
  detach(self);
}
void view_set_autoresizing_mask(id self, NSUInteger mask) {
  state<ViewState>(self).autoresizing_mask = mask;
}
NSUInteger view_autoresizing_mask(id self) {
  return state<ViewState>(self).autoresizing_mask;
}
void view_set_hidden(id self, bool hidden) {
  state<ViewState>(self).hidden = hidden;
}
bool view_is_hidden(id self) {
  return state<ViewState>(self).hidden;
}
// From window coordinates (a nil view) into the view's: subtract the origins on the way up; a
// flipped view counts y from its top.
NSPoint view_convert_point(id self, NSPoint point, id from) {
  if (from != nullptr) raise("NSInvalidArgumentException", "only window coordinates are kept");
  NSPoint p = point;
  for (id v = self; v != nullptr; v = state<ViewState>(v).superview) {
    p.x -= state<ViewState>(v).frame.origin.x;
    p.y -= state<ViewState>(v).frame.origin.y;
  }
  if (state<ViewState>(self).flipped) p.y = state<ViewState>(self).frame.size.height - p.y;
  return p;
}
void view_draw_rect(id, NSRect) {}

// --- NSWindow ---

Strong make_subview(id parent, const char* class_name, NSRect frame) {
  Strong view = make(class_name);
  state<ViewState>(view.get()).frame = frame;
  if (parent != nullptr) view_add_subview(parent, view.get());
  return view;
}

id window_init(id self, NSRect content, NSUInteger, NSUInteger, bool) {
  auto& window = state<WindowState>(self);
  window.frame = content;
  window.content_view = make("NSView");
  state<ViewState>(window.content_view.get()).frame = {{0, 0}, content.size};
  state<ViewState>(window.content_view.get()).window = self;
  // The title bar: a container holding the bar, which holds the three buttons.
  const double bar = 28;
  window.titlebar_container =
      make_subview(nullptr, "NSTitlebarContainerView",
                   {{0, content.size.height - bar}, {content.size.width, bar}});
  state<ViewState>(window.titlebar_container.get()).window = self;
  Strong titlebar = make_subview(window.titlebar_container.get(), "NSTitlebarView",
                                 {{0, 0}, {content.size.width, bar}});
  for (int i = 0; i < 3; ++i) {
    window.buttons[i] =
        make_subview(titlebar.get(), "NSButton", {{7.0 + 20 * i, 6}, {14, 16}}).get();
  }
  return self;
}
double window_backing_scale(id self) {
  return state<WindowState>(self).backing_scale;
}
void window_set_separator_style(id self, NSInteger style) {
  state<WindowState>(self).titlebar_separator_style = style;
}
NSInteger window_separator_style(id self) {
  return state<WindowState>(self).titlebar_separator_style;
}
id window_content_view(id self) {
  return state<WindowState>(self).content_view.get();
}
void window_set_content_view(id self, id view) {
  auto& window = state<WindowState>(self);
  if (window.content_view) state<ViewState>(window.content_view.get()).window = nullptr;
  window.content_view = Strong::retain(view);
  if (view != nullptr) {
    detach(view);
    state<ViewState>(view).window = self;
    state<ViewState>(view).frame = {{0, 0}, window.frame.size};
  }
}
bool window_make_first_responder(id self, id responder) {
  state<WindowState>(self).first_responder = responder;
  return true;
}
id window_first_responder(id self) {
  return state<WindowState>(self).first_responder;
}
id window_standard_button(id self, NSInteger which) {
  return which >= 0 && which < 3 ? state<WindowState>(self).buttons[which] : nullptr;
}
NSRect window_frame(id self) {
  return state<WindowState>(self).frame;
}
void window_set_released_when_closed(id self, bool released) {
  state<WindowState>(self).released_when_closed = released;
}
void window_set_delegate(id self, id delegate) {
  state<WindowState>(self).delegate = delegate;
}
id window_delegate(id self) {
  return state<WindowState>(self).delegate;
}
void window_make_key(id, id) {}
id screen_main(id);
id window_screen(id) {
  return screen_main(nullptr);
}
void window_close(id self) {
  Strong keep = Strong::retain(self);
  id delegate = state<WindowState>(self).delegate;
  if (delegate != nullptr &&
      objc::class_responds(objc::class_of(delegate), objc::sel("windowWillClose:"))) {
    Strong note = make("NSNotification");
    state<NotificationState>(note.get()).object = self;
    objc::send<void(id)>(delegate, "windowWillClose:", note.get());
  }
  if (state<WindowState>(self).released_when_closed) objc::release(self);
}

// --- NSScreen, NSApplication, NSMenu ---

id screen_main(id) {
  static id screen = [] {
    id s = make("NSScreen").leak();
    state<ViewState>(s).frame = {{0, 0}, {1920, 1080}};
    return s;
  }();
  return screen;
}
NSRect screen_frame(id self) {
  return state<ViewState>(self).frame;
}

id application_shared(id) {
  static id application = make("NSApplication").leak();
  return application;
}
void application_activate_ignoring(id, bool) {
  ++g_activations;
}
void application_activate(id) {
  ++g_activations;
}
id application_main_menu(id) {
  return g_main_menu;
}
bool menu_perform_key_equivalent(id self, id) {
  return state<MenuState>(self).handles_key_equivalents;
}

// --- NSEvent, NSPasteboard, dragging, NSOpenPanel ---

NSUInteger event_type(id self) {
  return state<EventState>(self).type;
}
NSInteger event_button(id self) {
  return state<EventState>(self).button_number;
}
NSPoint event_location(id self) {
  return state<EventState>(self).location;
}
NSInteger event_clicks(id self) {
  return state<EventState>(self).click_count;
}
NSUInteger event_modifiers(id self) {
  return state<EventState>(self).modifier_flags;
}
id event_characters(id self) {
  return objc::autorelease(ns_string(state<EventState>(self).characters).leak());
}
NSUInteger event_pressed_buttons(id) {
  return g_pressed_buttons;
}

id pasteboard_available_type(id self, id types) {
  auto& lists = state<PasteboardState>(self).property_lists;
  for (const Strong& type : state<ArrayState>(types).items) {
    if (lists.count(string_text(type.get())) != 0) return type.get();
  }
  return nullptr;
}
id pasteboard_property_list(id self, id type) {
  auto& lists = state<PasteboardState>(self).property_lists;
  auto found = lists.find(string_text(type));
  return found == lists.end() ? nullptr : found->second.get();
}

id dragging_pasteboard(id self) {
  return state<DraggingState>(self).pasteboard.get();
}
NSPoint dragging_location(id self) {
  return state<DraggingState>(self).location;
}
NSUInteger dragging_source_mask(id) {
  return ~0UL;
}

id panel_new(id) {
  return make_autoreleased("NSOpenPanel");
}
void panel_set_files(id self, bool value) {
  state<PanelState>(self).can_choose_files = value;
}
void panel_set_multiple(id self, bool value) {
  state<PanelState>(self).multiple = value;
}
void panel_set_directories(id self, bool value) {
  state<PanelState>(self).directories = value;
}
NSInteger panel_run_modal(id self) {
  state<PanelState>(self).chosen =
      g_panel_response == 1 ? g_panel_paths : std::vector<std::string>();
  return g_panel_response;
}
id panel_urls(id self) {
  id urls = make_autoreleased("NSMutableArray");
  for (const std::string& path : state<PanelState>(self).chosen) {
    state<ArrayState>(urls).items.push_back(ns_url("file://" + path));
  }
  return urls;
}

Strong make_event(NSUInteger type, NSInteger button, NSPoint location, NSInteger clicks,
                  NSUInteger modifiers, std::string_view characters) {
  Strong event = make("NSEvent");
  auto& e = state<EventState>(event.get());
  e.type = type;
  e.button_number = button;
  e.location = location;
  e.click_count = clicks;
  e.modifier_flags = modifiers;
  e.characters.assign(characters);
  return event;
}

}  // namespace

id window_of(id view) {
  for (id v = view; v != nullptr; v = state<ViewState>(v).superview) {
    if (state<ViewState>(v).window != nullptr) return state<ViewState>(v).window;
  }
  return nullptr;
}

void define_appkit() {
  Class responder = begin_class<ObjectState>("NSResponder", nullptr);
  method<&responder_event>(responder, "keyDown:");
  method<&responder_event>(responder, "mouseDown:");
  method<&responder_event>(responder, "mouseUp:");
  method<&responder_event>(responder, "otherMouseDown:");
  method<&responder_event>(responder, "otherMouseUp:");
  method<&responder_no>(responder, "performKeyEquivalent:");
  method<&responder_no>(responder, "acceptsFirstMouse:");
  finish_class(responder);

  Class view = begin_class<ViewState>("NSView", responder);
  method<&view_init>(view, "init");
  method<&view_init_with_frame>(view, "initWithFrame:");
  method<&view_frame>(view, "frame");
  method<&view_set_frame>(view, "setFrame:");
  method<&view_set_frame_origin>(view, "setFrameOrigin:");
  method<&view_bounds>(view, "bounds");
  method<&view_is_flipped>(view, "isFlipped");
  method<&view_window>(view, "window");
  method<&view_superview>(view, "superview");
  method<&view_subviews>(view, "subviews");
  method<&view_add_subview>(view, "addSubview:");
  method<&view_remove_from_superview>(view, "removeFromSuperview");
  method<&view_set_autoresizing_mask>(view, "setAutoresizingMask:");
  method<&view_autoresizing_mask>(view, "autoresizingMask");
  method<&view_set_hidden>(view, "setHidden:");
  method<&view_is_hidden>(view, "isHidden");
  method<&view_convert_point>(view, "convertPoint:fromView:");
  method<&view_draw_rect>(view, "drawRect:");
  finish_class(view);
  for (const char* name : {"NSButton", "NSTitlebarView", "NSTitlebarContainerView"}) {
    finish_class(begin_class<ViewState>(name, view));
  }

  Class window = begin_class<WindowState>("NSWindow", responder);
  method<&window_init>(window, "initWithContentRect:styleMask:backing:defer:");
  method<&window_backing_scale>(window, "backingScaleFactor");
  method<&window_set_separator_style>(window, "setTitlebarSeparatorStyle:");
  method<&window_separator_style>(window, "titlebarSeparatorStyle");
  method<&window_content_view>(window, "contentView");
  method<&window_set_content_view>(window, "setContentView:");
  method<&window_make_first_responder>(window, "makeFirstResponder:");
  method<&window_first_responder>(window, "firstResponder");
  method<&window_standard_button>(window, "standardWindowButton:");
  method<&window_frame>(window, "frame");
  method<&window_set_released_when_closed>(window, "setReleasedWhenClosed:");
  method<&window_set_delegate>(window, "setDelegate:");
  method<&window_delegate>(window, "delegate");
  method<&window_make_key>(window, "makeKeyAndOrderFront:");
  method<&window_screen>(window, "screen");
  method<&window_close>(window, "close");
  finish_class(window);

  Class screen = begin_class<ViewState>("NSScreen", nullptr);
  class_method<&screen_main>(screen, "mainScreen");
  method<&screen_frame>(screen, "frame");
  finish_class(screen);

  Class application = begin_class<ObjectState>("NSApplication", responder);
  class_method<&application_shared>(application, "sharedApplication");
  method<&application_activate_ignoring>(application, "activateIgnoringOtherApps:");
  method<&application_activate>(application, "activate");
  method<&application_main_menu>(application, "mainMenu");
  finish_class(application);
  Class menu = begin_class<MenuState>("NSMenu", nullptr);
  method<&menu_perform_key_equivalent>(menu, "performKeyEquivalent:");
  finish_class(menu);

  Class event = begin_class<EventState>("NSEvent", nullptr);
  method<&event_type>(event, "type");
  method<&event_button>(event, "buttonNumber");
  method<&event_location>(event, "locationInWindow");
  method<&event_clicks>(event, "clickCount");
  method<&event_modifiers>(event, "modifierFlags");
  method<&event_characters>(event, "characters");
  class_method<&event_pressed_buttons>(event, "pressedMouseButtons");
  finish_class(event);

  Class pasteboard = begin_class<PasteboardState>("NSPasteboard", nullptr);
  method<&pasteboard_available_type>(pasteboard, "availableTypeFromArray:");
  method<&pasteboard_property_list>(pasteboard, "propertyListForType:");
  finish_class(pasteboard);
  Class dragging = begin_class<DraggingState>("NSDraggingInfo", nullptr);
  objc::adopt_protocol(dragging, "NSDraggingInfo");
  method<&dragging_pasteboard>(dragging, "draggingPasteboard");
  method<&dragging_location>(dragging, "draggingLocation");
  method<&dragging_source_mask>(dragging, "draggingSourceOperationMask");
  finish_class(dragging);

  Class panel = begin_class<PanelState>("NSOpenPanel", nullptr);
  class_method<&panel_new>(panel, "openPanel");
  method<&panel_set_files>(panel, "setCanChooseFiles:");
  method<&panel_set_multiple>(panel, "setAllowsMultipleSelection:");
  method<&panel_set_directories>(panel, "setCanChooseDirectories:");
  method<&panel_run_modal>(panel, "runModal");
  method<&panel_urls>(panel, "URLs");
  finish_class(panel);
}

namespace sim {

Strong make_window(NSRect content_rect, double backing_scale) {
  Strong window = Strong::adopt(alloc(stand_in_class("NSWindow")));
  window_init(window.get(), content_rect, 15, 2, false);
  state<WindowState>(window.get()).backing_scale = backing_scale;
  state<WindowState>(window.get()).released_when_closed = false;
  return window;
}

Strong make_view(NSRect frame, bool flipped) {
  Strong view = make("NSView");
  state<ViewState>(view.get()).frame = frame;
  state<ViewState>(view.get()).flipped = flipped;
  return view;
}

id content_view(id window) {
  return state<WindowState>(window).content_view.get();
}
NSRect frame(id view) {
  return state<ViewState>(view).frame;
}
id superview(id view) {
  return state<ViewState>(view).superview;
}
std::vector<id> subviews(id view) {
  std::vector<id> out;
  for (const Strong& v : state<ViewState>(view).subviews) out.push_back(v.get());
  return out;
}
bool is_hidden(id view) {
  return state<ViewState>(view).hidden;
}
unsigned long autoresizing_mask(id view) {
  return state<ViewState>(view).autoresizing_mask;
}
id first_responder(id window) {
  return state<WindowState>(window).first_responder;
}
long titlebar_separator_style(id window) {
  return state<WindowState>(window).titlebar_separator_style;
}
long activations() {
  return g_activations;
}

void set_main_menu(std::optional<bool> handles_key_equivalents) {
  objc::release(std::exchange(g_main_menu, nullptr));
  if (handles_key_equivalents) {
    g_main_menu = make("NSMenu").leak();
    state<MenuState>(g_main_menu).handles_key_equivalents = *handles_key_equivalents;
  }
}

void key_down(id view, std::string_view characters) {
  Strong event = make_event(10, 0, {}, 0, 0, characters);
  objc::send<void(id)>(view, "keyDown:", event.get());
}

bool perform_key_equivalent(id view, std::string_view characters) {
  Strong event = make_event(10, 0, {}, 0, 1UL << 20, characters);
  return objc::send<bool(id)>(view, "performKeyEquivalent:", event.get());
}

void other_mouse_down(id view, const MouseEvent& e) {
  Strong event =
      make_event(25, e.button_number, e.location_in_window, e.click_count, e.modifier_flags, "");
  g_pressed_buttons = e.pressed_buttons;
  objc::send<void(id)>(view, "otherMouseDown:", event.get());
}

void other_mouse_up(id view, const MouseEvent& e) {
  Strong event =
      make_event(26, e.button_number, e.location_in_window, e.click_count, e.modifier_flags, "");
  g_pressed_buttons = e.pressed_buttons;
  objc::send<void(id)>(view, "otherMouseUp:", event.get());
}

unsigned long drag(id view, DragPhase phase, const std::vector<std::string>& paths, NSPoint point) {
  Strong info = make("NSDraggingInfo");
  auto& dragging = state<DraggingState>(info.get());
  dragging.pasteboard = make("NSPasteboard");
  dragging.location = point;
  auto& lists = state<PasteboardState>(dragging.pasteboard.get()).property_lists;
  if (paths.empty()) {
    lists["NSStringPboardType"] = ns_string("dragged text");
  } else {
    std::vector<id> names;
    std::vector<Strong> keep;
    for (const std::string& path : paths) {
      keep.push_back(ns_string(path));
      names.push_back(keep.back().get());
    }
    lists["NSFilenamesPboardType"] = array(names);
  }
  switch (phase) {
    case DragPhase::entered:
      return objc::send<unsigned long(id)>(view, "draggingEntered:", info.get());
    case DragPhase::updated:
      return objc::send<unsigned long(id)>(view, "draggingUpdated:", info.get());
    case DragPhase::perform:
      return objc::send<bool(id)>(view, "performDragOperation:", info.get()) ? 1 : 0;
    case DragPhase::exited:
      objc::send<void(id)>(view, "draggingExited:", info.get());
      return 0;
  }
  return 0;
}

void draw(id view) {
  objc::send<void(NSRect)>(view, "drawRect:", NSRect{{0, 0}, state<ViewState>(view).frame.size});
}

void set_open_panel_result(long response, std::vector<std::string> paths) {
  g_panel_response = response;
  g_panel_paths = std::move(paths);
}

void close_window(id window) {
  objc::send<void()>(window, "close");
}

}  // namespace sim
}  // namespace vessimor::apple
