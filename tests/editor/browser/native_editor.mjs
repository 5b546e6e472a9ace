// A window.ipc route to the native editor process (native_editor.cpp): the real plug-in and its
// editor's message handler answer the page. Each posted text goes to the native side, and the
// statements the editor evaluates in its web view come back and run in the page, in order.
// Each native side gets a fresh home folder of its own, so that its user presets never touch the
// real one; it goes when the native side stops.
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { createInterface } from 'node:readline';

export class NativeEditor {
  makesCreationCalls = true;

  // Starts the native side; resolves once it has opened its editor and sent the page. presetName:
  // the plug-in's current preset when the editor opens.
  static async start({ presetName, binary = process.env.VESSIMOR_NATIVE_EDITOR } = {}) {
    if (!binary) throw new Error('VESSIMOR_NATIVE_EDITOR must name the native editor program');
    const route = new NativeEditor();
    const args = presetName === undefined ? [] : [`--preset-name=${presetName}`];
    route.home = mkdtempSync(path.join(tmpdir(), 'vessimor-home-'));
    const env = { ...process.env, HOME: route.home };
    delete env.XDG_DATA_HOME;  // it would take the data folder's place
    route.child = spawn(binary, args, { env, stdio: ['pipe', 'pipe', 'inherit'] });
    route.lines = createInterface({ input: route.child.stdout })[Symbol.asyncIterator]();
    route.html = (await route.#next()).html;
    return route;
  }

  async #next() {
    const { value, done } = await this.lines.next();
    if (done) throw new Error('the native editor ended');
    return JSON.parse(value);
  }

  // One request and its reply; requests are served one at a time, in the order made.
  #chain = Promise.resolve();
  request(message) {
    const reply = this.#chain.then(async () => {
      this.child.stdin.write(JSON.stringify(message) + '\n');
      const answer = await this.#next();
      for (const statement of answer.evaluate) {
        await this.page.evaluate((text) => { (0, eval)(text); }, statement);
      }
      return answer;
    });
    this.#chain = reply.catch(() => {});
    return reply;
  }

  answered = 0;
  async attach(page) {
    this.page = page;
    await page.exposeBinding('__vessimorPost', async (source, text) => {
      await this.request({ post: text });
      this.answered += 1;
    });
    await page.addInitScript(() => {
      window.__vessimorPosted = 0;
      window.ipc = Object.freeze({
        postMessage: (text) => {
          window.__vessimorPosted += 1;
          window.__vessimorPost(String(text));
        },
      });
    });
  }

  // The page committed: the editor's two creation statements run.
  commit() { return this.request({ commit: true }); }
  // Waits until every message the page has posted so far is answered.
  async settle() {
    const posted = await this.page.evaluate(() => window.__vessimorPosted);
    const deadline = Date.now() + 5000;
    while (this.answered < posted) {
      if (Date.now() > deadline) throw new Error(`${posted - this.answered} page messages unanswered`);
      await new Promise((resolve) => setTimeout(resolve, 2));
    }
  }
  // Lets the page's 50 ms poll carry the plug-in's answers in, at most five seconds, until
  // `condition` (async) holds; the preset worker answers on a thread of its own.
  async until(condition, what) {
    const deadline = Date.now() + 5000;
    while (!(await condition())) {
      if (Date.now() > deadline) throw new Error(`never happened: ${what}`);
      await this.page.clock.runFor(50);
      await this.settle();
    }
  }
  automate(id, value) { return this.request({ automate: { id, value } }); }
  async flush() { return (await this.request({ flush: true })).events; }
  // { events, requested }: the flush's events, and whether the plug-in had asked for it.
  flushReply() { return this.request({ flush: true }); }
  async value(id) { return (await this.request({ value: id })).value; }

  async stop() {
    this.child.stdin.end();
    const running = this.child.exitCode === null && this.child.signalCode === null;
    if (running) await new Promise((resolve) => this.child.once('exit', resolve));
    rmSync(this.home, { recursive: true, force: true });
    return this.child.exitCode;
  }
}
