// The bridge script: messages held until the plug-in is ready, the poll, and the calls the
// plug-in makes into the page.
import assert from 'node:assert/strict';
import { after, test } from 'node:test';

import { customStatement, FakeIpc, loadChromium, openEditor, READY_STATEMENT } from './harness.mjs';

const browser = await loadChromium();
after(() => browser.close());

const types = (messages) => messages.map((m) => m.type);
const withoutPolls = (messages) => messages.filter((m) => m.type !== 'poll_messages');

test('messages wait for the ready call and then go out in the order they were made', async () => {
  const route = new FakeIpc({ present: false });
  const editor = await openEditor(browser, { route });
  await editor.page.evaluate(() => {
    window.setParam('mix', 0.25);
    window.beginEdit('mix');
    window.setParam('mix', 1);
  });
  await editor.page.clock.runFor(2000);  // no channel yet: nothing may leave, not even a poll
  await route.install();
  assert.deepEqual(await route.messages(), []);

  await editor.evaluate(READY_STATEMENT);
  assert.deepEqual(await route.take(), [
    { type: 'request_params' },
    { type: 'request_presets' },
    { type: 'set_param', name: 'mix', value: 0.25 },
    { type: 'begin_edit', name: 'mix' },
    { type: 'set_param', name: 'mix', value: 1 },
    ...Array(4).fill({ type: 'request_transport' }),  // the 500 ms tempo timer
  ]);

  // Ready now: messages go at once, and the poll runs every 50 ms; a second ready call starts
  // no second poll.
  await editor.evaluate(READY_STATEMENT);
  await editor.page.evaluate(() => window.endEdit('mix'));
  assert.deepEqual(await route.take(), [{ type: 'end_edit', name: 'mix' }]);
  await editor.page.clock.runFor(200);
  assert.equal((await route.take()).filter((m) => m.type === 'poll_messages').length, 4);
  await editor.close();
});

test('a ready call made before the bridge existed still releases the queue and starts the poll', async () => {
  const route = new FakeIpc();
  const editor = await openEditor(browser, { route, readyOrder: 'before' });
  assert.deepEqual(await route.messages(), []);
  await editor.page.clock.runFor(1);
  const sent = await route.take();
  assert.deepEqual(types(sent), ['request_params', 'request_presets']);
  await editor.page.clock.runFor(100);
  assert.deepEqual(types(await route.take()), ['poll_messages', 'poll_messages']);
  await editor.close();
});

test('page-to-plugin calls build the protocol messages', async () => {
  const route = new FakeIpc();
  const editor = await openEditor(browser, { route });
  await route.take();
  await editor.page.evaluate(() => {
    window.sendCustom('x');
    window.savePreset('A');
    window.deletePreset('B');
    window.requestPresets();
    window.loadPreset('Init');
  });
  assert.deepEqual(await route.take(), [
    { type: 'custom', action: 'x', payload: '' },
    { type: 'save_preset', name: 'A' },
    { type: 'delete_preset', name: 'B' },
    { type: 'request_presets' },
    { type: 'load_preset', name: 'Init', is_factory: false },
  ]);
  // Four extra polls fetch the answers (20, 50, 100 and 200 ms later) besides the 50 ms poll.
  await editor.page.clock.runFor(21);
  assert.deepEqual(types(await route.take()), ['poll_messages']);
  await editor.page.clock.runFor(180);
  // Extra polls at 50, 100 and 200 ms; the regular poll at 50, 100, 150 and 200 ms.
  assert.deepEqual(types(await route.take()), Array(3 + 4).fill('poll_messages'));
  await editor.close();
});

test('custom messages reach the page as events and state', async () => {
  const route = new FakeIpc();
  const editor = await openEditor(browser, { route });
  const { page } = editor;
  await page.evaluate(() => {
    window.__events = [];
    for (const type of ['paramchange', 'presetsloaded', 'presetloaded', 'presetsaved', 'presetdeleted',
                        'preseterror', 'custommessage']) {
      window.addEventListener(type, (e) => window.__events.push([type, e.detail]));
    }
  });
  const events = () => page.evaluate(() => window.__events.splice(0));
  await route.take();

  const list = [{ name: 'Init', is_factory: true }, { name: "O'Brien\\x", is_factory: false }];
  await editor.evaluate(customStatement('presets_list', JSON.stringify(list)));
  assert.deepEqual(await page.evaluate(() => window.presets), list);
  await editor.evaluate(customStatement('presets_list', 'not json'));
  assert.deepEqual(await page.evaluate(() => window.presets), list);
  assert.deepEqual(await events(), [['presetsloaded', list]]);

  // Values are applied in order as set_param messages; a null value stops the rest.
  await editor.evaluate(customStatement('preset_values', '[["mix",0.25],["char_mode",1],["comb_mix",null],["swarm_drift",0.5]]'));
  assert.deepEqual(withoutPolls(await route.take()), [
    { type: 'set_param', name: 'mix', value: 0.25 },
    { type: 'set_param', name: 'char_mode', value: 1 },
  ]);
  assert.deepEqual(await events(), [['paramchange', { name: 'mix', value: 0.25 }],
                                    ['paramchange', { name: 'char_mode', value: 1 }]]);

  await editor.evaluate(customStatement('preset_saved', 'Mine'));
  assert.equal(await page.evaluate(() => window.currentPreset), 'Mine');
  assert.deepEqual(withoutPolls(await route.take()), [{ type: 'request_presets' }]);
  await editor.evaluate(customStatement('preset_deleted', 'Mine'));
  assert.equal(await page.evaluate(() => window.currentPreset), null);
  await editor.evaluate(customStatement('preset_error', 'IO error: disk\nfull'));
  await editor.evaluate(customStatement('something_else', 'p'));
  assert.deepEqual(await events(), [
    ['presetsaved', { name: 'Mine' }],
    ['presetdeleted', { name: 'Mine' }],
    ['preseterror', { message: 'IO error: disk\nfull' }],
    ['custommessage', { action: 'something_else', payload: 'p' }],
  ]);

  await page.evaluate(() => window._setCurrentPresetName(''));
  assert.equal(await page.textContent('#preset-name'), 'Init');
  assert.deepEqual(await events(), [['presetloaded', { name: '' }]]);
  assert.deepEqual(editor.errors, []);
  await editor.close();
});
