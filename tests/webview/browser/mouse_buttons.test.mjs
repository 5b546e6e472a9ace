// Mouse buttons 3 and 4 as the web view replays them: the events reach the element under the
// pointer, and a release moves history back (3) or forward (4) unless a listener prevented it.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { createRequire } from 'node:module';
import { after, test } from 'node:test';

const CHROMIUM = process.env.VESSIMOR_CHROMIUM || '/usr/bin/chromium';
if (!existsSync(CHROMIUM)) {
  console.log(`no chromium at ${CHROMIUM}: browser tests skipped`);
  process.exit(77);
}
const TOOL = process.env.VESSIMOR_MOUSE_SCRIPT;
if (!TOOL) throw new Error('VESSIMOR_MOUSE_SCRIPT must name the built mouse_script tool');
// playwright-core is installed once, with the editor's page tests.
const require = createRequire(new URL('../../editor/browser/package.json', import.meta.url));
const { chromium } = require('playwright-core');
const browser = await chromium.launch({ executablePath: CHROMIUM, args: ['--no-sandbox'] });
after(() => browser.close());

const PAGE = `<!doctype html><body style="margin:0">
<div id="left" style="position:absolute;left:0;top:0;width:200px;height:300px"></div>
<div id="right" style="position:absolute;left:200px;top:0;width:200px;height:300px"></div>
<script>
  window.seen = [];
  for (const type of ['mousedown', 'mouseup']) {
    document.addEventListener(type, (e) => {
      seen.push([e.type, e.button, e.target.id, e.clientX, e.clientY, e.detail, e.ctrlKey, e.altKey]);
      if (window.prevent) e.preventDefault();
    });
  }
</script>`;

const script = (event, button, x, y) =>
  execFileSync(TOOL, [event, String(button), String(x), String(y)], { encoding: 'utf8' });

async function press(page, button, x, y) {
  await page.evaluate(script('mousedown', button, x, y));
  await page.evaluate(script('mouseup', button, x, y));
}

async function settlesAt(page, hash) {
  await page.waitForFunction((h) => location.hash === h, hash, { timeout: 5000 });
  await page.waitForTimeout(100); // a second, wrong move would land here
  assert.equal(await page.evaluate(() => location.hash), hash);
}

test('extra buttons reach the element under the pointer and move history on release', async () => {
  const page = await browser.newPage({ viewport: { width: 400, height: 300 } });
  await page.route('**/*', (route) => route.fulfill({ contentType: 'text/html', body: PAGE }));
  await page.goto('http://page.invalid/');
  await page.evaluate(() => {
    history.pushState({}, '', '#one');
    history.pushState({}, '', '#two');
  });

  await press(page, 3, 250, 40);
  await settlesAt(page, '#one');
  assert.deepEqual(await page.evaluate(() => seen.splice(0)), [
    ['mousedown', 3, 'right', 250, 40, 2, true, false],
    ['mouseup', 3, 'right', 250, 40, 2, true, false],
  ]);

  await page.evaluate(() => { window.prevent = true; });
  await press(page, 4, 20, 10);
  await page.evaluate(() => { window.prevent = false; });
  await press(page, 3, 20, 10);
  await settlesAt(page, ''); // the prevented forward never happened
  assert.deepEqual((await page.evaluate(() => seen.splice(0))).map((e) => e.slice(0, 3)), [
    ['mousedown', 4, 'left'],
    ['mouseup', 4, 'left'],
    ['mousedown', 3, 'left'],
    ['mouseup', 3, 'left'],
  ]);

  await press(page, 4, 20, 10);
  await settlesAt(page, '#one');
  await page.close();
});
