// Edits made in the page: what each control sends through the bridge.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { openSharedEditor, updateParamStatement } from './harness.mjs';

const { route, editor, page } = await openSharedEditor();

const sent = async () => (await route.take()).filter((m) => m.type !== 'poll_messages');
const edit = (name, ...values) => [
  { type: 'begin_edit', name },
  ...values.map((value) => ({ type: 'set_param', name, value })),
  { type: 'end_edit', name },
];

async function centre(selector) {
  const box = await page.locator(selector).boundingBox();
  return { x: Math.round(box.x + box.width / 2), y: Math.round(box.y + box.height / 2), box };
}

async function dragDial(id, ...dys) {
  const { x, y } = await centre(`.dial[data-param="${id}"] .knob`);
  await page.mouse.move(x, y);
  await page.mouse.down();
  for (const dy of dys) await page.mouse.move(x, y - dy);
  await page.mouse.up();
}

test('a dial drag sends begin, one value per move (150 px upward = the whole range) and end', async () => {
  await dragDial('mix', 30, 75, 90);
  assert.deepEqual(await sent(), edit('mix', 0.7, 1, 1));
  assert.equal(await page.textContent('.dial[data-param="mix"] .value'), '100%');
  await dragDial('input_gain', -300);
  assert.deepEqual(await sent(), edit('input_gain', 0));
});

test('a dial whose value is 0 moves on from 0, not from its default', async () => {
  for (const [id, dy, expected] of [['mix', 30, 0.2], ['stereo_width', 75, 0.5], ['comb_tuning', 15, 0.1]]) {
    await editor.evaluate(updateParamStatement(id, 0));
    await dragDial(id, dy);
    assert.deepEqual(await sent(), edit(id, expected), id);
  }
});

test('a bar sets the value from the pointer at once and while dragging', async () => {
  const { box } = await centre('.bar[data-param="carrier_env_amount"]');
  const y = box.y + box.height / 2;
  await page.mouse.move(box.x + box.width / 4, y);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 2, y);
  await page.mouse.up();
  const messages = await sent();
  assert.deepEqual(messages.map((m) => m.type), ['begin_edit', 'set_param', 'set_param', 'end_edit']);
  assert.ok(Math.abs(messages[1].value - 0.25) < 0.01, `pressed at ${messages[1].value}`);
  assert.equal(messages[2].value, 1);
  assert.equal(await page.textContent('[data-value-of="carrier_env_amount"]'), '100%');
});

test('a bar dragged while CYCLE hides its group follows the pointer, within 0..1', async () => {
  await page.evaluate(() => window._updateTransport(120, true));
  for (const [id, value] of [['carrier_mode', 0], ['mode_cycle_div', 0], ['formant_position', 0.6], ['mode_cycle_enable', 1]]) {
    await editor.evaluate(updateParamStatement(id, value));
  }
  const { box } = await centre('.bar[data-param="formant_position"]');
  const x = box.x + box.width * 0.6;
  const y = box.y + box.height / 2;
  await page.mouse.move(x, y);
  await page.mouse.down();
  // 1/4 at 120 BPM: 500 ms a mode, so the group hides from 500 to 1500 ms and again from 2000.
  for (let step = 1; step <= 84; step++) {
    await page.clock.runFor(25);
    await page.mouse.move(x - step, y);
  }
  assert.equal(await page.locator('.group[data-group="0"]').isVisible(), false);
  await page.mouse.move(0, y);  // a hidden bar measures as a box of width 0 at x 0
  await page.mouse.up();
  await editor.evaluate(updateParamStatement('mode_cycle_enable', 0));
  const values = (await sent()).filter((m) => m.type === 'set_param' && m.name === 'formant_position')
    .map((m) => m.value);
  assert.equal(values.length, 86);
  values.forEach((value, i) => {
    assert.ok(Number.isFinite(value) && value >= 0 && value <= 1, `value ${i}: ${value}`);
    assert.ok(i === 0 || value <= values[i - 1], `value ${i} went from ${values[i - 1]} to ${value}`);
  });
  assert.ok(Math.abs(values[0] - 0.6) < 0.01 && values.at(-1) === 0, `${values[0]} .. ${values.at(-1)}`);
});

