#pragma once

// The test side of the AppKit and WebKit stand-ins (Linux only): the call log, the platform's
// settings, objects a test needs (host windows and views), a look at state that the platform
// keeps to itself, and the events that the system or the page would cause. Each simulation
// calls the delegate or view methods the way WebKit and AppKit do, on the calling thread, and
// skips methods that the object does not implement (they are optional). What a simulated call
// is answered with is handed back. /work/team/notes/stand-ins.md describes how to extend it.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/objc/runtime.hpp"

namespace vessimor::apple::sim {

using objc::id;
using objc::NSPoint;
using objc::NSRect;
using objc::Strong;

// --- The call log ----------------------------------------------------------------------------

// One message that reached a stand-in method, in the order they arrived.
struct Call {
  id receiver;
  std::string receiver_class;  // the receiver's class name (for a class method, that class)
  bool class_method;
  std::string selector;
  std::vector<std::string> arguments;  // shown as the log shows values (see below)

  // "NSView setAutoresizingMask: 8", "NSApplication +sharedApplication",
  // "WKPreferences setValue:forKey: YES, \"tabFocusesLinks\"". Values: strings quoted, numbers
  // and NSNumbers plainly, BOOL as YES/NO, nil as nil, rectangles as {{x, y}, {w, h}}, other
  // objects by class name.
  std::string text() const;
};

std::vector<Call> calls();
void clear_calls();
// Runs `hook` for each call logged from now on, after it is logged and before the method's body
// runs, so a test can act at the moment a message arrives; null removes it.
void on_call(std::function<void(const Call&)> hook);
// The texts of the calls, optionally only those made on one object.
std::vector<std::string> call_texts(id receiver = nullptr);
// The selectors sent to one object, in order.
std::vector<std::string> selectors_sent_to(id receiver);

// --- Platform settings and memory ------------------------------------------------------------

// The OS version NSProcessInfo reports; 14.0.0 until set. Selectors that are newer than the
// version (activate, dataStoreForIdentifier:: 14; setTitlebarSeparatorStyle:,
// shouldPerformDownload: 11) are then missing.
void set_os_version(long major, long minor = 0, long patch = 0);
// Makes the calling thread the main thread (pthread_main_np, NSThread isMainThread); until then
// it is the process's initial thread.
void pick_main_thread();
void reset_main_thread();

// One turn of the main run loop: runs the work the stand-ins posted (completion handlers), then
// drains the autorelease pool.
void run_main_loop();
void drain_autorelease_pool();
// Stand-in instances alive of exactly this class (subclasses not counted).
long live_objects(const char* class_name);
// The retain count the object has now.
long retain_count(id object);

// --- Values ----------------------------------------------------------------------------------

Strong string(std::string_view text);
std::string text(id string);  // an NSString's text; empty for nil
Strong number(long value);
Strong array(const std::vector<id>& items);
std::optional<std::string> value_for_key(id object, std::string_view key);  // as the log shows it

// --- AppKit ----------------------------------------------------------------------------------

// A window as a host owns it: the given content rectangle and backing scale, a content view
// filling it. Its title-bar buttons sit 28 points from the top, 20 apart.
Strong make_window(NSRect content_rect, double backing_scale = 2.0);
// A host view; flipped or not.
Strong make_view(NSRect frame, bool flipped = false);
id content_view(id window);
NSRect frame(id view);
id superview(id view);
std::vector<id> subviews(id view);
bool is_hidden(id view);
unsigned long autoresizing_mask(id view);
id first_responder(id window);
long titlebar_separator_style(id window);
long activations();  // times NSApplication was activated (either selector)
// The main menu: whether its performKeyEquivalent: claims keys; null removes it.
void set_main_menu(std::optional<bool> handles_key_equivalents);

// Sends keyDown: or performKeyEquivalent: with a key event, as AppKit does.
void key_down(id view, std::string_view characters);
bool perform_key_equivalent(id view, std::string_view characters);
// A press or release of mouse button `button_number` (2: middle, 3 and 4: extra buttons) at a
// point in window coordinates; sends otherMouseDown: or otherMouseUp:.
struct MouseEvent {
  long button_number = 3;
  NSPoint location_in_window;
  long click_count = 1;
  unsigned long modifier_flags = 0;
  unsigned long pressed_buttons = 0;  // NSEvent pressedMouseButtons during the event
};
void other_mouse_down(id view, const MouseEvent& event);
void other_mouse_up(id view, const MouseEvent& event);
// A file drag over a view at a point in window coordinates; with no paths, a drag that carries
// only text (no file list on its pasteboard). Each answers what the view returned (an
// NSDragOperation, or YES/NO as 1/0; exit answers 0).
enum class DragPhase { entered, updated, perform, exited };
unsigned long drag(id view, DragPhase phase, const std::vector<std::string>& paths, NSPoint point);
// What a plain WKWebView answers to the drags (default: none, 0).
void set_webkit_drag_operation(unsigned long operation);
// drawRect: with the view's bounds.
void draw(id view);
// The next open panels' runModal answer (1: OK) and chosen file paths.
void set_open_panel_result(long response, std::vector<std::string> paths);
// Closes a window: its delegate gets windowWillClose:.
void close_window(id window);

// --- WebKit ----------------------------------------------------------------------------------

// What a web view has been given and done.
struct PageState {
  std::optional<std::string> html;   // from loadHTMLString:baseURL:
  std::optional<std::string> url;    // from loadRequest:, or the committed page's URL
  std::vector<std::string> scripts;  // scripts run in the current document, in order
  std::string title;
  bool committed = false;
};
PageState page(id web_view);
id web_view_configuration(id web_view);
id navigation_delegate(id web_view);
id ui_delegate(id web_view);
// Script results that evaluateJavaScript:completionHandler: reports (default: nil).
void set_script_results(id web_view, std::function<Strong(std::string_view script)> results);

// The first navigation commits (the page's document starts, user scripts run at document start,
// then webView:didCommitNavigation:) or finishes (webView:didFinishNavigation:).
void commit_navigation(id web_view, std::string_view url = "about:blank");
void finish_navigation(id web_view);
void terminate_content_process(id web_view);
// The page's window.webkit.messageHandlers.<name>.postMessage(body); false when no handler of
// that name is registered. Here and below, an empty URL text stands for a request without a URL.
bool post_page_message(id web_view, id body, std::string_view frame_url,
                       std::string_view name = "ipc");
// The page's title changes (observers of "title" are told), or another key path does.
void set_title(id web_view, std::string_view title);
void notify_key_path(id object, std::string_view key_path, id new_value);

// How often the decision or completion block of the latest simulated request (navigation
// action or response, download destination, media capture, open panel) has been called so far.
long block_calls();

// Navigation decisions: the value the decision handler got, nothing if it was not called.
std::optional<long> decide_navigation_action(id web_view, std::string_view url,
                                             bool should_download = false);
std::optional<long> decide_navigation_response(id web_view, bool can_show_mime_type);
// A navigation became a download: the WKDownload, whose delegate the navigation delegate may set.
Strong become_download(id web_view, std::string_view url, bool from_response = false);
id download_delegate(id download);
// The download asks its delegate where to go: the completion's file path (nothing for nil),
// or no answer at all.
struct DestinationAnswer {
  bool answered = false;
  std::optional<std::string> path;
};
DestinationAnswer decide_download_destination(id download, std::string_view suggested_filename);
void finish_download(id download);
void fail_download(id download);

// UI delegate requests.
std::optional<long> request_media_capture(id web_view);
// The open panel: the completion's chosen paths (nothing for nil), or no answer at all.
struct OpenPanelAnswer {
  bool answered = false;
  std::optional<std::vector<std::string>> paths;
};
OpenPanelAnswer run_open_panel(id web_view, bool allows_multiple, bool allows_directories);
struct WindowFeatures {
  std::optional<double> x, y, width, height;
  std::optional<bool> allows_resizing;
};
id request_new_window(id web_view, std::string_view url, const WindowFeatures& features);

// URL scheme tasks: the handler registered for the URL's scheme gets webView:startURLSchemeTask:
// (nothing when there is none). The task records what it is told.
struct SchemeRequest {
  std::string url;
  std::string method = "GET";
  std::vector<std::pair<std::string, std::string>> headers;
  std::optional<std::string> body;         // HTTPBody
  std::optional<std::string> body_stream;  // HTTPBodyStream, read at most `chunk` bytes a time
  std::size_t chunk = 64;
};
Strong start_scheme_task(id web_view, const SchemeRequest& request);
void stop_scheme_task(id web_view, id task);
struct TaskState {
  std::optional<long> status;
  std::string http_version;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string data;
  bool finished = false;
  bool stopped = false;
};
TaskState scheme_task(id task);

}  // namespace vessimor::apple::sim
