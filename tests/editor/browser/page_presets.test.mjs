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
// After a test that may fail with the dialog or the menu open, so that the next starts with both closed.
const closeAll = async () => { await page.keyboard.press('Escape'); await page.click('#footer'); };

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

test('with 28 factory presets SAVE AS... is in sight and clickable; the list scrolls to its last row', async (t) => {
  t.after(closeAll);
  const factory = Array.from({ length: 28 }, (_, i) => ({ name: `Factory ${i + 1}`, is_factory: true }));
  await list([...factory, ...['Mine', 'Yours', 'Last'].map((name) => ({ name, is_factory: false }))]);
  await page.click('#preset-name');
  const [menu, saveAs] = await Promise.all(['#preset-menu', '#save-as'].map((s) => page.locator(s).boundingBox()));
  const top = Math.max(menu.y, 0);
  const bottom = Math.min(menu.y + menu.height, 600);
  assert.ok(saveAs.y >= top && saveAs.y + saveAs.height <= bottom, `SAVE AS at ${saveAs.y}, menu shows ${top}..${bottom}`);
  await page.mouse.click(saveAs.x + saveAs.width / 2, saveAs.y + saveAs.height / 2);
  assert.equal(await page.locator('#save-dialog').isVisible(), true);
  await page.click('#save-cancel');

  await page.click('#preset-name');
  await page.locator('.preset-item >> text="Last"').click();
  assert.deepEqual(await sent(), [{ type: 'load_preset', name: 'Last', is_factory: false }]);
});

