#pragma once

#include <string_view>

// The editor's web content, built into the library from editor/ui at build time.
namespace vessimor::embedded_ui {

// The editor page: one self-contained HTML document (styles, scripts, font and image inline) with
// exactly one "</head>", where the editor splices the bridge script in.
// Thread: any
std::string_view editor_page() noexcept;

// The bridge script: one function expression called at once; it never contains "</script".
// Thread: any
std::string_view bridge_script() noexcept;

}  // namespace vessimor::embedded_ui
