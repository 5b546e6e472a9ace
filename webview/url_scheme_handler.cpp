#include "webview/url_scheme_handler.hpp"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <mutex>
#include <shared_mutex>

#include "framework/util/utf8.hpp"
#include "webview/inner_web_view.hpp"
#include "webview/qv_web_view.hpp"

namespace vessimor::webview::url_scheme_handler {

namespace {

using Body = std::vector<std::uint8_t>;

constexpr std::size_t min_free_room = 128;

// The id text belongs to the handler object, not to the registry entry: WebKit may keep the
// handler (and start tasks on it) after the web view and its entry are gone.
void dealloc(id self, SEL) {
  guard_entry([self] {
    if (char** text = objc::ivar_ptr<char*>(self, "webview_id"))
      delete[] std::exchange(*text, nullptr);
    objc::send_super<void()>(self, must_class("NSObject"), "dealloc");
  });
}

std::string exception_reason(id exception) {
  if (!objc::responds_to(exception, "reason")) return "an exception";
  return string_text(objc::send<id()>(exception, "reason")).value_or(std::string());
}

// The web view's custom-protocol handler at `index`, while the web view lives.
std::shared_ptr<CustomProtocolHandler> find_handler(const std::string& webview_id,
                                                    NSUInteger index) {
  WebViewRegistry& state = webview_state();
  std::shared_lock lock(state.mutex);
  auto found = state.entries.find(webview_id);
  if (found == state.entries.end() || index >= found->second.protocols.size()) return nullptr;
  return found->second.protocols[index];
}

// One of WebKit's task calls; an exception from it is a broken invariant.
template <class Send>
void call_task(const char* what, Send&& send) {
  if (id raised = objc::catch_exception(send)) {
    VESSIMOR_PANIC("URL scheme task {}: {}", what, exception_reason(raised));
  }
}

Strong http_response(id url, NSInteger status, std::string_view version, id header_fields) {
  id response = objc::send<id()>(must_class("NSHTTPURLResponse"), "alloc");
  return Strong::adopt(objc::send<id(id, NSInteger, id, id)>(
      response, "initWithURL:statusCode:HTTPVersion:headerFields:", url, status,
      ns_string(version).get(), header_fields));
}

// The answer to a task that no handler will see: 404, no header fields, no body.
void answer_not_found(id task, id url) {
  Strong response = http_response(url, 404, "HTTP/1.1", nullptr);
  call_task("didReceiveResponse:",
            [&] { objc::send<void(id)>(task, "didReceiveResponse:", response.get()); });
  call_task("didFinish", [&] { objc::send<void()>(task, "didFinish"); });
}

// Reads the stream to its end, keeping at least 128 bytes of room for each read and reading up
// to all of the room.
Body read_stream(id stream) {
  Body body;
  objc::send<void()>(stream, "open");
  while (objc::send<bool()>(stream, "hasBytesAvailable")) {
    if (body.capacity() - body.size() < min_free_room) {
      body.reserve(std::max(body.size() + min_free_room, 2 * body.capacity()));
    }
    const std::size_t used = body.size();
    body.resize(body.capacity());
    const NSInteger read = objc::send<NSInteger(std::uint8_t*, NSUInteger)>(
        stream, "read:maxLength:", body.data() + used, body.size() - used);
    body.resize(used + static_cast<std::size_t>(std::max<NSInteger>(read, 0)));
    if (read <= 0) break;  // an error, or a stream that claimed bytes it did not have
  }
  objc::send<void()>(stream, "close");
  return body;
}

Body request_body(id request) {
  if (id data = objc::send<id()>(request, "HTTPBody")) {
    const auto* bytes = static_cast<const std::uint8_t*>(objc::send<const void*()>(data, "bytes"));
    const NSUInteger length = objc::send<NSUInteger()>(data, "length");
    return bytes == nullptr ? Body() : Body(bytes, bytes + length);
  }
  if (id stream = objc::send<id()>(request, "HTTPBodyStream")) return read_stream(stream);
  return {};
}

// The task's request as an HTTP request; nothing when it cannot be one.
std::optional<http::Request<Body>> build_request(id request, std::string uri) {
  http::Request<Body> built;
  built.uri = std::move(uri);
  std::optional<std::string> method = string_text(objc::send<id()>(request, "HTTPMethod"));
  built.body = request_body(request);
  if (id fields = objc::send<id()>(request, "allHTTPHeaderFields")) {
    id keys = objc::send<id()>(fields, "allKeys");
    const NSUInteger count = objc::send<NSUInteger()>(keys, "count");
    for (NSUInteger i = 0; i < count; ++i) {
      id key = objc::send<id(NSUInteger)>(keys, "objectAtIndex:", i);
      id value = objc::send<id(id)>(fields, "objectForKey:", key);
      if (value == nullptr) VESSIMOR_PANIC("a request header field without a value");
      built.headers.emplace_back(string_text(key).value_or(std::string()),
                                 string_text(value).value_or(std::string()));
    }
  }
  if (!method || !http::valid_method(*method) || !http::is_valid_uri(built.uri))
    return std::nullopt;
  for (const auto& [name, value] : built.headers) {
    if (!http::valid_header_name(name) || !http::valid_header_value(value)) return std::nullopt;
  }
  built.method = std::move(*method);
  return built;
}

// What a responder holds: it may outlive the web view's registry entry, the task's stop and the
// web view itself, and be called on any thread.
struct Reply {
  std::string webview_id;
  Strong web_view;
  Strong task;
  Strong token;
  Strong url;
  std::atomic<bool> used{false};

