// The definition of window.ipc that the web view host adds to every page at document start
// (webview/inner_web_view.hpp), run in a real browser with a stand-in for WebKit's message
// handler: the page can neither replace the channel nor its postMessage.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { after, test } from 'node:test';

import { loadChromium } from './harness.mjs';

// The C++ string literal pieces after bridge_definition_script, joined and unescaped.
function definitionScript() {
  const header = readFileSync(new URL('../../../webview/inner_web_view.hpp', import.meta.url), 'utf8');
  const declaration = header.slice(header.indexOf('bridge_definition_script ='));
  const literals = declaration.slice(0, declaration.indexOf(';\n')).match(/"(?:[^"\\]|\\.)*"/g);
  return literals.map((literal) => JSON.parse(literal)).join('');
}

const browser = await loadChromium();
after(() => browser.close());

test('the page posts through window.ipc and cannot replace it', async () => {
  const script = definitionScript();
  assert.equal(script.length, 145);
  const page = await browser.newPage();
  await page.addInitScript(() => {
    window.__posted = [];
    window.webkit = { messageHandlers: { ipc: { postMessage: (body) => window.__posted.push(body) } } };
  });
  await page.addInitScript(script);
  const url = 'http://page.invalid/';
  await page.route('**/*', (request) => request.fulfill({ contentType: 'text/html', body: `<script>
    window.ipc = { postMessage: () => {} };
    try { window.ipc.postMessage = () => {}; } catch (e) {}
    try { delete window.ipc; } catch (e) {}
    window.ipc.postMessage('{"type":"request_presets"}');
    window.ipc.postMessage(7);
  </script>` }));
  await page.goto(url);  // a navigation, so that the init scripts run first
  assert.deepEqual(await page.evaluate(() => window.__posted), ['{"type":"request_presets"}', 7]);
  assert.equal(await page.evaluate(() => Object.isFrozen(window.ipc)), true);
  await page.close();
});
