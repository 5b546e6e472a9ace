// The page against the real plug-in: Vessimor in the CLAP wrapper, its editor and message handler
// over the stand-in web view (native_editor.cpp), the page in chromium.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { loadChromium, openEditor } from './harness.mjs';
import { NativeEditor } from './native_editor.mjs';

const browser = await loadChromium();
let route;
let editor;
let page;
before(async () => {
  route = await NativeEditor.start();
  editor = await openEditor(browser, { route, html: route.html });
  page = editor.page;
  await route.automate('mix', 0.8);  // before the page has loaded
  await route.commit();
  await page.clock.runFor(1);
  await route.settle();
});
after(async () => {
  await editor.close();
  assert.equal(await route.stop(), 0);
  await browser.close();
});

const shown = (id) => page.textContent(`.dial[data-param="${id}"] .value`);

test('the loaded page shows the plug-in\'s values, and host changes reach it at the next poll', async () => {
  assert.equal(await shown('mix'), '80%');
  assert.equal(await page.textContent('#preset-name'), 'Init');
  await route.automate('mix', 0.25);
  await page.clock.runFor(50);
  await route.settle();
  assert.equal(await shown('mix'), '25%');
  assert.deepEqual(editor.errors, []);
});

test('a dial drag reaches the host as a gesture and moves the real parameter', async () => {
  await route.automate('mix', 0.25);
  await page.clock.runFor(50);
  await route.settle();
  await route.flush();
  const box = await page.locator('.dial[data-param="mix"] .knob').boundingBox();
  const x = box.x + box.width / 2;
  const y = box.y + box.height / 2;
  await page.mouse.move(x, y);
  await page.mouse.down();
  await page.mouse.move(x, y - 30);
  await page.mouse.up();
  await route.settle();
  const events = await route.flush();
  assert.deepEqual(events.map((e) => [e.type, e.id]), [['begin', 'mix'], ['value', 'mix'], ['end', 'mix']]);
  assert.ok(Math.abs(events[1].value - 0.45) < 1e-6, `sent ${events[1].value}`);
  assert.equal(await route.value('mix'), events[1].value);
  assert.equal(await shown('mix'), '45%');
});

test('the current preset shows after either order of the ready call and the bridge', async () => {
  for (const readyOrder of ['after', 'before']) {
    const native = await NativeEditor.start({ presetName: "Robot Voice's" });
    try {
      const late = await openEditor(browser, { route: native, html: native.html, readyOrder });
      if (readyOrder === 'after') await native.commit();
      await late.page.clock.runFor(1);  // a bridge that missed the ready call readies itself now
      await native.settle();
      assert.equal(await late.page.textContent('#preset-name'), "Robot Voice's", readyOrder);
      assert.deepEqual(late.errors, []);
      await late.close();
    } finally {
      assert.equal(await native.stop(), 0);
    }
  }
});
