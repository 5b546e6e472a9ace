// QvDownloadDelegate: picks where a download goes (a name of its own in the user's download
// folder, then the started handler's word) and reports the end of a download.

#include <system_error>

#include "framework/log.hpp"
#include "platform/user_dirs.hpp"
#include "webview/delegates.hpp"

namespace vessimor::webview {

namespace {

constexpr std::string_view vessimor_log_module_path = "vessimor::webview";

using Data = DataClass<DownloadDelegateData>;
namespace fs = std::filesystem;

// The user's download folder; without a home folder the working directory, else no folder.
fs::path download_folder() {
  if (std::optional<fs::path> home = platform::home_dir()) return *home / "Downloads";
  std::error_code error;
  fs::path current = fs::current_path(error);
  return error ? fs::path() : current;
}

// Anything at the path, a dangling link included, takes the name.
bool taken(const fs::path& path) {
  std::error_code error;
  const fs::file_type type = fs::symlink_status(path, error).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

std::optional<std::string> download_url(id download) {
  return string_text(objc::send<id()>(
      objc::send<id()>(objc::send<id()>(download, "originalRequest"), "URL"), "absoluteString"));
}

// Lets the started handler run once at a time.
class StartedHandlerTurn {
 public:
  explicit StartedHandlerTurn(bool& running) : running_(running) { running_ = true; }
  ~StartedHandlerTurn() { running_ = false; }
  StartedHandlerTurn(const StartedHandlerTurn&) = delete;
  StartedHandlerTurn& operator=(const StartedHandlerTurn&) = delete;

 private:
  bool& running_;
};

void decide_destination(id self, SEL, id download, id, id suggested_name,
                        objc::BlockRef completion) {
  guard_entry([&] {
    detail::BlockAnswer<id> destination(completion, nullptr);  // nil cancels the download
    Strong keep = Strong::retain(self);
    DownloadDelegateData& data = Data::data(self);
    std::optional<std::string> url = download_url(download);
    if (!url) {
      VESSIMOR_LOG_WARN("download without a URL: cancelled");
      return;
    }
    fs::path path = download::destination_path(download_folder(),
                                               string_text(suggested_name).value_or(std::string()));
    if (!data.started) return;
    if (data.started_running) {
      // Only a nested run loop inside the handler gets here.
      VESSIMOR_LOG_WARN("download of {} while another one is being started: cancelled", *url);
      return;
    }
    bool accepted = false;
    {
      StartedHandlerTurn turn(data.started_running);
      accepted = data.started(std::move(*url), path);
    }
    if (!accepted) return;
    destination.answer(objc::send<id(id, bool)>(must_class("NSURL"), "fileURLWithPath:isDirectory:",
                                                ns_string(path.string()).get(), false));
  });
}

void report_end(id self, id download, bool success) {
  guard_entry([&] {
    Strong keep = Strong::retain(self);
    const DownloadDelegateData& data = Data::data(self);
    if (data.completed)
      data.completed(download_url(download).value_or(std::string()), std::nullopt, success);
  });
}

void did_finish(id self, SEL, id download) {
  report_end(self, download, true);
}

void did_fail(id self, SEL, id download, id, id) {
  report_end(self, download, false);
}

void add_methods(Class cls) {
  objc::add_method(cls,
                   "download:decideDestinationUsingResponse:suggestedFilename:completionHandler:",
                   &decide_destination);
  objc::add_method(cls, "downloadDidFinish:", &did_finish);
  objc::add_method(cls, "download:didFailWithError:resumeData:", &did_fail);
}

Class download_delegate_class() {
  static const Class cls = Data::declare("QvDownloadDelegate", must_class("NSObject"),
                                         {"NSObject", "WKDownloadDelegate"}, &add_methods);
  return cls;
}

}  // namespace

namespace download {

fs::path destination_path(const fs::path& folder, std::string_view suggested_name) {
  std::string name(suggested_name.substr(suggested_name.find_last_of('/') + 1));
  if (name.empty() || name == "." || name == "..") name = "download";
  const std::size_t dot = name.find('.');
  const std::string stem = name.substr(0, dot);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  fs::path path = folder / name;
  for (unsigned long n = 1; taken(path); ++n) {
    path = folder / (stem + " (" + std::to_string(n) + ")" + extension);
  }
  return path;
}

}  // namespace download

Strong make_download_delegate(DownloadStartedHandler started, DownloadCompletedHandler completed) {
  auto data = std::make_unique<DownloadDelegateData>();
  data->started = std::move(started);
  data->completed = std::move(completed);
  return detail::make_with(download_delegate_class(), std::move(data));
}

}  // namespace vessimor::webview
