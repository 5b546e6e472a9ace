#include "webview/inner_web_view.hpp"

#include <atomic>
#include <cmath>
#include <limits>

#include "platform/main_thread.hpp"
#include "webview/qv_web_view.hpp"
#include "webview/title_observer.hpp"
#include "webview/url_scheme_handler.hpp"
#include "webview/window_mode.hpp"

namespace vessimor::webview {

namespace {

// COUNTER: the id of the next web view created without one. Never goes back.
std::atomic<std::uint32_t> g_counter{1};

constexpr NSUInteger autoresize_child = 8;    // flexible bottom margin
constexpr NSUInteger autoresize_window = 18;  // flexible width and height

// A coordinate as a 32-bit integer: truncated, saturating at the ends, NaN as 0.
double truncate_to_i32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double low = std::numeric_limits<std::int32_t>::min();
  constexpr double high = std::numeric_limits<std::int32_t>::max();
  return std::trunc(std::clamp(value, low, high));
}

LogicalPosition logical(const Position& position, double scale) {
  if (const auto* p = std::get_if<PhysicalPosition>(&position)) return {p->x / scale, p->y / scale};
  return std::get<LogicalPosition>(position);
}

LogicalSize logical(const Size& size, double scale) {
  if (const auto* s = std::get_if<PhysicalSize>(&size))
    return {s->width / scale, s->height / scale};
  return std::get<LogicalSize>(size);
}

NSRect frame_for(const std::optional<Rect>& bounds, id parent, double scale, bool is_child) {
  NSRect frame;
  if (bounds) {
    const LogicalPosition position = logical(bounds->position, scale);
    frame.origin = {truncate_to_i32(position.x), truncate_to_i32(position.y)};
    if (is_child) {
      const LogicalSize size = logical(bounds->size, scale);
      frame.size = {truncate_to_i32(size.width), truncate_to_i32(size.height)};
    } else {
      frame.origin.y = -frame.origin.y;
    }
  } else if (is_child) {
    frame.size = objc::send<NSRect()>(parent, "frame").size;
  }
  if (is_child && !objc::send<bool()>(parent, "isFlipped")) {
    const double parent_height = objc::send<NSRect()>(parent, "frame").size.height;
    frame.origin.y = parent_height - frame.origin.y - frame.size.height;
  }
  return frame;
}

id window_of(id view) {
  id window = objc::send<id()>(view, "window");
  if (window == nullptr) VESSIMOR_PANIC("the parent view is not in a window");
  return window;
}

void set_preference(id preferences, id value, std::string_view key) {
  objc::send<void(id, id)>(preferences, "setValue:forKey:", value, ns_string(key).get());
}

// A header value goes out as it is only when every byte is a tab or printable ASCII.
bool plain_header_value(std::string_view value) {
  for (unsigned char c : value) {
    if (c != '\t' && (c < 32 || c > 126)) return false;
  }
  return true;
}

}  // namespace

WebViewRegistry& webview_state() {
  static WebViewRegistry registry;
  return registry;
}

