// The page as a whole: self-contained, our own font, running decorations, and the screenshot
// shown in the README (written to $VESSIMOR_SCREENSHOT).
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { after, test } from 'node:test';

import { loadChromium, openEditor } from './harness.mjs';

const browser = await loadChromium();
after(() => browser.close());

test('the page loads nothing, embeds only our font, and draws a 900x600 panel', async () => {
  const editor = await openEditor(browser);
  const { page } = editor;
  await page.clock.runFor(3000);  // a few hundred animation frames

  assert.equal(await page.title(), 'Vessimor');
  assert.deepEqual(editor.requests, []);
  assert.deepEqual(editor.errors, []);
  const faces = await page.evaluate(() => [...document.styleSheets].flatMap((sheet) => [...sheet.cssRules])
    .filter((rule) => rule instanceof CSSFontFaceRule).map((rule) => rule.style.fontFamily));
  assert.deepEqual(faces, ['"Vessimor Title"']);
  assert.match(await page.$eval('#title', (e) => getComputedStyle(e).fontFamily),
               /^"Vessimor Title", -apple-system, system-ui, sans-serif$/);
  assert.equal(await page.evaluate(async () => {
    await document.fonts.load('300 32px "Vessimor Title"', 'VESSIMOR');
    return document.fonts.check('300 32px "Vessimor Title"', 'VESSIMOR');
  }), true);
  assert.deepEqual(await page.$eval('#panel', (e) => [e.offsetWidth, e.offsetHeight]), [900, 600]);

  const path = process.env.VESSIMOR_SCREENSHOT;
  if (path) {
    await page.screenshot({ path });
    const png = readFileSync(path);
    assert.deepEqual([png.readUInt32BE(16), png.readUInt32BE(20)], [900, 600]);
  }
  await editor.close();
});