test('preset names and error texts from files are shown as text, never parsed as HTML', async () => {
  const hostile = '<img src=x onerror="window.__owned=1">Bold</b>';
  await list([{ name: hostile, is_factory: false }]);
  await receive('preset_loaded', hostile);
  await receive('preset_error', `IO error: ${hostile}`);
  await page.evaluate((name) => window._setCurrentPresetName(name), hostile);
  assert.equal(await page.textContent('#preset-name'), hostile);
  assert.deepEqual(await texts('.preset-label'), [hostile]);
  assert.equal(await page.textContent('#preset-error'), `IO error: ${hostile}`);
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

test('the save dialog keeps the keyboard: Tab and Shift+Tab go round it, and closing it returns focus to the name', async (t) => {
  t.after(closeAll);
  const focused = () => page.evaluate(() => document.activeElement.id);
  const open = async () => { await page.click('#preset-name'); await page.click('#save-as'); };
  await open();
  const seen = [];
  for (const key of [...Array(6).fill('Tab'), ...Array(6).fill('Shift+Tab')]) {
    await page.keyboard.press(key);
    seen.push(await focused());
  }
  const round = ['save-cancel', 'save-confirm', 'save-name'];
  const back = ['save-confirm', 'save-cancel', 'save-name'];
  assert.deepEqual(seen, [...round, ...round, ...back, ...back]);
  // A click on a control behind the overlay reaches no control: neither do Space and Enter
  // after it, and Shift+Tab comes back into the dialog.
  const toggle = await page.locator('.toggle[data-param="lock_motion_enable"]').boundingBox();
  await page.mouse.click(toggle.x + toggle.width / 2, toggle.y + toggle.height / 2);
  await page.keyboard.press('Space');
  await page.keyboard.press('Enter');
  await page.keyboard.press('Shift+Tab');
  assert.equal(await focused(), 'save-confirm');
  assert.deepEqual(await sent(), []);

  const closes = [() => page.click('#save-cancel'), () => page.keyboard.press('Escape'),
                  async () => { await page.fill('#save-name', 'Kept Focus'); await page.keyboard.press('Enter'); }];
  for (const close of closes) {
    if (!(await page.locator('#save-dialog').isVisible())) await open();
    await close();
    assert.equal(await page.locator('#save-dialog').isVisible(), false);
    assert.equal(await focused(), 'preset-name');
  }
  assert.deepEqual(await sent(), [{ type: 'save_preset', name: 'Kept Focus' }]);
  await receive('preset_saved', 'Kept Focus');
});

test('a preset error shows beside the name until the next preset action or for six seconds', async () => {
  const consoleErrors = [];
  const onConsole = (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); };
  page.on('console', onConsole);
  const error = page.locator('#preset-error');
  await list([{ name: 'Mine', is_factory: false }]);

  await receive('preset_error', 'IO error: No space left on device');
  assert.equal(await error.textContent(), 'IO error: No space left on device');
  const [shown, name, header] = await Promise.all(['#preset-error', '#preset-name', '#header']
    .map((selector) => page.locator(selector).boundingBox()));
  assert.ok(shown.x + shown.width <= name.x && shown.y + shown.height <= header.y + header.height,
            `error at ${JSON.stringify(shown)}`);
  await page.clock.runFor(5999);
  assert.equal(await error.isVisible(), true);
  await page.clock.runFor(1);
  assert.equal(await error.isVisible(), false);

  // Each preset action clears it: a save, a load, a delete.
  const actions = [
    async () => { await page.click('#preset-name'); await page.click('#save-as'); await page.fill('#save-name', 'A'); await page.click('#save-confirm'); },
    async () => { await page.click('#preset-name'); await page.click('.preset-item >> text="Mine"'); },
    async () => { await page.click('#preset-name'); await page.click('.preset-item:has-text("Mine") .preset-delete'); },
  ];
  for (const action of actions) {
    await receive('preset_error', "Preset 'Mine' not found");
    assert.equal(await error.isVisible(), true);
    await action();
    assert.equal(await error.isVisible(), false);
  }
  await page.click('#footer');
  page.off('console', onConsole);
  assert.equal(consoleErrors.filter((text) => text.includes('No space left on device')).length, 1);
});

test('a failed load, save or delete asks for the list again, once: the ghost row goes, the error stays; after a success an error asks nothing', async (t) => {
  t.after(closeAll);
  const error = page.locator('#preset-error');
  const openMenu = async () => { if (!(await menuOpen())) await page.click('#preset-name'); };
  const actions = [
    [async () => { await openMenu(); await page.click('.preset-item >> text="Gone"'); },
     { type: 'load_preset', name: 'Gone', is_factory: false }, "Preset 'Gone' not found", 'preset_loaded'],
    [async () => { await openMenu(); await page.click('#save-as'); await page.fill('#save-name', 'Gone'); await page.keyboard.press('Enter'); },
     { type: 'save_preset', name: 'Gone' }, 'IO error: Permission denied', 'preset_saved'],
    [async () => { await openMenu(); await page.click('.preset-item:has-text("Gone") .preset-delete'); },
     { type: 'delete_preset', name: 'Gone' }, "Preset 'Gone' not found or is a factory preset", 'preset_deleted'],
  ];
  for (const [act, command, message] of actions) {
    // An error settles whatever earlier actions left waiting: only this case's action counts.
    await receive('preset_error', 'IO error: earlier');
    await list([{ name: 'Gone', is_factory: false }, { name: 'Kept', is_factory: false }]);
    await sent();
    await act();
    assert.deepEqual(await sent(), [command]);
    await receive('preset_error', message);
    assert.deepEqual(await sent(), [{ type: 'request_presets' }], command.type);
    await list([{ name: 'Kept', is_factory: false }]);
    assert.deepEqual(await texts('.preset-label'), ['Kept']);
    assert.equal(await error.textContent(), message);
    // An error with no action of the page's before it (as if the list request failed) asks nothing.
    await receive('preset_error', message);
    assert.deepEqual(await sent(), [], command.type);
  }
  // Nor does one after an action the plug-in carried out.
  for (const [act, command, , answer] of actions) {
    await list([{ name: 'Gone', is_factory: false }]);
    await act();
    await receive(answer, 'Gone');
    await sent();
    await receive('preset_error', 'IO error: later');
    assert.deepEqual(await sent(), [], command.type);
  }
});

test('a long name keeps its row to one line with the delete button in view; rows and header carry it as a tooltip', async () => {
  const long = 'Z'.repeat(60);
  await list([{ name: 'Short', is_factory: false }, { name: long, is_factory: false }]);
  await receive('preset_loaded', long);
  await page.click('#preset-name');
  const [short, longRow] = await page.locator('.preset-group[data-group="user"] .preset-item').all();
  const menu = await page.locator('#preset-menu').boundingBox();
  const remove = await longRow.locator('.preset-delete').boundingBox();
  assert.equal((await longRow.boundingBox()).height, (await short.boundingBox()).height);
  assert.ok(remove.x >= menu.x && remove.x + remove.width <= menu.x + menu.width, `delete at ${remove.x}`);
  assert.equal(await longRow.locator('.preset-label').getAttribute('title'), long);
  assert.equal(await page.getAttribute('#preset-name', 'title'), long);
  assert.ok((await page.locator('#preset-name').boundingBox()).width <= 260);

  await longRow.locator('.preset-delete').click();
  assert.deepEqual(await sent(), [{ type: 'delete_preset', name: long }]);
  await page.click('#footer');
});

test('a user preset named like a factory preset: only the row of the group it came from is marked', async () => {
  const presets = [{ name: 'Pad', is_factory: true }, { name: 'Lead', is_factory: true },
                   { name: 'Pad', is_factory: false }, { name: 'Lead', is_factory: false }];
  const marked = () => page.$$eval('.preset-item.active', (items) => items.map(
    (item) => `${item.closest('.preset-group').dataset.group} ${item.querySelector('.preset-label').textContent}`));
  await list(presets);
  // A name the plug-in gives on its own carries no group: with both holding it, neither is marked.
  await page.evaluate(() => window._setCurrentPresetName('Lead'));
  assert.deepEqual(await marked(), []);

  for (const group of ['user', 'factory']) {
    await page.click('#preset-name');
    await page.click(`.preset-group[data-group="${group}"] .preset-item >> text="Pad"`);
    assert.deepEqual(await sent(), [{ type: 'load_preset', name: 'Pad', is_factory: group === 'factory' }]);
    await receive('preset_loaded', 'Pad');
    assert.deepEqual(await marked(), [`${group} Pad`]);
  }
  // Deleting the user preset of that name leaves the factory one current.
  await receive('preset_deleted', 'Pad');
  assert.equal(await page.textContent('#preset-name'), 'Pad');
  assert.deepEqual(await marked(), ['factory Pad']);
  await receive('preset_saved', 'Lead');  // a save always makes a user preset
  await list(presets);
  assert.deepEqual(await marked(), ['user Lead']);
});
