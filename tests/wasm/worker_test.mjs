// The engine as a Web Worker (quoll-worker.js), run as a Node.js worker thread: a protocol
// transcript gives the same replies through the worker as through the native pbrain-quoll of
// the same sources, and in games the worker answers in time and keeps its memory (the
// WebAssembly module's, which never shrinks) within MAX_MEMORY.
//
//   node --no-experimental-fetch worker_test.mjs QUOLL_WORKER_JS NATIVE_PBRAIN_QUOLL

import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { once } from 'node:events';
import { readdirSync, readFileSync } from 'node:fs';
import { resolve } from 'node:path';
import { test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';
import { Worker } from 'node:worker_threads';

const [workerScript, nativeEngine] = process.argv.slice(2).map((path) => resolve(path));
const kMiB = 1 << 20;

// Rows of BOARD blocks: "x,y,player", 1 the engine's stone, 2 the opponent's.
const stones = (player, cells) => cells.map(([x, y]) => `${x},${y},${player}`);
// The opponent's four on row 7, closed on the left: the only answer is 7,7.
const blockFour = [...stones(2, [[3, 7], [4, 7], [5, 7], [6, 7]]),
  ...stones(1, [[2, 7], [10, 2], [12, 12]])];
// The engine's four on the diagonal, closed at 2,2: it wins at 7,7 and nowhere else.
const winFive = [...stones(1, [[3, 3], [4, 4], [5, 5], [6, 6]]),
  ...stones(2, [[2, 2], [10, 1], [13, 3], [0, 14]])];
// The rows of a game's moves ("7,7 5,7 7,6"), the last one the opponent's.
const position = (moves) => moves.split(' ').reverse()
  .map((move, i) => `${move},${i % 2 === 0 ? 2 : 1}`).reverse();

// Every answer here is the same at any speed: at a budget of 0 the engine answers with what
// needs no search, a depth or node limit ends a search before its clock does (its detail lines
// differ only in speed and time), and the forced answers at the end are the only moves that do
// not lose.
const transcript = [
  // Before START: refused, and BOARD's rows are read as commands of their own.
  'TURN 7,7', 'BOARD', '7,7,1', 'DONE', 'BEGIN',
  'START 20', 'START', 'INFO', 'INFO TIMEOUT_TURN 0', 'info max_memory 67108864',
  'START 15', 'BEGIN', 'BEGIN', 'TURN 8,8', 'turn 15,0', 'TURN 8,8', 'TURN -1,3', 'TURN 3',
  'TURN 9,9\r', 'about', '', '   ', 'hello world', 'Über', 'a\u0000b', 'X'.repeat(150000),
  // One message of two lines; a block split over messages, with CR LF ends and refused rows.
  'START 15\nTURN 3,3',
  'START 15', 'board\r', '7,7,2\r', '7,8,1', '8,8,2\n3,3,3', '16,2,1', '7,7,1', 'x', 'done\r',
  'START 15', 'BOARD', 'DONE', 'BOARD', '1,1', 'DONE',
  'INFO TIMEOUT_TURN 30000', 'INFO SHOW_DETAIL 1', 'INFO MAX_DEPTH 6',
  'START 15', 'BOARD', ...position('7,7 5,7 7,6 5,6 4,4'), 'DONE', 'TURN 3,3',
  'INFO MAX_DEPTH 0', 'INFO MAX_NODE 30000',
  'START 15', 'BOARD', ...position('7,7 8,8 10,8 8,6 8,7 9,7 10,6 7,5 10,5 10,7 6,6'), 'DONE',
  'INFO MAX_NODE 0', 'INFO TIMEOUT_TURN 1000',
  'START 15', 'BOARD', ...blockFour, 'DONE',
  'START 15', 'BOARD', ...winFive, 'DONE',
  // Nothing is read after END.
  'END', 'START 15', 'ABOUT',
];

// What differs between builds and between machines: the build date, a search's speed and time.
const comparable = (line) => line.replace(/build-date="[^"]*"/, 'build-date=""')
  .replace(/^(MESSAGE .*) nps \d+ time \d+ /, '$1 nps - time - ');

test('a transcript gives the same replies through the worker as natively', async () => {
  // The worker gets every line at once, before it has loaded, and closes after END.
  const worker = new Worker(workerScript);
  const replies = [];
  worker.on('message', (line) => replies.push(line));
  for (const line of transcript) worker.postMessage(line);
  // The native engine meanwhile, its lines on its standard input; it must end with 0.
  const native = execFileSync(nativeEngine, {
    input: transcript.map((line) => `${line}\n`).join(''), encoding: 'utf8', timeout: 60000,
  }).split('\n').slice(0, -1);
  const closed = await Promise.race([once(worker, 'exit'), sleep(60000, null, { ref: false })]);
  if (!closed) await worker.terminate();
  assert.ok(closed, `the worker did not close; replies so far: ${replies.join(' | ')}`);
  assert.ok(native.some((line) => line.startsWith('MESSAGE depth 6 ')), 'no search to depth 6');
  assert.deepEqual(replies.map(comparable), native.map(comparable));
});

// Milliseconds the threads of this process (the worker's among them) have waited for a CPU that
// another process held: their run-queue waits, added up.
function runQueueWaitMs() {
  let waitedNs = 0;
  for (const task of readdirSync('/proc/self/task')) {
    try {
      waitedNs += Number(readFileSync(`/proc/self/task/${task}/schedstat`, 'utf8').split(' ')[1]);
    } catch {}  // a thread that has ended
  }
  return waitedNs / 1e6;
}

// A worker thread's body, run from its source: quoll-worker.js (the path in workerData) run as its
// own worker runs it, each reply line sent with the module's memory as it left: { line, memoryBytes }.
function measuredWorker() {
  const { parentPort, workerData } = require('worker_threads');
  const post = parentPort.postMessage.bind(parentPort);
  // wasmMemory is one of the script's globals.
  parentPort.postMessage = (line) => post({ line, memoryBytes: globalThis.wasmMemory.buffer.byteLength });
  // What a worker thread's script finds beside its globals.
  globalThis.require = require;
  globalThis.__dirname = require('path').dirname(workerData);
  require('vm').runInThisContext(require('fs').readFileSync(workerData, 'utf8'), { filename: workerData });
}

// A game at kTurnMs a move in the measured worker: `setup` (answered OK), BEGIN, then a stone of
// ours next to each of its moves. Each reply is a free cell, in time (a quarter of a second to
// spare beyond the threads' waits for a CPU, on a loaded machine) and leaves the memory within
// `limitBytes`; the longest takes a third of the time or more (no iteration starts after that,
// and these openings force nothing): the clock runs neither fast nor slow. Returns the memory.
const kTurnMs = 200;
async function playMeasured(setup, limitBytes, moves) {
  const worker = new Worker(`(${measuredWorker})()`, { eval: true, workerData: workerScript });
  const board = new Set();
  // The reply to a line, how long it took and how long of it the threads waited for a CPU.
  const ask = async (line) => {
    const sent = performance.now();
    const waitedBefore = runQueueWaitMs();
    const replied = once(worker, 'message');  // rejected when the worker fails
    worker.postMessage(line);
    const [reply] = await replied;
    return { ...reply, ms: performance.now() - sent, waitedMs: runQueueWaitMs() - waitedBefore };
  };
  let memoryBytes = 0;
  let longestMs = 0;
  try {
    assert.equal((await ask(setup)).line, 'OK');
    let move = 'BEGIN';
    for (let i = 0; i < moves; ++i) {
      const reply = await ask(move);
      assert.match(reply.line, /^\d+,\d+$/, `reply to ${move}`);
      assert.ok(!board.has(reply.line), `${reply.line} is taken`);
      board.add(reply.line);
      assert.ok(reply.ms - reply.waitedMs < kTurnMs + 250,
        `${reply.line} took ${reply.ms} ms, ${reply.waitedMs} ms of it waiting for a CPU`);
      if (move !== 'BEGIN') longestMs = Math.max(longestMs, reply.ms);
      assert.ok(reply.memoryBytes <= limitBytes,
        `memory ${reply.memoryBytes / kMiB} MiB over the limit of ${limitBytes / kMiB} MiB`);
      memoryBytes = reply.memoryBytes;
      const [x, y] = reply.line.split(',').map(Number);
      const next = [[x + 1, y], [x, y + 1], [x - 1, y], [x, y - 1], [x + 1, y + 1], [x - 1, y - 1]]
        .map(([a, b]) => `${a},${b}`)
        .find((cell) => !board.has(cell) && /^(1[0-4]|\d),(1[0-4]|\d)$/.test(cell));
      board.add(next);
      move = `TURN ${next}`;
    }
    assert.ok(longestMs >= kTurnMs / 3, `the longest reply took ${longestMs} ms`);
  } finally {
    await worker.terminate();
  }
  return memoryBytes;
}

// START before the memory limit, as tournament managers send it, keeps to the worker's own
// 64 MiB; a limit sent first holds; 256 MiB gives a table of 2^23 entries, 128 MiB, which the
// module's memory grows to hold. Of the setup's lines only START answers.
test('the worker keeps within its memory limit and grows to the table a larger one gives', async () => {
  const setup = (limit) => `INFO TIMEOUT_TURN ${kTurnMs}\nINFO MAX_MEMORY ${limit}\nSTART 15`;
  await playMeasured(`START 15\nINFO TIMEOUT_TURN ${kTurnMs}`, 64 * kMiB, 5);
  await playMeasured(setup(8 * kMiB), 8 * kMiB, 3);
  const reached = await playMeasured(setup(256 * kMiB), 256 * kMiB, 2);
  assert.ok(reached > 128 * kMiB, `memory ${reached / kMiB} MiB: no room for the table`);
});
