#pragma once

// What a web view is created from, and the handlers through which it reports to its owner.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/objc/runtime.hpp"
#include "webview/http.hpp"

namespace vessimor::webview {

struct LogicalPosition {
  double x = 0;
  double y = 0;
};
struct PhysicalPosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
};
using Position = std::variant<PhysicalPosition, LogicalPosition>;

struct LogicalSize {
  double width = 0;
  double height = 0;
};
struct PhysicalSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};
using Size = std::variant<PhysicalSize, LogicalSize>;

struct Rect {
  Position position = LogicalPosition{0, 0};
  Size size = LogicalSize{200, 200};
};

// A script added to every page at document start, in the order the scripts were given.
struct InitializationScript {
  std::string script;
  bool for_main_frame_only = true;
};

// A drag that carries files, over the web view. Positions count from the view's top left.
struct DragDropPosition {
  std::int32_t x = 0;
  std::int32_t y = 0;
};
struct DragEnter {
  std::vector<std::filesystem::path> paths;
  DragDropPosition position;
};
struct DragOver {
  DragDropPosition position;
};
struct DragDrop {
  std::vector<std::filesystem::path> paths;
  DragDropPosition position;
};
struct DragLeave {};
using DragDropEvent = std::variant<DragEnter, DragOver, DragDrop, DragLeave>;

enum class PageLoadEvent { started = 0, finished = 1 };

enum class BackgroundThrottlingPolicy { disabled, suspend, throttle };

// What a page asked for when it opened a new window.
struct NewWindowFeatures {
  std::optional<LogicalSize> size;
  std::optional<LogicalPosition> position;
  objc::id opener_web_view = nullptr;
  objc::id opener_configuration = nullptr;
};
struct NewWindowAllow {};  // open a window of our own
struct NewWindowCreate {   // use this web view (retained by the caller)
  objc::id web_view = nullptr;
};
struct NewWindowDeny {};
using NewWindowResponse = std::variant<NewWindowAllow, NewWindowCreate, NewWindowDeny>;

// Answers a custom-scheme request once; may be called on any thread, at once or later.
using RequestAsyncResponder = std::function<void(http::Response<std::vector<std::uint8_t>>)>;

using IpcHandler = std::function<void(http::Request<std::string>)>;
using CustomProtocolHandler =
    std::function<void(const std::string& webview_id, http::Request<std::vector<std::uint8_t>>,
                       RequestAsyncResponder)>;
using DragDropHandler = std::function<bool(DragDropEvent)>;
using NavigationHandler = std::function<bool(std::string url)>;
using DownloadStartedHandler =
    std::function<bool(std::string url, std::filesystem::path& destination)>;
using DownloadCompletedHandler =
    std::function<void(std::string url, std::optional<std::filesystem::path> path, bool success)>;
using NewWindowHandler = std::function<NewWindowResponse(std::string url, NewWindowFeatures)>;
using DocumentTitleChangedHandler = std::function<void(std::string title)>;
using PageLoadHandler = std::function<void(PageLoadEvent, std::string url)>;

// Every field that creation reads on this platform, with its default.
struct WebViewAttributes {
  std::optional<std::string> view_id;
  std::optional<std::string> page_url;
  std::optional<http::HeaderMap> page_headers;
  std::optional<std::string> page_html;
  std::optional<std::string> user_agent;
  std::vector<InitializationScript> init_scripts;
  std::optional<Rect> bounds = Rect{};
  // By scheme name; a handler's protocol index is its place among the registered ones.
  std::map<std::string, std::shared_ptr<CustomProtocolHandler>> custom_protocols;
  IpcHandler ipc_handler;
  DragDropHandler drag_drop_handler;
  NavigationHandler navigation_handler;
  DownloadStartedHandler download_started_handler = [](const std::string&, std::filesystem::path&) {
    return true;
  };
  DownloadCompletedHandler download_completed_handler;
  NewWindowHandler new_window_handler;
  DocumentTitleChangedHandler title_changed_handler;
  PageLoadHandler page_load_handler;
  bool visible = true;
  bool accept_first_mouse = false;
  bool back_forward_gestures = false;
  bool incognito = false;
  bool autoplay = true;
  bool javascript_disabled = false;
  std::optional<BackgroundThrottlingPolicy> background_throttling;
  // Kept for other platforms; creation here never reads them.
  bool transparent = false;
  bool devtools = false;
};

struct PlatformSpecificWebViewAttributes {
  std::optional<Position> traffic_light_inset;  // window mode only
  std::function<void()> content_process_terminated_handler;
  objc::Strong configuration;  // an existing WKWebViewConfiguration to use
  std::optional<std::array<std::uint8_t, 16>> data_store_id;
  bool link_preview = true;
};

// The host's window system handle that a web view is created in.
enum class WindowSystem { app_kit, ui_kit, win32, xlib, xcb, wayland, web, android };
struct RawWindowHandle {
  WindowSystem system = WindowSystem::app_kit;
  void* handle = nullptr;  // AppKit: the NSView
};
enum class HandleError { NotSupported, Unavailable };
const char* handle_error_text(HandleError error) noexcept;

// Something that can give its window handle, such as the editor's wrapper of the host's view.
class HasWindowHandle {
 public:
  virtual ~HasWindowHandle() = default;
  virtual std::variant<RawWindowHandle, HandleError> window_handle() const = 0;
};

}  // namespace vessimor::webview
