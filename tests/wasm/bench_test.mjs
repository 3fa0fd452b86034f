// The benchmark built as WebAssembly (bench.js) and run under Node.js searches node for node as
// the native build does: its default run gives the native benchmark's lines and the signature
// the README carries, and the reference positions give the reference figures of
// tests/data/bench/ (an independent model, depths 4 and 6) and tests/data/games/ (depths 4, 5).
//
//   node --no-experimental-fetch bench_test.mjs BENCH_JS NATIVE_BENCH SOURCE_FOLDER

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { join, resolve } from 'node:path';
import { test } from 'node:test';

const [benchScript, nativeBench, sourceFolder] = process.argv.slice(2).map((path) => resolve(path));

// The lines of a benchmark's run that the search decides: each without its time and speed.
const searchLines = (program, args = []) =>
  execFileSync(program, args, { encoding: 'utf8', maxBuffer: 1 << 26 }).trim().split('\n')
    .map((line) => line.replace(/ time [\d.]+ ms nps \d+$/, ''));
const wasmBench = (...options) =>
  searchLines(process.execPath, [...process.execArgv, benchScript, ...options]);

test('the default run gives the native lines and the signature of the README', () => {
  const readme = readFileSync(join(sourceFolder, 'README.md'), 'utf8');
  const signature = readme.match(/^Bench signature: \*\*(\d+)\*\*/m);
  assert.ok(signature, 'the README carries no bench signature');
  const lines = wasmBench();
  assert.equal(lines.at(-1), `Nodes searched: ${signature[1]}`);
  assert.deepEqual(lines, searchLines(nativeBench));
});

test('the reference positions give the reference figures node for node', () => {
  const sets = [['bench', 4, 20], ['bench', 6, 20], ['games', 4, 16], ['games', 5, 16]];
  for (const [folder, depth, hashLog2] of sets) {
    const data = join(sourceFolder, 'tests', 'data', folder);
    const expected = readFileSync(join(data, `expected-d${depth}.txt`), 'utf8').trim().split('\n');
    const lines = wasmBench('--depth', `${depth}`, '--hash-log2', `${hashLog2}`,
      '--positions', join(data, 'positions.txt'));
    // The lines of the positions and the total; the expected files have no signature line.
    assert.deepEqual(lines.slice(0, -1), expected, `${folder} at depth ${depth}`);
  }
});
