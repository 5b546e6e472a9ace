// Values arriving from the plug-in: every control shows the page's own text for them.
import assert from 'node:assert/strict';
import { after, before, test } from 'node:test';

import { loadChromium, openEditor, updateParamStatement } from './harness.mjs';

const browser = await loadChromium();
let editor;
before(async () => { editor = await openEditor(browser); });
after(() => browser.close());

const dial = (id) => `.dial[data-param="${id}"] .value`;
const bar = (id) => `[data-value-of="${id}"]`;
const menu = (id) => `.menu[data-param="${id}"] .menu-value`;
const toggle = (id) => `.toggle[data-param="${id}"]`;

async function receive(id, value) {
  await editor.evaluate(updateParamStatement(id, value));
}
const text = (selector) => editor.page.textContent(selector);

test('each parameter shows the text of its display rule', async () => {
  const cases = [
    ['input_gain', '0.5', dial('input_gain'), '+0dB'],
    ['input_gain', '0.25', dial('input_gain'), '-6dB'],
    ['input_gain', '0.49', dial('input_gain'), '-0dB'],  // the sign comes from -0.24 dB
    ['input_gain', '1', dial('input_gain'), '+12dB'],
    ['output_gain', '0', dial('output_gain'), '-24dB'],
    ['output_gain', '1', dial('output_gain'), '+12dB'],
    ['mix', '0.333', dial('mix'), '33%'],
    ['stereo_width', '0.75', dial('stereo_width'), '150%'],
    ['lock_motion_depth', '0.42', bar('lock_motion_depth'), '42%'],
    ['trig_amount', '0.42', bar('trig_amount'), '42%'],
    ['carrier_env_amount', '1', bar('carrier_env_amount'), '100%'],
    ['formant_position', '0.125', bar('formant_position'), '0.13'],  // a tie goes up
    ['formant_width', '0.3', bar('formant_width'), '0.30'],
    ['formant_morph_rate', '0.5', bar('formant_morph_rate'), '2.5 Hz'],
    ['formant_morph_rate', '1', bar('formant_morph_rate'), '10.0 Hz'],
    ['stoch_spread', '0.7', bar('stoch_spread'), '0.70'],
    ['stoch_density', '0', bar('stoch_density'), '0.00'],
    ['stoch_smoothing', '0.999', bar('stoch_smoothing'), '1.00'],
    ['swarm_count', '0.5', bar('swarm_count'), '9'],
    ['swarm_count', '0', bar('swarm_count'), '2'],
    ['swarm_count', '1', bar('swarm_count'), '16'],
    ['swarm_spread', '0.25', bar('swarm_spread'), '0.25'],
    ['swarm_drift', '0.6', bar('swarm_drift'), '0.60'],
    ['char_amount', '0.5', dial('char_amount'), '50%'],
    ['comb_feedback', '1', dial('comb_feedback'), '0.95'],
    ['comb_tuning', '0.5', dial('comb_tuning'), '331 Hz'],
    ['comb_tuning', '1', dial('comb_tuning'), '5.0 kHz'],
    ['comb_tuning', '0', dial('comb_tuning'), '20 Hz'],
    ['comb_mix', '0.25', dial('comb_mix'), '25%'],
    ['lock_motion_rate', '0.25', menu('lock_motion_rate'), '1B'],
    ['lock_motion_rate', '0', menu('lock_motion_rate'), '4B'],
    ['lock_motion_rate', '1', menu('lock_motion_rate'), '1/8T'],
    ['lock_motion_shape', '0.75', menu('lock_motion_shape'), 'SQR'],
    ['trig_div', '1', menu('trig_div'), '1/32'],
    ['mode_cycle_div', '0.6666667', menu('mode_cycle_div'), '1/16'],
    ['lock_motion_enable', '1', toggle('lock_motion_enable'), 'ON'],
    ['lock_motion_enable', '0.4', toggle('lock_motion_enable'), 'OFF'],
  ];
  for (const [id, value, selector, expected] of cases) {
    await receive(id, value);
    assert.equal(await text(selector), expected, `${id} = ${value}`);
  }
});

