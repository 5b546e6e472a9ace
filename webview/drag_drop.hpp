#pragma once

// What a file drag over a web view tells its drag-and-drop handler.

#include <filesystem>
#include <vector>

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview::drag_drop {

// The dragged files' paths: every text of the pasteboard's NSFilenamesPboardType list, in order;
// empty when the pasteboard has no such list. Thread: main
std::vector<std::filesystem::path> collect_paths(id dragging_info);

// Whether the drag carries at least one file path (see `collect_paths`). Thread: main
bool carries_files(id dragging_info);

// The drag location in `view`, counted from the view's top (x as AppKit gives it, y the frame
// height minus AppKit's y). Thread: main
DragDropPosition position(id view, id dragging_info);

}  // namespace vessimor::webview::drag_drop
