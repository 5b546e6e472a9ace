// The page against the real plug-in: Vessimor in the CLAP wrapper, its editor and message handler
// over the stand-in web view (native_editor.cpp), the page in chromium.
import assert from 'node:assert/strict';
import { existsSync } from 'node:fs';
import path from 'node:path';
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

const shown = (id, on = page) => on.textContent(`.dial[data-param="${id}"] .value`);

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

test('the preset menu over the real preset worker: lists, save, load into the host, refusal, delete', async () => {
  const native = await NativeEditor.start();
  try {
    const opened = await openEditor(browser, { route: native, html: native.html });
    const menu = opened.page;
    await native.commit();
    const labels = (group) => menu.$$eval(`.preset-group[data-group="${group}"] .preset-label`,
                                          (nodes) => nodes.map((n) => n.textContent));
    const header = () => menu.textContent('#preset-name');
    const userFile = path.join(native.home, '.local/share/Quorvane/Vessimor/Presets/Bright Mix.vessimor');
    const saveAs = async (name) => {
      await menu.click('#preset-name');
      await menu.click('#save-as');
      await menu.fill('#save-name', name);
      await menu.press('#save-name', 'Enter');
    };
    const pick = async (group, name) => {
      await menu.click('#preset-name');
      await menu.click(`.preset-group[data-group="${group}"] .preset-item:has(.preset-label:text-is("${name}"))`);
    };

    await native.until(async () => (await labels('factory')).length > 0, 'the factory list');
    const factory = await labels('factory');
    assert.equal(factory.length, 28);
    assert.ok(factory.includes('Metallic Shimmer'));
    assert.equal(await menu.textContent('.preset-group[data-group="user"] .preset-empty'), 'No user presets yet');

    await native.automate('mix', 0.25);
    await saveAs('Bright Mix');
    await native.until(async () => (await labels('user')).length === 1, 'the saved preset listed');
    assert.deepEqual(await labels('user'), ['Bright Mix']);
    assert.equal(await header(), 'Bright Mix');
    assert.ok(existsSync(userFile), 'saved in the home folder given');

    // A load answers with the values, which the page sends on as edits for the host.
    for (const [group, name, mix, shownMix, mode, shownMode] of [
      ['factory', 'Metallic Shimmer', 0.55, '55%', 2, 'SWARM'],
      ['user', 'Bright Mix', 0.25, '25%', 0, 'FORMANT'],
    ]) {
      await pick(group, name);
      await native.until(async () => (await header()) === name, `${name} loaded`);
      await native.settle();
      assert.equal(await shown('mix', menu), shownMix, name);
      assert.equal(await menu.textContent('.mode.active'), shownMode, name);
      const { events, requested } = await native.flushReply();
      assert.ok(requested && events.some((e) => e.id === 'mix'), name);
      assert.ok(Math.abs((await native.value('mix')) - mix) < 1e-6, name);
      assert.equal(await native.value('carrier_mode'), mode, name);
    }

    // A name too long for a file: the refusal shows beside the name, which stays as it was.
    await saveAs('x'.repeat(300));
    await native.until(() => menu.locator('#preset-error').isVisible(), 'the save refused');
    assert.equal(await menu.textContent('#preset-error'), 'IO error: File name too long');
    assert.equal(await header(), 'Bright Mix');
    assert.deepEqual(await labels('user'), ['Bright Mix']);

    await menu.click('#preset-name');
    await menu.click('.preset-group[data-group="user"] .preset-delete');
    await native.until(async () => (await labels('user')).length === 0, 'the preset deleted');
    assert.equal(existsSync(userFile), false);
    assert.equal(await header(), 'Init');
    assert.equal(await menu.locator('#preset-error').isVisible(), false);
    assert.deepEqual(opened.errors, []);
    await opened.close();
  } finally {
    assert.equal(await native.stop(), 0);
  }
});
