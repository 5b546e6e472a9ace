"""The page's embedding step refuses an asset whose bytes are not of the type its name gives.

Usage: embed_editor_ui_test.py <path of cmake/embed_editor_ui.py>
"""
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

SCRIPT = Path(sys.argv.pop(1))


def embed(asset_name: str, data: bytes) -> subprocess.CompletedProcess:
    with tempfile.TemporaryDirectory() as folder:
        ui = Path(folder) / "ui"
        (ui / "assets").mkdir(parents=True)
        (ui / "page.html").write_text(f"<html><head></head><body>@asset:{asset_name}</body></html>")
        (ui / "bridge.js").write_text("(function () {\n})();\n")
        (ui / "assets" / asset_name).write_bytes(data)
        return subprocess.run([sys.executable, str(SCRIPT), str(ui), str(Path(folder) / "out")],
                              capture_output=True, text=True)


class AssetTypes(unittest.TestCase):
    def test_only_assets_of_their_type_are_embedded(self):
        webp = b"RIFF\x10\x00\x00\x00WEBPVP8 " + bytes(8)
        for name, data, refusal in [
            ("title.woff2", b"wOF2OTTO" + bytes(12), None),
            ("fold.webp", webp, None),
            ("title.woff2", b"OTTO\x00\x0c\x00\x80" + bytes(12), 'title.woff2 is not WOFF2 ("wOF2")'),
            ("fold.webp", b"RIFF\x10\x00\x00\x00WAVEfmt " + bytes(8),
             'fold.webp is not WebP ("RIFF....WEBP")'),
        ]:
            result = embed(name, data)
            if refusal is None:
                self.assertEqual(result.returncode, 0, result.stderr)
            else:
                self.assertNotEqual(result.returncode, 0, name)
                self.assertIn(f"embed_editor_ui: assets/{refusal}: it starts with", result.stderr)


if __name__ == "__main__":
    unittest.main()
