#include "webview/title_observer.hpp"

namespace vessimor::webview {

namespace {

constexpr NSUInteger observe_new_value = 1;

struct TitleObserverData {
  id web_view = nullptr;  // not retained: the web view holds the observer's owner
  DocumentTitleChangedHandler handler;

  void on_release(id self) {
    objc::send<void(id, id)>(web_view, "removeObserver:forKeyPath:", self,
                             ns_string("title").get());
  }
};

void observe_value(id self, SEL, id key_path, id object, id, void*) {
  guard_entry([&] {
    if (key_path == nullptr || object == nullptr) return;
    if (!objc::send<bool(id)>(key_path, "isEqualToString:", ns_string("title").get())) return;
    std::optional<std::string> title = string_text(objc::send<id()>(object, "title"));
    DataClass<TitleObserverData>::data(self).handler(title.value_or(std::string()));
  });
}

void add_methods(Class cls) {
  objc::add_method(cls, "observeValueForKeyPath:ofObject:change:context:", &observe_value);
}

Class title_observer_class() {
  static const Class cls = DataClass<TitleObserverData>::declare(
      "DocumentTitleChangedObserver", must_class("NSObject"), {"NSObject"}, &add_methods);
  return cls;
}

}  // namespace

Strong make_title_observer(id web_view, DocumentTitleChangedHandler handler) {
  auto data = std::make_unique<TitleObserverData>();
  data->web_view = web_view;
  data->handler = std::move(handler);
  Strong observer = Strong::adopt(objc::send<id()>(
      DataClass<TitleObserverData>::alloc_with(title_observer_class(), std::move(data)), "init"));
  objc::send<void(id, id, NSUInteger, void*)>(
      web_view, "addObserver:forKeyPath:options:context:", observer.get(), ns_string("title").get(),
      observe_new_value, nullptr);
  return observer;
}

}  // namespace vessimor::webview
