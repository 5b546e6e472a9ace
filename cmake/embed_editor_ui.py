"""Builds the editor page and the bridge script into the library.

Usage: embed_editor_ui.py <editor/ui folder> <output folder>

Writes to the output folder:
  editor.html      the page: page.html with each "<!-- inline: NAME -->" line replaced by that
                   stylesheet or script, and each "@asset:NAME" by the file under assets/ as a
                   base64 data URL, so that the page loads nothing from anywhere (an asset whose
                   bytes are not of its type is refused);
  bridge.js        the bridge script, unchanged;
  embedded_ui.cpp  both texts, byte for byte, as C++ string literals.
Fails (so the build fails) when a rule the editor relies on is broken.
"""
import base64
import re
import sys
from pathlib import Path

MAX_PAGE_BYTES = 250 * 1024


def is_woff2(data: bytes) -> bool:
    return data[:4] == b"wOF2"


def is_webp(data: bytes) -> bool:
    return data[:4] == b"RIFF" and data[8:12] == b"WEBP"


# Each asset type: its data URL type, and the test its bytes must pass. A browser handed other
# bytes under the type may refuse them or guess, so a mislabelled file never reaches the page.
ASSET_TYPES = {
    ".woff2": ("font/woff2", 'WOFF2 ("wOF2")', is_woff2),
    ".webp": ("image/webp", 'WebP ("RIFF....WEBP")', is_webp),
}


def fail(message: str) -> None:
    sys.exit(f"embed_editor_ui: {message}")


def inline(ui: Path, match: re.Match) -> str:
    name = match.group(1)
    text = (ui / name).read_text(encoding="utf-8")
    tag = {".css": "style", ".js": "script"}.get(Path(name).suffix)
    if tag is None:
        fail(f"cannot inline {name}")
    if re.search(r"</(script|style)", text, re.IGNORECASE):
        fail(f"{name} would end its own element early")
    return f"<{tag}>\n{text}</{tag}>"


def data_url(ui: Path, match: re.Match) -> str:
    path = ui / "assets" / match.group(1)
    if path.suffix not in ASSET_TYPES:
        fail(f"no type known for {path.name}")
    mime, expected, matches = ASSET_TYPES[path.suffix]
    data = path.read_bytes()
    if not matches(data):
        fail(f"assets/{path.name} is not {expected}: it starts with {data[:12]!r}")
    return f"data:{mime};base64," + base64.b64encode(data).decode("ascii")


def cpp_literal(data: bytes) -> str:
    """Lines of adjacent string literals; every byte outside plain ASCII as a 3-digit octal escape."""
    lines = []
    line = []
    for byte in data:
        if byte == 0x0A:
            line.append("\\n")
            lines.append('"' + "".join(line) + '"')
            line = []
            continue
        ch = chr(byte)
        if ch in '"\\':
            line.append("\\" + ch)
        elif ch == "?":
            line.append("\\?")  # no trigraphs, whatever the compiler's mode
        elif 0x20 <= byte < 0x7F:
            line.append(ch)
        else:
            line.append(f"\\{byte:03o}")
        if len(line) >= 160:
            lines.append('"' + "".join(line) + '"')
            line = []
    if line or not lines:
        lines.append('"' + "".join(line) + '"')
    return "\n    ".join(lines)


def main() -> None:
    ui, out = Path(sys.argv[1]), Path(sys.argv[2])
    page = (ui / "page.html").read_text(encoding="utf-8")
    page = re.sub(r"<!-- inline: ([\w.-]+) -->", lambda m: inline(ui, m), page)
    page = re.sub(r"@asset:([\w.-]+)", lambda m: data_url(ui, m), page)
    bridge = (ui / "bridge.js").read_text(encoding="utf-8")

    if "</script" in bridge.lower():
        fail("the bridge script contains </script")
    if not bridge.startswith("(function () {") or not bridge.rstrip().endswith("})();"):
        fail("the bridge script must be one function expression called at once")
    if page.count("</head>") != 1:
        fail("the page must hold exactly one </head>")
    page_bytes = page.encode("utf-8")
    if len(page_bytes) >= MAX_PAGE_BYTES:
        fail(f"the page is {len(page_bytes)} bytes, the limit is {MAX_PAGE_BYTES}")

    out.mkdir(parents=True, exist_ok=True)
    (out / "editor.html").write_bytes(page_bytes)
    (out / "bridge.js").write_bytes(bridge.encode("utf-8"))
    cpp = (
        "// Generated from editor/ui by cmake/embed_editor_ui.py. Do not edit.\n"
        '#include "editor/embedded_ui.hpp"\n\n'
        "namespace vessimor::embedded_ui {\nnamespace {\n\n"
        f"constexpr char kPage[] =\n    {cpp_literal(page_bytes)};\n\n"
        f"constexpr char kBridge[] =\n    {cpp_literal(bridge.encode('utf-8'))};\n\n"
        "}  // namespace\n\n"
        "std::string_view editor_page() noexcept { return {kPage, sizeof kPage - 1}; }\n"
        "std::string_view bridge_script() noexcept { return {kBridge, sizeof kBridge - 1}; }\n\n"
        "}  // namespace vessimor::embedded_ui\n"
    )
    target = out / "embedded_ui.cpp"
    # Rewrite only on change, so an unchanged page does not rebuild the library.
    if not target.exists() or target.read_text(encoding="utf-8") != cpp:
        target.write_text(cpp, encoding="utf-8")


if __name__ == "__main__":
    main()
