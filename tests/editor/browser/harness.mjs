// Opens the editor page in Debian's chromium the way the editor does: the bridge script spliced
// into the page's head, a window.ipc channel present before any page script runs, and the two
// statements the editor evaluates once the web view exists.
//
// The channel is pluggable: a route decides where window.ipc.postMessage goes and what comes
// back. FakeIpc records the page's messages for page-only tests; NativeEditor (native_editor.mjs)
// routes them to the real plug-in and evaluates the statements its editor answers with; with
// makesCreationCalls set, the native side makes the two creation calls itself.
import { existsSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, beforeEach } from 'node:test';

export const CHROMIUM = process.env.VESSIMOR_CHROMIUM || '/usr/bin/chromium';
const UI_DIR = process.env.VESSIMOR_EDITOR_UI_DIR;
const PAGE_URL = 'http://editor.invalid/';

export const READY_STATEMENT = 'if (window._ipcReady) window._ipcReady();';
export function presetNameStatement(name) {
  const quoted = name.replaceAll('\\', '\\\\').replaceAll("'", "\\'").replaceAll('\n', '\\n')
    .replaceAll('\r', '\\r').replaceAll('\u2028', '\\u2028').replaceAll('\u2029', '\\u2029');
  return `if (window._setCurrentPresetName) window._setCurrentPresetName('${quoted}');`;
}
export function updateParamStatement(id, value) {
  return `if (window._updateParam) window._updateParam('${id}', ${value});`;
}
export function customStatement(action, payload) {
  const quoted = payload.replaceAll('\\', '\\\\').replaceAll("'", "\\'")
    .replaceAll('\n', '\\n').replaceAll('\r', '\\r');
  return `if (window._handleCustomMessage) window._handleCustomMessage('${action}', '${quoted}');`;
}

// Exits with ctest's skip code when there is no browser to drive; anything else missing fails.
export async function loadChromium() {
  if (!existsSync(CHROMIUM)) {
    console.log(`no chromium at ${CHROMIUM}: browser tests skipped`);
    process.exit(77);
  }
  if (!UI_DIR) throw new Error('VESSIMOR_EDITOR_UI_DIR must name the built editor/ui folder');
  const require = createRequire(import.meta.url);
  let playwright;
  try {
    playwright = require('playwright-core');
  } catch (error) {
    throw new Error('playwright-core is not installed: run bash scripts/setup (npm ci)');
  }
  return playwright.chromium.launch({ executablePath: CHROMIUM, args: ['--no-sandbox'] });
}

// The page as the editor hands it to the web view: the bridge before every "</head>".
export function splicedPage() {
  const page = readFileSync(path.join(UI_DIR, 'editor.html'), 'utf8');
  const bridge = readFileSync(path.join(UI_DIR, 'bridge.js'), 'utf8');
  return page.replaceAll('</head>', `<script>${bridge}</script></head>`);
}

// Records every posted message in the page, in order, as parsed objects.
export class FakeIpc {
  constructor({ present = true } = {}) {
    this.present = present;
  }
  async attach(page) {
    this.page = page;
    await page.addInitScript((present) => {
      window.__posted = [];
      if (present) window.ipc = { postMessage: (text) => window.__posted.push(text) };
    }, this.present);
  }
  async install() {
    await this.page.evaluate(() => {
      window.ipc = { postMessage: (text) => window.__posted.push(text) };
    });
  }
  async messages() {
    return (await this.page.evaluate(() => window.__posted)).map((text) => JSON.parse(text));
  }
  async take() {
    const texts = await this.page.evaluate(() => window.__posted.splice(0));
    return texts.map((text) => JSON.parse(text));
  }
}

// readyOrder 'after': the editor's statements run once the bridge exists (the usual order);
// 'before': they run ahead of the bridge (at document start; a native route commits before the
// page arrives), so their guards make them no-ops.
// html: the document to show; by default the built page with the bridge spliced in as the
// editor does it (a native route may hand over the editor's own).
export async function openEditor(browser, { route = new FakeIpc(), readyOrder = 'after', presetName = 'Init',
                                            html = splicedPage() } = {}) {
  const context = await browser.newContext({ viewport: { width: 900, height: 600 } });
  const page = await context.newPage();
  page.setDefaultTimeout(5000);
  const errors = [];
  page.on('pageerror', (error) => errors.push(error));
  // The page arrives from an address of its own, as a navigation, so that init scripts run
  // first; any other request it makes is recorded and refused.
  const requests = [];
  await page.route('**/*', (request) => {
    if (request.request().url() === PAGE_URL) return request.fulfill({ contentType: 'text/html', body: html });
    requests.push(request.request().url());
    return request.abort();
  });
  await page.clock.install({ time: 0 });
  await page.clock.pauseAt(1000);
  await route.attach(page);
  const statements = [READY_STATEMENT, presetNameStatement(presetName)];
  if (readyOrder === 'before' && route.makesCreationCalls) {
    await route.commit();
  } else if (readyOrder === 'before') {
    await page.addInitScript((texts) => texts.forEach((text) => (0, eval)(text)), statements);
  }
  await page.goto(PAGE_URL);
  const editor = {
    page,
    route,
    errors,
    requests,
    evaluate: (statement) => page.evaluate((text) => { (0, eval)(text); }, statement),
    close: () => context.close(),
  };
  if (readyOrder === 'after' && route.present !== false && !route.makesCreationCalls) {
    for (const statement of statements) await editor.evaluate(statement);
  }
  return editor;
}

// One editor on a FakeIpc for all the tests of a file, which each start with no message recorded;
// the browser closes after the last test.
export async function openSharedEditor() {
  const browser = await loadChromium();
  const route = new FakeIpc();
  const editor = await openEditor(browser, { route });
  beforeEach(() => route.take());
  after(() => browser.close());
  return { route, editor, page: editor.page };
}
