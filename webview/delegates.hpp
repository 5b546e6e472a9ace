#pragma once

// The delegate objects every web view gets at creation: the page-message handler
// (QvWebViewDelegate) and the navigation, UI, window and download delegates. Each class is
// declared once per process, on first use, with its callback methods; its instances own their
// data. Every callback runs on the main thread.

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/objc/block.hpp"
#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

// Scripts evaluated before the first navigation commits; present (and empty) from creation,
// absent from the first commit on. Shared by the web view and its navigation delegate.
struct PendingScripts {
  std::mutex mutex;
  std::optional<std::vector<std::string>> scripts = std::vector<std::string>{};
};

struct IpcDelegateData {
  Strong controller;
  IpcHandler handler;
};

struct DownloadDelegateData {
  DownloadStartedHandler started;
  bool started_running = false;  // the started handler may not be entered again while it runs
  DownloadCompletedHandler completed;
};

struct NavigationDelegateData {
  id web_view = nullptr;  // not retained: the web view outlives its delegate
  std::shared_ptr<PendingScripts> pending_scripts;
  bool has_download_handler = false;
  NavigationHandler navigation_handler;
  Strong download_delegate;
  PageLoadHandler page_load_handler;
  std::function<void()> content_process_terminated_handler;
};

// A window opened for a page's new-window request, kept until it closes.
struct OpenedWindow {
  Strong window;
  Strong web_view;
  Strong window_delegate;
};
using OpenedWindows = std::vector<OpenedWindow>;

struct UiDelegateData {
  NewWindowHandler new_window_handler;
  std::shared_ptr<OpenedWindows> opened_windows = std::make_shared<OpenedWindows>();

  void on_release(id self);
};

struct WindowDelegateData {
  std::function<void(id window)> will_close;  // takes the closing window out of the list
};

// QvWebViewDelegate::new: registers itself as the controller's script message handler "ipc"
// (inside an Objective-C catch; an exception there is dropped). Thread: main
Strong make_ipc_delegate(id controller, IpcHandler handler);
// QvDownloadDelegate::new. Thread: main
Strong make_download_delegate(DownloadStartedHandler started, DownloadCompletedHandler completed);
// QvNavigationDelegate::new. Thread: main
Strong make_navigation_delegate(NavigationDelegateData data);
// QvWebViewUIDelegate::new. Thread: main
Strong make_ui_delegate(NewWindowHandler new_window_handler);

namespace download {
// Where a download suggested as `suggested_name` goes in `folder`: only the name's last path
// component counts (the server chooses it: "../../x" or "/etc/x" must not leave the folder), an
// empty name, "." or ".." becomes "download", and while something exists at the path the name
// becomes "stem (n).ext" for n = 1, 2, ... (the extension starts at the first dot).
std::filesystem::path destination_path(const std::filesystem::path& folder,
                                       std::string_view suggested_name);
}  // namespace download

namespace detail {

// Makes an instance of a data class: stores the data, then sends NSObject's init.
template <class Data>
Strong make_with(Class cls, std::unique_ptr<Data> data) {
  id object = DataClass<Data>::alloc_with(cls, std::move(data));
  return Strong::adopt(objc::send<id()>(object, "init"));
}

// A decision or completion block that WebKit handed in, answered exactly once: with the value
// given, or with `refusal` when the callback ends without an answer (an early return or a
// failure), since WebKit raises when such a block goes unanswered.
template <class Value>
class BlockAnswer {
 public:
  BlockAnswer(objc::BlockRef block, Value refusal) noexcept : block_(block), refusal_(refusal) {}
  BlockAnswer(const BlockAnswer&) = delete;
  BlockAnswer& operator=(const BlockAnswer&) = delete;
  ~BlockAnswer() { answer(refusal_); }

  void answer(Value value) {
    if (objc::BlockRef block = std::exchange(block_, nullptr)) {
      objc::invoke_block<void(Value)>(block, value);
    }
  }

 private:
  objc::BlockRef block_;
  Value refusal_;
};

}  // namespace detail

}  // namespace vessimor::webview
