// The page's own engine (web/page/engine.js, WorkerEngine) sends the lines quoll-web sends for
// the same search requests (../web/search_lines.json, which the quoll-web test checks), to a
// stand-in worker that writes back what it got at each DONE and plays 0,0, as the test's brain.
//   page_engine_test.mjs PAGE_DIR OUT_DIR
import assert from 'node:assert/strict';
import { copyFileSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';

const [pageDir, outDir] = process.argv.slice(2);
const table = JSON.parse(readFileSync(new URL('../web/search_lines.json', import.meta.url)));

// The page's scripts are modules of the browser: copied beside a package.json saying so.
const modules = join(outDir, 'page-modules');
mkdirSync(modules, { recursive: true });
for (const name of ['engine.js', 'position.js']) copyFileSync(join(pageDir, name), join(modules, name));
writeFileSync(join(modules, 'package.json'), '{"type": "module"}');

globalThis.Worker = class {
  constructor() {
    this.seen = [];
  }

  postMessage(line) {
    const reply = (text) => setTimeout(() => this.onmessage({ data: text }));
    this.seen.push(line);
    if (line === 'START 15') reply('OK');
    if (line !== 'DONE') return;
    for (const seen of this.seen) reply(`MESSAGE got ${seen}`);
    reply('0,0');
    this.seen = [];
  }

  terminate() {}
};

const { WorkerEngine } = await import(pathToFileURL(join(modules, 'engine.js')));
const engine = new WorkerEngine();
for (const [i, { request, lines, answer }] of table.cases.entries()) {
  const got = [];
  const found = await engine.think(request, (line) => got.push(line)).then(
    ({ reply }) => ({ reply }), (error) => ({ failure: error.message }));
  assert.deepEqual(got, [...(i === 0 ? table.start : []), ...lines].map((line) => `MESSAGE got ${line}`));
  assert.deepEqual(found, answer);
}
console.log(`page engine: ${table.cases.length} requests sent as quoll-web sends them`);