test('a click on the LOCK POINT bar above each scale label sends that label\'s frequency', async () => {
  const bar = await page.locator('.lock-bar').boundingBox();
  const labels = await page.$$eval('#lock-block .scale span', (spans) => spans.map((span) => {
    const box = span.getBoundingClientRect();
    return { text: span.textContent, x: box.left + box.width / 2 };
  }));
  assert.deepEqual(labels.map((l) => l.text), ['40 Hz', '100 Hz', '440 Hz', '1 kHz', '5 kHz']);
  for (const { text, x } of labels) {
    const [, number, kilo] = text.match(/^(\d+) (k?)Hz$/);
    const hz = Number(number) * (kilo ? 1000 : 1);
    // The end labels are centred on the bar's ends: click just inside them.
    await page.mouse.click(Math.min(Math.max(x, bar.x + 0.5), bar.x + bar.width - 0.5), bar.y + bar.height / 2);
    const [, set] = await sent();
    const frequency = set.value ** 4 * 4960 + 40;  // the bar's mapping
    assert.ok(Math.abs(frequency - hz) <= 0.01 * hz, `under ${text}: ${frequency} Hz`);
  }
});

test('discrete controls send begin, value and end in one click', async () => {
  await page.click('.toggle[data-param="lock_motion_enable"]');
  assert.deepEqual(await sent(), edit('lock_motion_enable', 1));
  assert.equal(await page.textContent('.toggle[data-param="lock_motion_enable"]'), 'ON');
  await page.click('.mode[data-mode="2"]');
  assert.deepEqual(await sent(), edit('carrier_mode', 1));
  assert.equal(await page.locator('.group[data-group="2"]').isVisible(), true);
  await page.click('.character[data-index="3"]');
  assert.deepEqual(await sent(), edit('char_mode', 1));
  assert.equal(await page.textContent('.character[data-index="3"] .status'), 'on');
  await page.click('.toggle[data-param="mode_cycle_enable"]');
  await page.click('.toggle[data-param="mode_cycle_enable"]');
  assert.deepEqual(await sent(), [...edit('mode_cycle_enable', 1), ...edit('mode_cycle_enable', 0)]);
});

test('menus: one list open at a time, an option sends index / (options - 1), a click elsewhere closes', async () => {
  const rate = '.menu[data-param="lock_motion_rate"]';
  const shape = '.menu[data-param="lock_motion_shape"]';
  await page.click(`${rate} .menu-value`);
  assert.equal(await page.locator(`${rate} .menu-list`).isVisible(), true);
  await page.click(`${shape} .menu-value`);
  assert.equal(await page.locator(`${rate} .menu-list`).isVisible(), false);
  await page.click('#footer');
  assert.equal(await page.locator(`${shape} .menu-list`).isVisible(), false);

  await page.click(`${rate} .menu-value`);
  await page.click(`${rate} .menu-option >> text="1 BAR"`);
  assert.deepEqual(await sent(), edit('lock_motion_rate', 0.25));
  assert.equal(await page.textContent(`${rate} .menu-value`), '1 BAR');
  assert.equal(await page.locator(`${rate} .menu-list`).isVisible(), false);
  await page.click('.menu[data-param="trig_div"] .menu-value');
  await page.click('.menu[data-param="trig_div"] .menu-option >> text="1/32"');
  assert.deepEqual(await sent(), edit('trig_div', 1));
});

test('the AMP toggle sends 0.5 or the amount it had, 0 when switched off; the depth bar drives its look', async () => {
  await editor.evaluate(updateParamStatement('trig_amount', 0));
  await page.click('#amp-toggle');
  assert.deepEqual(await sent(), edit('trig_amount', 0.5));
  assert.equal(await page.textContent('[data-value-of="trig_amount"]'), '50%');
  await page.click('#amp-toggle');
  assert.deepEqual(await sent(), edit('trig_amount', 0));
  assert.equal(await page.textContent('#amp-toggle'), 'OFF');

  const { box } = await centre('.bar[data-param="trig_amount"]');
  await page.mouse.move(box.x + box.width * 0.3, box.y + box.height / 2);
  await page.mouse.down();
  assert.equal(await page.textContent('#amp-toggle'), 'ON');
  await page.mouse.move(box.x - 20, box.y + box.height / 2);
  assert.equal(await page.textContent('#amp-toggle'), 'OFF');
  await page.mouse.up();
  await route.take();

  await editor.evaluate(updateParamStatement('trig_amount', 0.3));
  await page.click('#amp-toggle');
  assert.deepEqual(await sent(), edit('trig_amount', 0));
  assert.deepEqual(editor.errors, []);
});
