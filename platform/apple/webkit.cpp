// WebKit stand-ins: the web view and its configuration, preferences, user content, data stores,
// and the objects WebKit hands to delegates (navigation actions and responses, downloads, script
// messages, scheme tasks, panel parameters, window features), with the page-side simulations.

#include <fmt/format.h>

#include <memory>

#include "platform/apple/appkit.hpp"
#include "platform/apple/foundation.hpp"
#include "platform/apple/sim.hpp"
#include "platform/apple/stand_in.hpp"

namespace vessimor::apple {

namespace {

struct ControllerState : ObjectState {
  std::vector<Strong> scripts;
  std::vector<std::pair<std::string, Strong>> handlers;  // script message handlers by name
};

struct UserScriptState : ObjectState {
  std::string source;
  NSInteger injection_time = 0;
  bool main_frame_only = true;
};

struct WebpagePreferencesState : ObjectState {
  bool javascript = true;
};

struct DataStoreState : ObjectState {
  std::string describe() const override {
    if (identifier) return "WKWebsiteDataStore(" + describe_object(identifier.get()) + ")";
    return persistent ? "WKWebsiteDataStore(default)" : "WKWebsiteDataStore(nonPersistent)";
  }
  bool persistent = true;
  Strong identifier;
};

struct ConfigurationState : ObjectState {
  ConfigurationState()
      : preferences(make("WKPreferences")),
        webpage_preferences(make("WKWebpagePreferences")),
        controller(make("WKUserContentController")) {}
  Strong data_store;
  Strong preferences;
  Strong webpage_preferences;
  Strong controller;
  std::vector<std::pair<std::string, Strong>> scheme_handlers;
  NSUInteger media_types_requiring_user_action = ~0UL;  // all
};

struct WebViewState : ViewState {
  Strong configuration;
  id navigation_delegate = nullptr;  // delegates are not retained
  id ui_delegate = nullptr;
  bool back_forward_gestures = false;
  bool link_preview = true;
  std::optional<std::string> user_agent;
  sim::PageState page;
  std::function<Strong(std::string_view)> results;
};

struct ScriptMessageState : ObjectState {
  Strong body;
  Strong frame_info;
  std::string name;
  id web_view = nullptr;
};

struct FrameInfoState : ObjectState {
  Strong request;
};

struct NavigationActionState : ObjectState {
  Strong request;
  bool should_download = false;
};

struct NavigationResponseState : ObjectState {
  bool can_show_mime_type = true;
};

struct DownloadState : ObjectState {
  Strong original_request;
  id delegate = nullptr;  // not retained
};

struct SchemeTaskState : ObjectState {
  Strong request;
  sim::TaskState task;
};

struct PanelParametersState : ObjectState {
  bool multiple = false;
  bool directories = false;
};

struct WindowFeaturesState : ObjectState {
  Strong x, y, width, height, allows_resizing;
};

unsigned long g_webkit_drag_operation = 0;

bool implements(id object, const char* selector) {
  return object != nullptr && objc::class_responds(objc::class_of(object), objc::sel(selector));
}

// A request for the URL; an empty text gives a request without a URL.
Strong make_request(std::string_view url) {
  Strong request = make("NSMutableURLRequest");
  if (!url.empty()) state<RequestState>(request.get()).url = ns_url(url);
  return request;
}

// Counts the calls of the decision or completion block of the latest simulated request.
std::shared_ptr<long> g_block_calls = std::make_shared<long>(0);
std::shared_ptr<long> fresh_block_counter() {
  g_block_calls = std::make_shared<long>(0);
  return g_block_calls;
}

// --- WKWebView ---

id web_view_init(id self, NSRect frame, id configuration) {
  if (configuration == nullptr) raise("NSInvalidArgumentException", "configuration is nil");
  state<WebViewState>(self).frame = frame;
  state<WebViewState>(self).configuration = Strong::retain(configuration);
  return self;
}
id web_view_configuration(id self) {
  return state<WebViewState>(self).configuration.get();
}
void web_view_set_navigation_delegate(id self, id delegate) {
  state<WebViewState>(self).navigation_delegate = delegate;
}
id web_view_navigation_delegate(id self) {
  return state<WebViewState>(self).navigation_delegate;
}
void web_view_set_ui_delegate(id self, id delegate) {
  state<WebViewState>(self).ui_delegate = delegate;
}
id web_view_ui_delegate(id self) {
  return state<WebViewState>(self).ui_delegate;
}
void web_view_set_gestures(id self, bool value) {
  state<WebViewState>(self).back_forward_gestures = value;
}
bool web_view_gestures(id self) {
  return state<WebViewState>(self).back_forward_gestures;
}
void web_view_set_link_preview(id self, bool value) {
  state<WebViewState>(self).link_preview = value;
}
bool web_view_link_preview(id self) {
  return state<WebViewState>(self).link_preview;
}
void web_view_set_user_agent(id self, id agent) {
  if (agent == nullptr) {
    state<WebViewState>(self).user_agent.reset();
  } else {
    state<WebViewState>(self).user_agent = string_text(agent);
  }
}
id web_view_user_agent(id self) {
  auto& agent = state<WebViewState>(self).user_agent;
  return agent ? objc::autorelease(ns_string(*agent).leak()) : nullptr;
}
id web_view_load_html(id self, id html, id) {
  state<WebViewState>(self).page.html = string_text(html);
  return make_autoreleased("WKNavigation");
}
id web_view_load_request(id self, id request) {
  id url = objc::send<id()>(request, "URL");
  state<WebViewState>(self).page.url = url == nullptr ? "" : state<UrlState>(url).text;
  return make_autoreleased("WKNavigation");
}
void web_view_evaluate(id self, id script, BlockRef completion) {
  auto& view = state<WebViewState>(self);
  const std::string text = string_text(script);
  view.page.scripts.push_back(text);
  if (completion == nullptr) return;
  Strong result = view.results ? view.results(text) : Strong();
  BlockRef copy = objc::copy_block(completion);
  post_to_main_loop([copy, result] {
    objc::invoke_block<void(id, id)>(copy, result.get(), static_cast<id>(nullptr));
    objc::release_block(copy);
  });
}
id web_view_url(id self) {
  auto& page = state<WebViewState>(self).page;
  if (!page.url) return nullptr;
  return objc::autorelease(ns_url(*page.url).leak());
}
id web_view_title(id self) {
  return objc::autorelease(ns_string(state<WebViewState>(self).page.title).leak());
}
NSUInteger web_view_drag_operation(id, id) {
  return g_webkit_drag_operation;
}
bool web_view_perform_drag(id, id) {
  return g_webkit_drag_operation != 0;
}
void web_view_drag_exited(id, id) {}

// --- Configuration and its parts ---

id data_store_default(id);
id configuration_data_store(id self) {
  auto& configuration = state<ConfigurationState>(self);
  if (!configuration.data_store) {
    configuration.data_store = Strong::retain(data_store_default(nullptr));
  }
  return configuration.data_store.get();
}
void configuration_set_data_store(id self, id store) {
  state<ConfigurationState>(self).data_store = Strong::retain(store);
}
id configuration_preferences(id self) {
  return state<ConfigurationState>(self).preferences.get();
}
id configuration_webpage_preferences(id self) {
  return state<ConfigurationState>(self).webpage_preferences.get();
}
id configuration_controller(id self) {
  return state<ConfigurationState>(self).controller.get();
}
void configuration_set_media_types(id self, NSUInteger types) {
  state<ConfigurationState>(self).media_types_requiring_user_action = types;
}
NSUInteger configuration_media_types(id self) {
  return state<ConfigurationState>(self).media_types_requiring_user_action;
}
id configuration_scheme_handler(id self, id scheme) {
  for (auto& [name, handler] : state<ConfigurationState>(self).scheme_handlers) {
    if (name == string_text(scheme)) return handler.get();
  }
  return nullptr;
}
void configuration_set_scheme_handler(id self, id handler, id scheme) {
  static const char* const webkit_schemes[] = {"about",      "applewebdata", "blob", "data",
                                               "file",       "ftp",          "http", "https",
                                               "javascript", "ws",           "wss"};
  const std::string name = string_text(scheme);
  for (const char* builtin : webkit_schemes) {
    if (name == builtin) {
      raise("NSInvalidArgumentException",
            fmt::format("'{}' is a URL scheme that WKWebView handles natively", name));
    }
  }
  if (configuration_scheme_handler(self, scheme) != nullptr) {
    raise("NSInvalidArgumentException",
          fmt::format("URL scheme '{}' already has a registered URL scheme handler", name));
  }
  state<ConfigurationState>(self).scheme_handlers.emplace_back(name, Strong::retain(handler));
}

void webpage_set_javascript(id self, bool value) {
  state<WebpagePreferencesState>(self).javascript = value;
}
bool webpage_javascript(id self) {
  return state<WebpagePreferencesState>(self).javascript;
}

void controller_add_script(id self, id script) {
  state<ControllerState>(self).scripts.push_back(Strong::retain(script));
}
id controller_scripts(id self) {
  id array = make_autoreleased("NSMutableArray");
  state<ArrayState>(array).items = state<ControllerState>(self).scripts;
  return array;
}
void controller_add_handler(id self, id handler, id name) {
  auto& handlers = state<ControllerState>(self).handlers;
  const std::string key = string_text(name);
  for (auto& entry : handlers) {
    if (entry.first == key) {
      raise("NSInvalidArgumentException",
            fmt::format(
                "Attempt to add script message handler with name '{}' when one already exists.",
                key));
    }
  }
  handlers.emplace_back(key, Strong::retain(handler));
}
void controller_remove_handler(id self, id name) {
  auto& handlers = state<ControllerState>(self).handlers;
  const std::string key = string_text(name);
  std::erase_if(handlers, [&](const auto& entry) { return entry.first == key; });
}

id user_script_init(id self, id source, NSInteger injection_time, bool main_frame_only) {
  auto& script = state<UserScriptState>(self);
  script.source = string_text(source);
  script.injection_time = injection_time;
  script.main_frame_only = main_frame_only;
  return self;
}
id user_script_source(id self) {
  return objc::autorelease(ns_string(state<UserScriptState>(self).source).leak());
}
NSInteger user_script_injection_time(id self) {
  return state<UserScriptState>(self).injection_time;
}
bool user_script_main_frame_only(id self) {
  return state<UserScriptState>(self).main_frame_only;
}

id data_store_default(id) {
  static id store = make("WKWebsiteDataStore").leak();
  return store;
}
id data_store_non_persistent(id) {
  id store = make_autoreleased("WKWebsiteDataStore");
  state<DataStoreState>(store).persistent = false;
  return store;
}
id data_store_for_identifier(id, id identifier) {
  static std::vector<id> stores;  // one per identifier, for the process's life
  for (id store : stores) {
    if (objc::send<bool(id)>(state<DataStoreState>(store).identifier.get(),
                             "isEqual:", identifier)) {
      return store;
    }
  }
  id store = make("WKWebsiteDataStore").leak();
  state<DataStoreState>(store).identifier = Strong::retain(identifier);
  stores.push_back(store);
  return store;
}
bool data_store_persistent(id self) {
  return state<DataStoreState>(self).persistent;
}
id data_store_identifier(id self) {
  return state<DataStoreState>(self).identifier.get();
}

// --- What WebKit hands to delegates ---

id message_body(id self) {
  return state<ScriptMessageState>(self).body.get();
}
id message_frame_info(id self) {
  return state<ScriptMessageState>(self).frame_info.get();
}
id message_name(id self) {
  return objc::autorelease(ns_string(state<ScriptMessageState>(self).name).leak());
}
id message_web_view(id self) {
  return state<ScriptMessageState>(self).web_view;
}
id frame_info_request(id self) {
  return state<FrameInfoState>(self).request.get();
}
bool frame_info_main(id) {
  return true;
}

id action_request(id self) {
  return state<NavigationActionState>(self).request.get();
}
bool action_should_download(id self) {
  return state<NavigationActionState>(self).should_download;
}
bool response_can_show(id self) {
  return state<NavigationResponseState>(self).can_show_mime_type;
}

id download_original_request(id self) {
  return state<DownloadState>(self).original_request.get();
}
void download_set_delegate(id self, id delegate) {
  state<DownloadState>(self).delegate = delegate;
}
id download_delegate_of(id self) {
  return state<DownloadState>(self).delegate;
}

SchemeTaskState& live_task(id self) {
  auto& task = state<SchemeTaskState>(self);
  if (task.task.stopped)
    raise("NSInternalInconsistencyException", "This task has already been stopped");
  if (task.task.finished) raise("NSInternalInconsistencyException", "finished task");
  return task;
}
id task_request(id self) {
  return state<SchemeTaskState>(self).request.get();
}
void task_did_receive_response(id self, id response) {
  auto& task = live_task(self).task;
  auto& r = state<ResponseState>(response);
  task.status = r.status;
  task.http_version = r.version;
  task.headers.clear();
  if (r.headers) {
    for (auto& [k, v] : state<DictionaryState>(r.headers.get()).entries) {
      task.headers.emplace_back(string_text(k.get()), string_text(v.get()));
    }
  }
}
void task_did_receive_data(id self, id data) {
  live_task(self).task.data += state<DataState>(data).bytes;
}
void task_did_finish(id self) {
  live_task(self).task.finished = true;
}
void task_did_fail(id self, id) {
  live_task(self).task.finished = true;
}

bool panel_parameters_multiple(id self) {
  return state<PanelParametersState>(self).multiple;
}
bool panel_parameters_directories(id self) {
  return state<PanelParametersState>(self).directories;
}

id features_x(id self) {
  return state<WindowFeaturesState>(self).x.get();
}
id features_y(id self) {
  return state<WindowFeaturesState>(self).y.get();
}
id features_width(id self) {
  return state<WindowFeaturesState>(self).width.get();
}
id features_height(id self) {
  return state<WindowFeaturesState>(self).height.get();
}
id features_allows_resizing(id self) {
  return state<WindowFeaturesState>(self).allows_resizing.get();
}

}  // namespace

void define_webkit() {
  Class web_view = begin_class<WebViewState>("WKWebView", stand_in_class("NSView"));
  method<&web_view_init>(web_view, "initWithFrame:configuration:");
  method<&web_view_configuration>(web_view, "configuration");
  method<&web_view_set_navigation_delegate>(web_view, "setNavigationDelegate:");
  method<&web_view_navigation_delegate>(web_view, "navigationDelegate");
  method<&web_view_set_ui_delegate>(web_view, "setUIDelegate:");
  method<&web_view_ui_delegate>(web_view, "UIDelegate");
  method<&web_view_set_gestures>(web_view, "setAllowsBackForwardNavigationGestures:");
  method<&web_view_gestures>(web_view, "allowsBackForwardNavigationGestures");
  method<&web_view_set_link_preview>(web_view, "setAllowsLinkPreview:");
  method<&web_view_link_preview>(web_view, "allowsLinkPreview");
  method<&web_view_set_user_agent>(web_view, "setCustomUserAgent:");
  method<&web_view_user_agent>(web_view, "customUserAgent");
  method<&web_view_load_html>(web_view, "loadHTMLString:baseURL:");
  method<&web_view_load_request>(web_view, "loadRequest:");
  method<&web_view_evaluate>(web_view, "evaluateJavaScript:completionHandler:");
  method<&web_view_url>(web_view, "URL");
  method<&web_view_title>(web_view, "title");
  method<&web_view_drag_operation>(web_view, "draggingEntered:");
  method<&web_view_drag_operation>(web_view, "draggingUpdated:");
  method<&web_view_perform_drag>(web_view, "performDragOperation:");
  method<&web_view_drag_exited>(web_view, "draggingExited:");
  finish_class(web_view);

  finish_class(begin_class<ObjectState>("WKPreferences", nullptr));
  Class webpage = begin_class<WebpagePreferencesState>("WKWebpagePreferences", nullptr);
  method<&webpage_set_javascript>(webpage, "setAllowsContentJavaScript:");
  method<&webpage_javascript>(webpage, "allowsContentJavaScript");
  finish_class(webpage);

  Class controller = begin_class<ControllerState>("WKUserContentController", nullptr);
  method<&controller_add_script>(controller, "addUserScript:");
  method<&controller_scripts>(controller, "userScripts");
  method<&controller_add_handler>(controller, "addScriptMessageHandler:name:");
  method<&controller_remove_handler>(controller, "removeScriptMessageHandlerForName:");
  finish_class(controller);

  Class script = begin_class<UserScriptState>("WKUserScript", nullptr);
  method<&user_script_init>(script, "initWithSource:injectionTime:forMainFrameOnly:");
  method<&user_script_source>(script, "source");
  method<&user_script_injection_time>(script, "injectionTime");
  method<&user_script_main_frame_only>(script, "isForMainFrameOnly");
  finish_class(script);

  Class store = begin_class<DataStoreState>("WKWebsiteDataStore", nullptr);
  class_method<&data_store_default>(store, "defaultDataStore");
  class_method<&data_store_non_persistent>(store, "nonPersistentDataStore");
  class_method<&data_store_for_identifier>(store, "dataStoreForIdentifier:");
  method<&data_store_persistent>(store, "isPersistent");
  method<&data_store_identifier>(store, "identifier");
  finish_class(store);

  Class configuration = begin_class<ConfigurationState>("WKWebViewConfiguration", nullptr);
  method<&configuration_data_store>(configuration, "websiteDataStore");
  method<&configuration_set_data_store>(configuration, "setWebsiteDataStore:");
  method<&configuration_preferences>(configuration, "preferences");
  method<&configuration_webpage_preferences>(configuration, "defaultWebpagePreferences");
  method<&configuration_controller>(configuration, "userContentController");
  method<&configuration_set_media_types>(configuration,
                                         "setMediaTypesRequiringUserActionForPlayback:");
  method<&configuration_media_types>(configuration, "mediaTypesRequiringUserActionForPlayback");
  method<&configuration_scheme_handler>(configuration, "urlSchemeHandlerForURLScheme:");
  method<&configuration_set_scheme_handler>(configuration, "setURLSchemeHandler:forURLScheme:");
  finish_class(configuration);

  finish_class(begin_class<ObjectState>("WKNavigation", nullptr));
  finish_class(begin_class<ObjectState>("WKSecurityOrigin", nullptr));
  Class message = begin_class<ScriptMessageState>("WKScriptMessage", nullptr);
  method<&message_body>(message, "body");
  method<&message_frame_info>(message, "frameInfo");
  method<&message_name>(message, "name");
  method<&message_web_view>(message, "webView");
  finish_class(message);
  Class frame = begin_class<FrameInfoState>("WKFrameInfo", nullptr);
  method<&frame_info_request>(frame, "request");
  method<&frame_info_main>(frame, "isMainFrame");
  finish_class(frame);
  Class action = begin_class<NavigationActionState>("WKNavigationAction", nullptr);
  method<&action_request>(action, "request");
  method<&action_should_download>(action, "shouldPerformDownload");
  finish_class(action);
  Class response = begin_class<NavigationResponseState>("WKNavigationResponse", nullptr);
  method<&response_can_show>(response, "canShowMIMEType");
  finish_class(response);
  Class download = begin_class<DownloadState>("WKDownload", nullptr);
  method<&download_original_request>(download, "originalRequest");
  method<&download_set_delegate>(download, "setDelegate:");
  method<&download_delegate_of>(download, "delegate");
  finish_class(download);
  Class task = begin_class<SchemeTaskState>("WKURLSchemeTask", nullptr);
  objc::adopt_protocol(task, "WKURLSchemeTask");
  method<&task_request>(task, "request");
  method<&task_did_receive_response>(task, "didReceiveResponse:");
  method<&task_did_receive_data>(task, "didReceiveData:");
  method<&task_did_finish>(task, "didFinish");
  method<&task_did_fail>(task, "didFailWithError:");
  finish_class(task);
  Class parameters = begin_class<PanelParametersState>("WKOpenPanelParameters", nullptr);
  method<&panel_parameters_multiple>(parameters, "allowsMultipleSelection");
  method<&panel_parameters_directories>(parameters, "allowsDirectories");
  finish_class(parameters);
  Class features = begin_class<WindowFeaturesState>("WKWindowFeatures", nullptr);
  method<&features_x>(features, "x");
  method<&features_y>(features, "y");
  method<&features_width>(features, "width");
  method<&features_height>(features, "height");
  method<&features_allows_resizing>(features, "allowsResizing");
  finish_class(features);
}

namespace sim {

PageState page(id web_view) {
  return state<WebViewState>(web_view).page;
}
id web_view_configuration(id web_view) {
  return state<WebViewState>(web_view).configuration.get();
}
id navigation_delegate(id web_view) {
  return state<WebViewState>(web_view).navigation_delegate;
}
id ui_delegate(id web_view) {
  return state<WebViewState>(web_view).ui_delegate;
}
void set_script_results(id web_view, std::function<Strong(std::string_view)> results) {
  state<WebViewState>(web_view).results = std::move(results);
}
void set_webkit_drag_operation(unsigned long operation) {
  g_webkit_drag_operation = operation;
}
long block_calls() {
  return *g_block_calls;
}

namespace {
void run_user_scripts(id web_view, NSInteger injection_time) {
  auto& view = state<WebViewState>(web_view);
  id controller = state<ConfigurationState>(view.configuration.get()).controller.get();
  for (const Strong& script : state<ControllerState>(controller).scripts) {
    auto& s = state<UserScriptState>(script.get());
    if (s.injection_time == injection_time) view.page.scripts.push_back(s.source);
  }
}
}  // namespace

void commit_navigation(id web_view, std::string_view url) {
  auto& view = state<WebViewState>(web_view);
  view.page.committed = true;
  view.page.url = std::string(url);
  view.page.scripts.clear();  // a new document
  run_user_scripts(web_view, 0);
  id delegate = view.navigation_delegate;
  if (implements(delegate, "webView:didCommitNavigation:")) {
    Strong navigation = make("WKNavigation");
    objc::send<void(id, id)>(delegate, "webView:didCommitNavigation:", web_view, navigation.get());
  }
}

void finish_navigation(id web_view) {
  run_user_scripts(web_view, 1);
  id delegate = state<WebViewState>(web_view).navigation_delegate;
  if (implements(delegate, "webView:didFinishNavigation:")) {
    Strong navigation = make("WKNavigation");
    objc::send<void(id, id)>(delegate, "webView:didFinishNavigation:", web_view, navigation.get());
  }
}

void terminate_content_process(id web_view) {
  id delegate = state<WebViewState>(web_view).navigation_delegate;
  if (implements(delegate, "webViewWebContentProcessDidTerminate:")) {
    objc::send<void(id)>(delegate, "webViewWebContentProcessDidTerminate:", web_view);
  }
}

bool post_page_message(id web_view, id body, std::string_view frame_url, std::string_view name) {
  id controller =
      state<ConfigurationState>(state<WebViewState>(web_view).configuration.get()).controller.get();
  id handler = nullptr;
  for (auto& [n, h] : state<ControllerState>(controller).handlers) {
    if (n == name) handler = h.get();
  }
  if (handler == nullptr) return false;
  Strong message = make("WKScriptMessage");
  auto& m = state<ScriptMessageState>(message.get());
  m.body = Strong::retain(body);
  m.frame_info = make("WKFrameInfo");
  state<FrameInfoState>(m.frame_info.get()).request = make_request(frame_url);
  m.name = std::string(name);
  m.web_view = web_view;
  objc::send<void(id, id)>(handler, "userContentController:didReceiveScriptMessage:", controller,
                           message.get());
  return true;
}

void set_title(id web_view, std::string_view title) {
  state<WebViewState>(web_view).page.title = std::string(title);
  notify_observers(web_view, "title", ns_string(title).get());
}

void notify_key_path(id object, std::string_view key_path, id new_value) {
  notify_observers(object, key_path, new_value);
}

namespace {
// A decision block: what it was called with lands in the shared slot, however late.
template <class T>
struct Answer {
  std::shared_ptr<std::optional<T>> slot = std::make_shared<std::optional<T>>();
  std::shared_ptr<long> calls = fresh_block_counter();
};
}  // namespace

std::optional<long> decide_navigation_action(id web_view, std::string_view url,
                                             bool should_download) {
  id delegate = state<WebViewState>(web_view).navigation_delegate;
  const char* selector = "webView:decidePolicyForNavigationAction:decisionHandler:";
  if (!implements(delegate, selector)) return std::nullopt;
  Strong action = make("WKNavigationAction");
  state<NavigationActionState>(action.get()).request = make_request(url);
  state<NavigationActionState>(action.get()).should_download = should_download;
  Answer<long> answer;
  objc::Block<void(NSInteger)> handler(
      [slot = answer.slot, calls = answer.calls](NSInteger policy) {
        *slot = policy;
        ++*calls;
      });
  objc::send<void(id, id, BlockRef)>(delegate, selector, web_view, action.get(), handler.get());
  return *answer.slot;
}

std::optional<long> decide_navigation_response(id web_view, bool can_show_mime_type) {
  id delegate = state<WebViewState>(web_view).navigation_delegate;
  const char* selector = "webView:decidePolicyForNavigationResponse:decisionHandler:";
  if (!implements(delegate, selector)) return std::nullopt;
  Strong response = make("WKNavigationResponse");
  state<NavigationResponseState>(response.get()).can_show_mime_type = can_show_mime_type;
  Answer<long> answer;
  objc::Block<void(NSInteger)> handler(
      [slot = answer.slot, calls = answer.calls](NSInteger policy) {
        *slot = policy;
        ++*calls;
      });
  objc::send<void(id, id, BlockRef)>(delegate, selector, web_view, response.get(), handler.get());
  return *answer.slot;
}

Strong become_download(id web_view, std::string_view url, bool from_response) {
  Strong download = make("WKDownload");
  state<DownloadState>(download.get()).original_request = make_request(url);
  id delegate = state<WebViewState>(web_view).navigation_delegate;
  const char* selector = from_response ? "webView:navigationResponse:didBecomeDownload:"
                                       : "webView:navigationAction:didBecomeDownload:";
  if (implements(delegate, selector)) {
    Strong cause = make(from_response ? "WKNavigationResponse" : "WKNavigationAction");
    objc::send<void(id, id, id)>(delegate, selector, web_view, cause.get(), download.get());
  }
  return download;
}

id download_delegate(id download) {
  return state<DownloadState>(download).delegate;
}

DestinationAnswer decide_download_destination(id download, std::string_view suggested_filename) {
  id delegate = state<DownloadState>(download).delegate;
  const char* selector =
      "download:decideDestinationUsingResponse:suggestedFilename:completionHandler:";
  if (!implements(delegate, selector)) return {};
  auto answer = std::make_shared<DestinationAnswer>();
  objc::Block<void(id)> completion([answer, calls = fresh_block_counter()](id url) {
    answer->answered = true;
    ++*calls;
    if (url != nullptr) {
      const std::string& text = state<UrlState>(url).text;
      answer->path = text.starts_with("file://") ? text.substr(7) : text;
    }
  });
  Strong response = make("NSHTTPURLResponse");
  Strong name = ns_string(suggested_filename);
  objc::send<void(id, id, id, BlockRef)>(delegate, selector, download, response.get(), name.get(),
                                         completion.get());
  return *answer;
}

void finish_download(id download) {
  id delegate = state<DownloadState>(download).delegate;
  if (implements(delegate, "downloadDidFinish:")) {
    objc::send<void(id)>(delegate, "downloadDidFinish:", download);
  }
}

void fail_download(id download) {
  id delegate = state<DownloadState>(download).delegate;
  const char* selector = "download:didFailWithError:resumeData:";
  if (implements(delegate, selector)) {
    Strong error = make("NSError");
    objc::send<void(id, id, id)>(delegate, selector, download, error.get(),
                                 static_cast<id>(nullptr));
  }
}

std::optional<long> request_media_capture(id web_view) {
  id delegate = state<WebViewState>(web_view).ui_delegate;
  const char* selector =
      "webView:requestMediaCapturePermissionForOrigin:initiatedByFrame:type:decisionHandler:";
  if (!implements(delegate, selector)) return std::nullopt;
  Strong origin = make("WKSecurityOrigin");
  Strong frame = make("WKFrameInfo");
  Answer<long> answer;
  objc::Block<void(NSInteger)> handler(
      [slot = answer.slot, calls = answer.calls](NSInteger decision) {
        *slot = decision;
        ++*calls;
      });
  objc::send<void(id, id, id, NSInteger, BlockRef)>(delegate, selector, web_view, origin.get(),
                                                    frame.get(), 2, handler.get());
  return *answer.slot;
}

OpenPanelAnswer run_open_panel(id web_view, bool allows_multiple, bool allows_directories) {
  id delegate = state<WebViewState>(web_view).ui_delegate;
  const char* selector = "webView:runOpenPanelWithParameters:initiatedByFrame:completionHandler:";
  if (!implements(delegate, selector)) return {};
  Strong parameters = make("WKOpenPanelParameters");
  state<PanelParametersState>(parameters.get()).multiple = allows_multiple;
  state<PanelParametersState>(parameters.get()).directories = allows_directories;
  Strong frame = make("WKFrameInfo");
  auto answer = std::make_shared<OpenPanelAnswer>();
  objc::Block<void(id)> completion([answer, calls = fresh_block_counter()](id urls) {
    answer->answered = true;
    ++*calls;
    if (urls == nullptr) return;
    answer->paths.emplace();
    for (const Strong& url : state<ArrayState>(urls).items) {
      const std::string& text = state<UrlState>(url.get()).text;
      answer->paths->push_back(text.starts_with("file://") ? text.substr(7) : text);
    }
  });
  objc::send<void(id, id, id, BlockRef)>(delegate, selector, web_view, parameters.get(),
                                         frame.get(), completion.get());
  return *answer;
}

id request_new_window(id web_view, std::string_view url, const WindowFeatures& features) {
  id delegate = state<WebViewState>(web_view).ui_delegate;
  const char* selector =
      "webView:createWebViewWithConfiguration:forNavigationAction:windowFeatures:";
  if (!implements(delegate, selector)) return nullptr;
  Strong action = make("WKNavigationAction");
  state<NavigationActionState>(action.get()).request = make_request(url);
  Strong window_features = make("WKWindowFeatures");
  auto& f = state<WindowFeaturesState>(window_features.get());
  auto number = [](std::optional<double> v) { return v ? ns_double(*v) : Strong(); };
  f.x = number(features.x);
  f.y = number(features.y);
  f.width = number(features.width);
  f.height = number(features.height);
  if (features.allows_resizing) f.allows_resizing = ns_bool(*features.allows_resizing);
  Strong configuration = make("WKWebViewConfiguration");
  return objc::send<id(id, id, id, id)>(delegate, selector, web_view, configuration.get(),
                                        action.get(), window_features.get());
}

Strong start_scheme_task(id web_view, const SchemeRequest& request) {
  const std::string scheme = request.url.substr(0, request.url.find(':'));
  id configuration = state<WebViewState>(web_view).configuration.get();
  Strong scheme_text = ns_string(scheme);
  id handler = configuration_scheme_handler(configuration, scheme_text.get());
  if (handler == nullptr) return {};
  Strong task = make("WKURLSchemeTask");
  Strong url_request = make_request(request.url);
  auto& r = state<RequestState>(url_request.get());
  r.method = request.method;
  r.headers = request.headers;
  if (request.body) {
    r.body = ns_data(*request.body);
  }
  if (request.body_stream) {
    r.body_stream = make("NSInputStream");
    state<StreamState>(r.body_stream.get()).bytes = *request.body_stream;
    state<StreamState>(r.body_stream.get()).chunk = request.chunk;
  }
  state<SchemeTaskState>(task.get()).request = url_request;
  if (implements(handler, "webView:startURLSchemeTask:")) {
    objc::send<void(id, id)>(handler, "webView:startURLSchemeTask:", web_view, task.get());
  }
  return task;
}

void stop_scheme_task(id web_view, id task) {
  state<SchemeTaskState>(task).task.stopped = true;
  const std::string url =
      state<UrlState>(state<RequestState>(state<SchemeTaskState>(task).request.get()).url.get())
          .text;
  Strong scheme_text = ns_string(url.substr(0, url.find(':')));
  id handler = configuration_scheme_handler(state<WebViewState>(web_view).configuration.get(),
                                            scheme_text.get());
  if (implements(handler, "webView:stopURLSchemeTask:")) {
    objc::send<void(id, id)>(handler, "webView:stopURLSchemeTask:", web_view, task);
  }
}

TaskState scheme_task(id task) {
  return state<SchemeTaskState>(task).task;
}

}  // namespace sim
}  // namespace vessimor::apple
