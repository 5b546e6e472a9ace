// The plug-in object's editor: the embedded page in a web view. Linked by the tests and by the
// macOS modules.
#include <memory>
#include <string>

#include "editor/embedded_ui.hpp"
#include "editor/webview_editor.hpp"
#include "plugin/vessimor.hpp"

namespace vessimor {

std::unique_ptr<Editor> Vessimor::editor(AsyncExecutor /*executor*/) {
  return create_webview_editor(webview_state_, params_, std::string(embedded_ui::editor_page()),
                               page_requests_);
}

}  // namespace vessimor
