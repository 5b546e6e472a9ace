// The preset menu and the save dialog.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { customStatement, openSharedEditor } from './harness.mjs';

const { route, editor, page } = await openSharedEditor();

// Leaves out what the timers send.
const sent = async () => (await route.take()).filter((m) => !['poll_messages', 'request_transport'].includes(m.type));
const receive = (action, payload) => editor.evaluate(customStatement(action, payload));
const list = (presets) => receive('presets_list', JSON.stringify(presets));
const texts = (selector) => page.$$eval(selector, (nodes) => nodes.map((n) => n.textContent));
const menuOpen = () => page.locator('#preset-menu').isVisible();

test('the menu lists the groups with counts, marks the current preset, and loads with the flag', async () => {
  assert.deepEqual(await texts('.group-title'), ['USER ']);
  assert.deepEqual(await texts('.preset-empty'), ['No user presets yet']);

  await list([{ name: 'Init', is_factory: true }, { name: 'Robot Voice', is_factory: true },
              { name: 'Mine', is_factory: false }, { name: 'Yours', is_factory: false },
              { name: 'Theirs', is_factory: false }]);
  assert.deepEqual(await texts('.group-title'), ['FACTORY', 'USER (3)']);
  assert.deepEqual(await texts('.preset-group[data-group="factory"] .preset-label'), ['Init', 'Robot Voice']);
  assert.deepEqual(await texts('.preset-item.active .preset-label'), ['Init']);
  assert.equal(await page.locator('.preset-group[data-group="factory"] .preset-delete').count(), 0);
  assert.equal(await page.locator('.preset-group[data-group="user"] .preset-delete').count(), 3);

  await page.click('#preset-name');
  assert.equal(await menuOpen(), true);
  await page.click('.preset-group-header >> text="FACTORY"');  // collapsed, and kept so on redraw
  await list([{ name: 'Init', is_factory: true }]);
  assert.equal(await page.locator('.preset-item >> text="Init"').isVisible(), false);
  assert.deepEqual(await texts('.group-title'), ['FACTORY', 'USER ']);
  await page.click('.preset-group-header >> text="FACTORY"');
  await page.click('.preset-item >> text="Init"');
  assert.deepEqual(await sent(), [{ type: 'load_preset', name: 'Init', is_factory: true }]);
  assert.equal(await menuOpen(), false);

  await page.click('#preset-name');
  await page.click('#footer');
  assert.equal(await menuOpen(), false);
});

test('preset names and error texts from files are shown as text, never parsed as HTML', async () => {
  const hostile = '<img src=x onerror="window.__owned=1">Bold</b>';
  await list([{ name: hostile, is_factory: false }]);
  await receive('preset_loaded', hostile);
  await receive('preset_error', `IO error: ${hostile}`);
  await page.evaluate((name) => window._setCurrentPresetName(name), hostile);
  assert.equal(await page.textContent('#preset-name'), hostile);
  assert.deepEqual(await texts('.preset-label'), [hostile]);
  assert.equal(await page.locator('img').count(), 0);
  assert.equal(await page.evaluate(() => window.__owned), undefined);
});

test('deleting the current user preset shows Init and the list is asked for twice', async () => {
  await list([{ name: 'Mine', is_factory: false }, { name: 'Other', is_factory: false }]);
  await receive('preset_loaded', 'Mine');
  await page.click('#preset-name');
  await page.click('.preset-item:has-text("Mine") .preset-delete');
  assert.deepEqual(await sent(), [{ type: 'delete_preset', name: 'Mine' }]);
  assert.equal(await menuOpen(), true);  // the delete button does not load the preset
  await receive('preset_deleted', 'Mine');
  assert.equal(await page.textContent('#preset-name'), 'Init');
  assert.deepEqual(await sent(), [{ type: 'request_presets' }, { type: 'request_presets' }]);
  // Another preset's deletion keeps the name; only the bridge asks again.
  await receive('preset_saved', 'Other');
  await receive('preset_deleted', 'Gone');
  assert.equal(await page.textContent('#preset-name'), 'Other');
  assert.deepEqual(await sent(), [{ type: 'request_presets' }, { type: 'request_presets' }]);
  await page.click('#footer');
});

test('the save dialog: filled and selected, blank names flash and send nothing, Enter saves, Esc closes', async () => {
  const field = page.locator('#save-name');
  await receive('preset_loaded', 'Init');
  await page.click('#preset-name');
  await page.click('#save-as');
  assert.equal(await page.locator('#save-dialog').isVisible(), true);
  assert.equal(await field.inputValue(), '');
  assert.equal(await field.getAttribute('placeholder'), 'My Preset');

  await field.fill('   ');
  await page.click('#save-confirm');
  const outline = (e) => [e.style.outlineWidth, e.style.outlineStyle, e.style.outlineColor].join(' ');
  assert.equal(await field.evaluate(outline), '2px solid rgb(160, 64, 64)');
  assert.equal(await page.locator('#save-dialog').isVisible(), true);
  await page.clock.runFor(799);
  assert.notEqual(await field.evaluate((e) => e.style.outline), '');
  await page.clock.runFor(2);
  assert.equal(await field.evaluate((e) => e.style.outline), '');
  assert.deepEqual(await sent(), []);

  await field.fill('  Night Drive ');
  await field.press('Enter');
  assert.deepEqual(await sent(), [{ type: 'save_preset', name: 'Night Drive' }]);
  assert.equal(await page.locator('#save-dialog').isVisible(), false);

  await receive('preset_saved', 'Night Drive');
  await page.click('#preset-name');
  await page.click('#save-as');
  assert.equal(await field.inputValue(), 'Night Drive');
  assert.equal(await field.evaluate((e) => e.selectionEnd - e.selectionStart), 'Night Drive'.length);
  await field.press('Escape');
  assert.equal(await page.locator('#save-dialog').isVisible(), false);
  await page.click('#preset-name');
  await page.click('#save-as');
  await page.click('#save-cancel');
  assert.equal(await page.locator('#save-dialog').isVisible(), false);
  assert.deepEqual((await sent()).filter((m) => m.type === 'save_preset'), []);
  assert.deepEqual(editor.errors, []);
});