test('thumbs, indicators, modes, character boxes and the AMP row follow the value', async () => {
  const style = (selector, property) => editor.page.$eval(selector, (e, p) => e.style[p], property);

  await receive('lock_freq', '0.25');
  assert.equal(await style('.lock-bar .thumb', 'left'), '25%');
  await receive('swarm_count', '0.53');  // count 9 whatever the exact value: the thumb snaps
  assert.equal(await style('[data-param="swarm_count"] .thumb', 'left'), '50%');
  await receive('input_gain', '1');
  assert.equal(await style('[data-param="input_gain"] .knob i', 'transform'), 'rotate(135deg)');
  await receive('input_gain', '0');
  assert.equal(await style('[data-param="input_gain"] .knob i', 'transform'), 'rotate(-135deg)');

  await receive('carrier_mode', '0.5');
  assert.equal(await text('.mode.active'), 'STOCH');
  assert.deepEqual(await editor.page.$$eval('.group', (gs) => gs.map((g) => g.hidden)), [true, false, true]);
  await receive('carrier_mode', '1');
  assert.equal(await text('.mode.active'), 'SWARM');

  await receive('char_mode', '0.6666667');
  assert.deepEqual(await editor.page.$$eval('.character .status', (s) => s.map((e) => e.textContent)),
                   ['off', 'off', 'on', 'off']);

  await receive('trig_amount', '0.01');
  assert.equal(await text('#amp-toggle'), 'OFF');
  assert.ok(await editor.page.$eval('#amp-row', (e) => e.classList.contains('off')));
  await receive('trig_amount', '0.02');
  assert.equal(await text('#amp-toggle'), 'ON');
  await receive('lock_motion_enable', '0');
  assert.ok(await editor.page.$eval('#freq-row', (e) => e.classList.contains('off')));
});

test('the chosen character box, and only it, shows its frame in ink over its drawing', async () => {
  const INK = [0x1a, 0x18, 0x16];
  // The pixels of a ring in the middle of the 3-pixel frame, just inside the box's 2-pixel border.
  const rings = () => editor.page.$$eval('.character', (boxes) => boxes.map((box) => {
    const r = box.getBoundingClientRect();
    return { left: Math.ceil(r.left + 2), top: Math.ceil(r.top + 2),
             right: Math.floor(r.right - 3), bottom: Math.floor(r.bottom - 3) };
  }));
  // Reads the screenshot in a page of its own, so that the page under test runs nothing extra.
  const reader = await browser.newPage();
  const inkShares = async (png, boxes) => reader.evaluate(async ({ base64, boxes, ink }) => {
    const image = new Image();
    image.src = `data:image/png;base64,${base64}`;
    await image.decode();
    const canvas = document.createElement('canvas');
    [canvas.width, canvas.height] = [image.width, image.height];
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    const { data } = context.getImageData(0, 0, image.width, image.height);
    const isInk = (x, y) => ink.every((value, channel) => data[4 * (y * image.width + x) + channel] === value);
    return boxes.map(({ left, top, right, bottom }) => {
      let inked = 0, all = 0;
      for (let x = left; x <= right; x++) for (const y of [top, bottom]) { all++; if (isInk(x, y)) inked++; }
      for (let y = top; y <= bottom; y++) for (const x of [left, right]) { all++; if (isInk(x, y)) inked++; }
      return inked / all;
    });
  }, { base64: png.toString('base64'), boxes, ink: INK });

  await editor.page.clock.runFor(500);  // the drawings have run
  for (let chosen = 0; chosen < 4; chosen++) {
    await receive('char_mode', String(chosen / 3));
    const shares = await inkShares(await editor.page.screenshot(), await rings());
    shares.forEach((share, index) => {
      if (index === chosen) assert.equal(share, 1, `box ${index} chosen: ring ${share} ink`);
      else assert.ok(share < 1, `box ${index} not chosen: ring all ink`);
    });
  }
  await reader.close();
});

test('a state load through _setAllParams updates every control it names; unknown ids are ignored', async () => {
  await editor.page.evaluate(() => window._setAllParams([
    { name: 'mix', value: 0.1, default: 0.5, min: 0, max: 1, display: '10 %' },
    { name: 'comb_tuning', value: 0.5 },
    { name: 'no_such_param', value: 0.5 },
  ]));
  assert.equal(await text(dial('mix')), '10%');
  assert.equal(await text(dial('comb_tuning')), '331 Hz');
  assert.deepEqual(editor.errors, []);
});