Result<std::unique_ptr<InnerWebView>> InnerWebView::new_ns_view(
    id ns_view, WebViewAttributes attributes, PlatformSpecificWebViewAttributes platform,
    bool is_child) {
  // 1. Main thread only.
  if (!platform::is_main_thread()) return WebViewError::plain(WebViewErrorKind::NotMainThread);

  // 2. Id.
  std::string webview_id =
      attributes.view_id ? *attributes.view_id : std::to_string(g_counter.fetch_add(1));

  // 3.-5. Configuration, OS version, data store.
  const bool given_configuration = static_cast<bool>(platform.configuration);
  Strong configuration =
      given_configuration
          ? platform.configuration
          : Strong::adopt(objc::send<id()>(must_class("WKWebViewConfiguration"), "new"));
  const objc::NSOperatingSystemVersion os = objc::send<objc::NSOperatingSystemVersion()>(
      objc::send<id()>(must_class("NSProcessInfo"), "processInfo"), "operatingSystemVersion");
  if (!given_configuration) {
    Class store_class = must_class("WKWebsiteDataStore");
    id store = nullptr;
    if (attributes.incognito) {
      store = objc::send<id()>(store_class, "nonPersistentDataStore");
    } else if (os.majorVersion >= 14 && platform.data_store_id) {
      Strong uuid = Strong::adopt(objc::send<id(const unsigned char*)>(
          objc::send<id()>(must_class("NSUUID"), "alloc"),
          "initWithUUIDBytes:", platform.data_store_id->data()));
      store = objc::send<id(id)>(store_class, "dataStoreForIdentifier:", uuid.get());
    } else {
      store = objc::send<id()>(store_class, "defaultDataStore");
    }
    objc::send<void(id)>(configuration.get(), "setWebsiteDataStore:", store);
  }

  // 6. Custom protocols: one handler object per scheme, its place in the list its index.
  std::vector<std::shared_ptr<CustomProtocolHandler>> protocols;
  for (auto& [scheme, handler] : attributes.custom_protocols) {
    Strong scheme_text = ns_string(scheme);
    if (given_configuration &&
        objc::send<id(id)>(configuration.get(),
                           "urlSchemeHandlerForURLScheme:", scheme_text.get()) != nullptr) {
      continue;
    }
    Class handler_class = url_scheme_handler::create(scheme);
    if (handler_class == nullptr) {
      return WebViewError::with(WebViewErrorKind::UrlSchemeRegisterError, scheme);
    }
    Strong scheme_handler = Strong::adopt(objc::send<id()>(handler_class, "new"));
    url_scheme_handler::set_owner(scheme_handler.get(), webview_id, protocols.size());
    protocols.push_back(handler);
    id raised = objc::catch_exception([&] {
      objc::send<void(id, id)>(configuration.get(),
                               "setURLSchemeHandler:forURLScheme:", scheme_handler.get(),
                               scheme_text.get());
    });
    if (raised != nullptr) {
      return WebViewError::with(WebViewErrorKind::UrlSchemeRegisterError, scheme);
    }
  }

  // 7. Registry entry; from here on, dropping the half-made web view removes it again.
  std::unique_ptr<InnerWebView> inner(new InnerWebView());
  inner->id_ = webview_id;
  inner->is_child_ = is_child;
  {
    std::unique_lock lock(webview_state().mutex);
    webview_state().entries.insert_or_assign(webview_id,
                                             WebViewRegistry::Entry{std::move(protocols)});
    inner->registered_ = true;
  }

  // 8. The configuration's user content controller.
  inner->manager_ = Strong::retain(objc::send<id()>(configuration.get(), "userContentController"));

  // 9. The QvWebView, with its instance data set before it is initialised.
  auto data = std::make_unique<QvWebViewData>();
  data->drag_drop_handler = attributes.drag_drop_handler
                                ? std::move(attributes.drag_drop_handler)
                                : DragDropHandler([](const DragDropEvent&) { return false; });
  data->accept_first_mouse = attributes.accept_first_mouse;
  data->is_child = is_child;
  id allocated = alloc_qv_web_view(std::move(data));

  // 10.-12. Preferences.
  id preferences = objc::send<id()>(configuration.get(), "preferences");
  set_preference(preferences, ns_bool(true).get(), "allowsPictureInPictureMediaPlayback");
  if (attributes.javascript_disabled) {
    objc::send<void(bool)>(objc::send<id()>(configuration.get(), "defaultWebpagePreferences"),
                           "setAllowsContentJavaScript:", false);
  }
  if (attributes.autoplay) {
    objc::send<void(NSUInteger)>(configuration.get(),
                                 "setMediaTypesRequiringUserActionForPlayback:", 0);
  }

  // 13.-15. Scale, frame, and WKWebView's own initialiser.
  const double scale = objc::send<double()>(window_of(ns_view), "backingScaleFactor");
  const NSRect frame = frame_for(attributes.bounds, ns_view, scale, is_child);
  id initialised =
      objc::send_super<id(NSRect, id)>(allocated, must_class("WKWebView"),
                                       "initWithFrame:configuration:", frame, configuration.get());
  if (initialised == nullptr) VESSIMOR_PANIC("initWithFrame:configuration: gave nil");
  inner->web_view_ = Strong::adopt(initialised);
  id web_view = initialised;

  // 16.-20. View settings.
  if (os.majorVersion >= 14 && attributes.background_throttling) {
    NSInteger policy = 0;
    switch (*attributes.background_throttling) {
      case BackgroundThrottlingPolicy::disabled:
        policy = 2;
        break;
      case BackgroundThrottlingPolicy::suspend:
        policy = 0;
        break;
      case BackgroundThrottlingPolicy::throttle:
        policy = 1;
        break;
    }
    set_preference(preferences, ns_integer(policy).get(), "inactiveSchedulingPolicy");
  }
  objc::send<void(NSUInteger)>(
      web_view, "setAutoresizingMask:", is_child ? autoresize_child : autoresize_window);
  objc::send<void(bool)>(
      web_view, "setAllowsBackForwardNavigationGestures:", attributes.back_forward_gestures);
  set_preference(preferences, ns_bool(true).get(), "tabFocusesLinks");
  if (!attributes.visible) objc::send<void(bool)>(web_view, "setHidden:", true);

  // 21.-26. Page messages, title observer, pending scripts, delegates.
  if (attributes.ipc_handler) {
    inner->ipc_delegate_ =
        make_ipc_delegate(inner->manager_.get(), std::move(attributes.ipc_handler));
  }
  if (attributes.title_changed_handler) {
    inner->title_observer_ =
        make_title_observer(web_view, std::move(attributes.title_changed_handler));
  }
  inner->pending_scripts_ = std::make_shared<PendingScripts>();
  const bool has_download_handler = static_cast<bool>(attributes.download_started_handler);
  if (has_download_handler || attributes.download_completed_handler) {
    inner->download_delegate_ =
        make_download_delegate(std::move(attributes.download_started_handler),
                               std::move(attributes.download_completed_handler));
  }
  inner->navigation_delegate_ = make_navigation_delegate(
      NavigationDelegateData{web_view, inner->pending_scripts_, has_download_handler,
                             std::move(attributes.navigation_handler), inner->download_delegate_,
                             std::move(attributes.page_load_handler),
                             std::move(platform.content_process_terminated_handler)});
  objc::send<void(id)>(web_view, "setNavigationDelegate:", inner->navigation_delegate_.get());
  inner->ui_delegate_ = make_ui_delegate(std::move(attributes.new_window_handler));
  objc::send<void(id)>(web_view, "setUIDelegate:", inner->ui_delegate_.get());

  // 27. No separator under the host window's title bar (macOS 11 on).
  id window = window_of(ns_view);
  if (objc::responds_to(window, "setTitlebarSeparatorStyle:")) {
    objc::send<void(NSInteger)>(window, "setTitlebarSeparatorStyle:", 1);
  }

  // 28.-31. Scripts, user agent, page, link preview.
  inner->init(bridge_definition_script, true);
  for (const InitializationScript& script : attributes.init_scripts) {
    inner->init(script.script, script.for_main_frame_only);
  }
  if (attributes.user_agent) {
    objc::send<void(id)>(web_view, "setCustomUserAgent:", ns_string(*attributes.user_agent).get());
  }
  if (attributes.page_url) {
    Result<Done> loaded = inner->navigate_to_url(*attributes.page_url, attributes.page_headers);
    if (!loaded) return loaded.error();
  } else if (attributes.page_html) {
    objc::send<id(id, id)>(web_view,
                           "loadHTMLString:baseURL:", ns_string(*attributes.page_html).get(),
                           static_cast<id>(nullptr));
  }
  objc::send<void(bool)>(web_view, "setAllowsLinkPreview:", platform.link_preview);

  // 32. Into the host's view, or filling its window.
  if (is_child) {
    objc::send<void(id)>(ns_view, "addSubview:", web_view);
  } else {
    place_in_window(ns_view, web_view, platform.traffic_light_inset);
  }

  // 33. Bring the application forward.
  id application = objc::send<id()>(must_class("NSApplication"), "sharedApplication");
  if (os.majorVersion >= 14) {
    objc::send<void()>(application, "activate");
  } else {
    objc::send<void(bool)>(application, "activateIgnoringOtherApps:", true);
  }
  return inner;
}

