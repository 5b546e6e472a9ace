// Time in the page: the tempo requests and the mode cycle display, on a controlled clock.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { openSharedEditor, updateParamStatement } from './harness.mjs';

const { route, editor, page } = await openSharedEditor();

const count = async (type) => (await route.take()).filter((m) => m.type === type).length;

async function setVisibility(state) {
  await page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', { value: hidden, configurable: true });
    Object.defineProperty(document, 'visibilityState', { value: hidden ? 'hidden' : 'visible', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  }, state === 'hidden');
}

test('the tempo is asked for every 500 ms, not while the document is hidden', async () => {
  assert.equal(await page.textContent('#tempo'), '120.0 BPM');
  await page.evaluate(() => window._updateTransport(128.5, true));
  assert.equal(await page.textContent('#tempo'), '128.5 BPM');

  await page.clock.runFor(2000);
  assert.equal(await count('request_transport'), 4);
  await setVisibility('hidden');
  await page.clock.runFor(5000);
  assert.equal(await count('request_transport'), 0);
  await setVisibility('visible');
  await page.clock.runFor(1000);
  assert.equal(await count('request_transport'), 2);
});

// Runs the clock to each time (ms after the start) and reads the highlighted mode there.
async function highlights(times) {
  const seen = [];
  let now = 0;
  for (const time of times) {
    await page.clock.runFor(time - now);
    now = time;
    seen.push(await page.textContent('.mode.active'));
  }
  return seen;
}

test('with CYCLE on at 60 BPM the highlight moves every 1000 ms at 1/4 and every 125 ms at 1/32', async () => {
  await page.evaluate(() => window._updateTransport(60, true));
  await page.click('.toggle[data-param="mode_cycle_enable"]');
  assert.deepEqual(await highlights([500, 1500, 2500, 3500, 4500]),
                   ['FORMANT', 'STOCH', 'SWARM', 'FORMANT', 'STOCH']);
  assert.equal(await page.locator('.group[data-group="1"]').isVisible(), true);

  await editor.evaluate(updateParamStatement('mode_cycle_enable', 0));
  await editor.evaluate(updateParamStatement('mode_cycle_div', 1));
  await editor.evaluate(updateParamStatement('mode_cycle_enable', 1));
  assert.deepEqual(await highlights([60, 190, 310, 440, 560]),
                   ['FORMANT', 'STOCH', 'SWARM', 'FORMANT', 'STOCH']);

  // The display never sent anything.
  assert.deepEqual((await route.take()).filter((m) => m.name === 'carrier_mode'), []);
});

test('switched off, CYCLE leaves the mode of carrier_mode highlighted; a mode clicked while cycling is sent', async () => {
  const carrierMode = async () => (await route.take()).filter((m) => m.name === 'carrier_mode');
  const cycleToggle = '.toggle[data-param="mode_cycle_enable"]';
  await editor.evaluate(updateParamStatement('carrier_mode', 1));
  await editor.evaluate(updateParamStatement('mode_cycle_enable', 1));
  await page.clock.runFor(1000);
  await editor.evaluate(updateParamStatement('mode_cycle_enable', 0));
  assert.equal(await page.textContent('.mode.active'), 'SWARM');
  assert.equal(await page.locator('.group[data-group="2"]').isVisible(), true);

  await page.click(cycleToggle);
  await page.clock.runFor(1000);
  await page.click('.mode[data-mode="1"]');
  assert.deepEqual(await carrierMode(), [{ type: 'begin_edit', name: 'carrier_mode' },
    { type: 'set_param', name: 'carrier_mode', value: 0.5 }, { type: 'end_edit', name: 'carrier_mode' }]);
  await page.clock.runFor(1000);
  await page.click(cycleToggle);
  await page.clock.runFor(1000);
  assert.equal(await page.textContent('.mode.active'), 'STOCH');
  assert.equal(await page.locator('.group[data-group="1"]').isVisible(), true);
  assert.deepEqual(await carrierMode(), []);
});