  // The web view is still registered and the task is still the one this reply is for.
  bool wanted() const {
    {
      WebViewRegistry& state = webview_state();
      std::shared_lock lock(state.mutex);
      if (state.entries.find(webview_id) == state.entries.end()) return false;
    }
    Strong current = QvWebView::get_custom_task_uuid(web_view.get(), task.get());
    return current && objc::send<bool(id)>(current.get(), "isEqual:", token.get());
  }

  // Sends one of WebKit's task calls while the reply is wanted. WebKit raises when the task was
  // stopped after the check; the stop has then removed the token, so a second check tells that
  // race from misuse.
  template <class Send>
  bool deliver(const char* what, Send&& send) const {
    if (!wanted()) return false;
    id raised = objc::catch_exception(send);
    if (raised == nullptr) return true;
    if (!wanted()) return false;
    VESSIMOR_PANIC("URL scheme task {}: {}", what, exception_reason(raised));
  }
};

// The response's header fields: "content-type", then "content-length" of the body, then every
// header whose name is a token and whose value is valid UTF-8 text, under its name in lower case,
// so that a later field of the same name (the response's own content-length among them) replaces an
// earlier one.
Strong header_fields(const http::HeaderMap& headers, std::size_t body_length) {
  Strong fields = Strong::adopt(objc::send<id()>(must_class("NSMutableDictionary"), "new"));
  auto set = [&](std::string_view name, std::string_view value) {
    objc::send<void(id, id)>(fields.get(), "setObject:forKey:", ns_string(value).get(),
                             ns_string(name).get());
  };
  auto lower = [](std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
  };
  auto usable = [](const std::pair<std::string, std::string>& header) {
    return http::valid_header_name(header.first) && http::valid_header_value(header.second) &&
           util::is_valid_utf8(header.second);
  };
  auto content_type = std::find_if(headers.begin(), headers.end(), [&](const auto& header) {
    return lower(header.first) == "content-type";
  });
  if (content_type != headers.end() && usable(*content_type)) {
    set("content-type", content_type->second);
  }
  set("content-length", std::to_string(body_length));
  for (const auto& header : headers) {
    if (usable(header)) set(lower(header.first), header.second);
  }
  return fields;
}

void respond(Reply& reply, http::Response<Body> response) {
  if (reply.used.exchange(true) || !reply.wanted()) return;
  Strong fields = header_fields(response.headers, response.body.size());
  Strong http_reply = http_response(reply.url.get(), response.status,
                                    http::version_text(response.version), fields.get());
  id task = reply.task.get();
  if (!reply.deliver("didReceiveResponse:", [&] {
        objc::send<void(id)>(task, "didReceiveResponse:", http_reply.get());
      })) {
    return;
  }
  id data = objc::send<id()>(must_class("NSData"), "alloc");
  Strong body = Strong::adopt(objc::send<id(const void*, NSUInteger)>(
      data, "initWithBytes:length:", response.body.data(), response.body.size()));
  if (!reply.deliver("didReceiveData:",
                     [&] { objc::send<void(id)>(task, "didReceiveData:", body.get()); })) {
    return;
  }
  if (!reply.deliver("didFinish", [&] { objc::send<void()>(task, "didFinish"); })) return;
  QvWebView::remove_custom_task_key(reply.web_view.get(), task);
}

std::string owner_id(id handler) {
  char** text = objc::ivar_ptr<char*>(handler, "webview_id");
  if (text == nullptr) VESSIMOR_PANIC("URL scheme handler without its webview_id");
  if (*text == nullptr || !util::is_valid_utf8(*text)) return {};
  return *text;
}

NSUInteger owner_index(id handler) {
  NSUInteger* index = objc::ivar_ptr<NSUInteger>(handler, "protocol_index");
  if (index == nullptr) VESSIMOR_PANIC("URL scheme handler without its protocol_index");
  return *index;
}

// The request's URL and its absolute text; WebKit gives every task both.
std::pair<id, std::string> request_url(id request) {
  id url = objc::send<id()>(request, "URL");
  if (url == nullptr) VESSIMOR_PANIC("URL scheme task without a URL");
  std::optional<std::string> text = string_text(objc::send<id()>(url, "absoluteString"));
  if (!text) VESSIMOR_PANIC("URL scheme task URL without an absolute string");
  return {url, std::move(*text)};
}

void start_task(id self, SEL, id web_view, id task) {
  guard_entry([&] {
    // A web view of another class (a window opened from the page may share our configuration)
    // has no task table to answer through.
    id task_request = objc::send<id()>(task, "request");
    if (!objc::is_kind_of(web_view, qv_web_view_class())) {
      answer_not_found(task, request_url(task_request).first);
      return;
    }
    Strong token = QvWebView::add_custom_task_key(web_view, task);
    std::string webview_id = owner_id(self);
    std::shared_ptr<CustomProtocolHandler> handler = find_handler(webview_id, owner_index(self));
    auto [url, uri] = request_url(task_request);
    std::optional<http::Request<Body>> request;
    if (handler != nullptr && *handler) {
      request = build_request(task_request, std::move(uri));
    }
    if (!request) {
      QvWebView::remove_custom_task_key(web_view, task);
      answer_not_found(task, url);
      return;
    }

    auto reply = std::make_shared<Reply>();
    reply->webview_id = webview_id;
    reply->web_view = Strong::retain(web_view);
    reply->task = Strong::retain(task);
    reply->token = std::move(token);
    reply->url = Strong::retain(url);
    (*handler)(webview_id, std::move(*request),
               [reply](http::Response<Body> response) { respond(*reply, std::move(response)); });
  });
}

// A reply that arrives later finds no token and is dropped.
void stop_task(id, SEL, id web_view, id task) {
  guard_entry([&] {
    if (objc::is_kind_of(web_view, qv_web_view_class())) {
      QvWebView::remove_custom_task_key(web_view, task);
    }
  });
}

}  // namespace

Class create(const std::string& scheme) {
  if (scheme.find('\0') != std::string::npos) return nullptr;
  const std::string name = scheme + "URLSchemeHandler";
  Class cls = objc::allocate_class(must_class("NSObject"), name.c_str());
  if (cls != nullptr) {
    objc::add_ivar<char*>(cls, "webview_id");
    objc::add_ivar<NSUInteger>(cls, "protocol_index");
    objc::add_method(cls, "dealloc", &dealloc);
    objc::add_method(cls, "webView:startURLSchemeTask:", &start_task);
    objc::add_method(cls, "webView:stopURLSchemeTask:", &stop_task);
    objc::register_class(cls);
    return cls;
  }
  cls = objc::get_class(name.c_str());
  if (cls == nullptr) VESSIMOR_PANIC("Failed to get the class definition");
  return cls;
}

void set_owner(id handler, const std::string& webview_id, NSUInteger protocol_index) {
  if (webview_id.find('\0') != std::string::npos) {
    VESSIMOR_PANIC("web view id contains a zero byte");
  }
  char** text = objc::ivar_ptr<char*>(handler, "webview_id");
  NSUInteger* index = objc::ivar_ptr<NSUInteger>(handler, "protocol_index");
  if (text == nullptr || index == nullptr) VESSIMOR_PANIC("URL scheme handler without its ivars");
  char* copy = new char[webview_id.size() + 1];
  std::memcpy(copy, webview_id.c_str(), webview_id.size() + 1);
  delete[] std::exchange(*text, copy);
  *index = protocol_index;
}

}  // namespace vessimor::webview::url_scheme_handler
