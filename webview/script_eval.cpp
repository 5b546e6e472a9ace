// Script evaluation with the page-load queue, and the web view's URL as text.

#include <cstring>
#include <utility>

#include "framework/util/utf8.hpp"
#include "webview/inner_web_view.hpp"

namespace vessimor::webview {

namespace {

constexpr NSUInteger json_fragments_allowed = 4;
constexpr NSUInteger utf8_encoding = 4;

// A script's result as JSON text; "" for nil (undefined) and for a value that JSON cannot
// express (NSJSONSerialization raises for those).
std::string result_text(id result) {
  if (result == nullptr) return {};
  id data = nullptr;
  objc::catch_exception([&] {
    data = objc::send<id(id, NSUInteger, id*)>(must_class("NSJSONSerialization"),
                                               "dataWithJSONObject:options:error:", result,
                                               json_fragments_allowed, nullptr);
  });
  if (data == nullptr) return {};
  Strong text = Strong::adopt(
      objc::send<id(id, NSUInteger)>(objc::send<id()>(must_class("NSString"), "alloc"),
                                     "initWithData:encoding:", data, utf8_encoding));
  return string_text(text.get()).value_or(std::string());
}

}  // namespace

Result<Done> InnerWebView::eval(std::string_view script,
                                std::function<void(std::string)> callback) {
  std::lock_guard lock(pending_scripts_->mutex);
  if (pending_scripts_->scripts) {
    // Queued until the first commit; a queued script never reports a result.
    pending_scripts_->scripts->emplace_back(script);
    return Done{};
  }
  Strong source = ns_string(script);
  if (!callback) {
    objc::send<void(id, objc::BlockRef)>(
        web_view_.get(), "evaluateJavaScript:completionHandler:", source.get(), nullptr);
    return Done{};
  }
  objc::Block<void(id, id)> completion([callback = std::move(callback)](id result, id) {
    guard_entry([&] { callback(result_text(result)); });
  });
  objc::send<void(id, objc::BlockRef)>(
      web_view_.get(), "evaluateJavaScript:completionHandler:", source.get(), completion.get());
  return Done{};
}

Result<std::string> url_from_webview(id web_view) {
  id text = objc::send<id()>(objc::send<id()>(web_view, "URL"), "absoluteString");
  if (text == nullptr) return std::string();
  const char* bytes = objc::send<const char*()>(text, "UTF8String");
  if (bytes == nullptr) return WebViewError::with(WebViewErrorKind::Utf8Error, "no UTF-8 text");
  const std::string_view url(bytes, objc::send<NSUInteger(NSUInteger)>(
                                        text, "lengthOfBytesUsingEncoding:", utf8_encoding));
  const std::size_t valid = util::valid_utf8_prefix(url);
  if (valid != url.size()) {
    return WebViewError::with(WebViewErrorKind::Utf8Error,
                              "invalid utf-8 sequence from index " + std::to_string(valid));
  }
  return std::string(url);
}

}  // namespace vessimor::webview