InnerWebView::~InnerWebView() {
  if (registered_) {
    std::unique_lock lock(webview_state().mutex);
    webview_state().entries.erase(id_);
  }
  if (ipc_delegate_) {
    objc::send<void(id)>(manager_.get(),
                         "removeScriptMessageHandlerForName:", ns_string("ipc").get());
  }
  objc::send<void()>(web_view_.get(), "removeFromSuperview");
  ipc_delegate_.reset();
  navigation_delegate_.reset();
  ui_delegate_.reset();
  download_delegate_.reset();
  title_observer_.reset();
  manager_.reset();
  web_view_.reset();
}

void InnerWebView::init(std::string_view script, bool for_main_frame_only) {
  Strong source = ns_string(script);
  Strong user_script = Strong::adopt(objc::send<id(id, NSInteger, bool)>(
      objc::send<id()>(must_class("WKUserScript"), "alloc"),
      "initWithSource:injectionTime:forMainFrameOnly:", source.get(), 0, for_main_frame_only));
  objc::send<void(id)>(manager_.get(), "addUserScript:", user_script.get());
}

Result<Done> InnerWebView::navigate_to_url(const std::string& url,
                                           const std::optional<http::HeaderMap>& headers) {
  id ns_url = objc::send<id(id)>(must_class("NSURL"), "URLWithString:", ns_string(url).get());
  if (ns_url == nullptr)
    return WebViewError::with(WebViewErrorKind::UrlParse, "invalid URL: " + url);
  id request = objc::send<id(id)>(must_class("NSMutableURLRequest"), "requestWithURL:", ns_url);
  if (headers) {
    for (const auto& [name, value] : *headers) {
      objc::send<void(id, id)>(request, "addValue:forHTTPHeaderField:",
                               ns_string(plain_header_value(value) ? value : "").get(),
                               ns_string(name).get());
    }
  }
  objc::send<id(id)>(web_view_.get(), "loadRequest:", request);
  return Done{};
}

}  // namespace vessimor::webview
