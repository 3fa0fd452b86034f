// The engine as the page sees it: one search at a time, a position and limits in (a request made
// by searchRequest), the engine's lines out as it writes them (its detail lines among them),
// then its move. Two engines stand behind the same methods: ServerEngine runs the search in
// quoll-web's engine process for this page, the server building the protocol lines from the
// checked request; WorkerEngine runs the engine compiled to WebAssembly in a Web Worker of the
// page itself, for the page served as static files. The page's <meta name="quoll-engine">
// picks one.

import { SIDE, readCell } from './position.js';

// The engine stopped (crashed, answered late or wrongly); restart() brings it back.
export class EngineFailure extends Error {}
// The request was refused (a bad position, too many games); the engine is as it was.
export class Refused extends Error {}
// The search was stopped before its move (stop()); the engine is ready for the next.
export class Stopped extends Error {}

// The engine for this page: "worker" in the static build's index.html, the server's otherwise.
export function pageEngine() {
  const source = document.querySelector('meta[name="quoll-engine"]');
  return source && source.content === 'worker' ? new WorkerEngine() : new ServerEngine();
}

export class ServerEngine {
  constructor() {
    this.id = null;  // the server's game that holds this page's engine process
    this.where = 'The engine runs on the quoll-web server that served this page.';
  }

  // Resolves with { reply: 'x,y', ms } after calling onLine(line) for each line before the move.
  async think(request, onLine) {
    if (!this.id) await this.open();
    let response = await this.post(`/api/games/${this.id}/think`, request);
    if (response.status === 404) {  // closed after being left idle: a new process, same search
      await this.open();
      response = await this.post(`/api/games/${this.id}/think`, request);
    }
    if (!response.ok) throw await refusal(response);
    const reader = response.body.pipeThrough(new TextDecoderStream()).getReader();
    let buffer = '';
    for (;;) {
      const { value, done } = await reader.read();
      if (done) break;
      buffer += value;
      const lines = buffer.split('\n');
      buffer = lines.pop();
      for (const text of lines) {
        const item = JSON.parse(text);
        if ('line' in item) onLine(item.line);
        else if ('failure' in item) throw new EngineFailure(item.failure);
        else return { reply: item.reply, ms: item.ms };
      }
    }
    throw new EngineFailure('The server ended the search without a move.');
  }

  async restart() {
    const response = this.id ? await this.post(`/api/games/${this.id}/restart`, {}) : null;
    if (!response || response.status === 404) return this.open();
    if (!response.ok) throw await refusal(response);
    const game = await response.json();
    if (game.failure) throw new EngineFailure(game.failure);
  }

  // A search on the server ends at its own limits; an analysis stops between its short steps.
  stop() {}

  // Ends the engine process; for a page that goes away, so the request outlives the page.
  close() {
    if (this.id) this.post(`/api/games/${this.id}`, undefined, 'DELETE', true).catch(() => {});
    this.id = null;
  }

  async open() {
    this.id = null;
    const response = await this.post('/api/games', {});
    if (!response.ok) throw await refusal(response);
    const game = await response.json();
    this.id = game.id;
    if (game.failure) throw new EngineFailure(game.failure);
  }

  // The server takes changes only as JSON from its own page.
  post(path, body, method = 'POST', keepalive = false) {
    return fetch(path, {
      method, keepalive, headers: { 'Content-Type': 'application/json' },
      body: body === undefined ? undefined : JSON.stringify(body),
    });
  }
}

async function refusal(response) {
  const data = await response.json().catch(() => ({}));
  return new Refused(data.error || `the server answered ${response.status}`);
}

// ---- The engine in the page ------------------------------------------------------------------------

// Managers accept a reply this much later than the turn limit, as quoll-web does.
const REPLY_TOLERANCE_MS = 1000;
// The engine must answer START within this: the module loads and the table is sized then.
const START_TIMEOUT_MS = 10000;
// The engine's memory: a browser tab's share (the worker keeps inside it).
const WORKER_MEMORY_BYTES = 64 << 20;

// The engine of the static build: quoll-worker.js beside the page, spoken to as a manager speaks
// to a brain. A worker handles each command to its end, so a search cannot be interrupted by a
// line: stop() ends the worker, and the next search starts another (the table is lost, the game
// is the page's and stays).
export class WorkerEngine {
  constructor(url = 'quoll-worker.js') {
    this.url = url;
    this.worker = null;
    this.sent = {};       // the limits the worker has, so that each goes out when it changes
    this.waiting = null;  // the request waiting for a reply: { take(line), fail(error) }
    this.where = 'The engine runs in this page as WebAssembly: nothing to install, and no server thinks for it.';
  }

  async think(request, onLine) {
    if (!this.worker) await this.restart();
    const lines = [];
    for (const [key, value] of [['timeout_turn', request.turnMs], ['MAX_DEPTH', request.maxDepth], ['MAX_NODE', request.maxNodes]]) {
      if (this.sent[key] !== value) lines.push(`INFO ${key} ${value}`);
      this.sent[key] = value;
    }
    lines.push('BOARD', ...boardRows(request), 'DONE');
    const began = performance.now();
    const reply = await this.request(lines, request.turnMs + REPLY_TOLERANCE_MS, onLine, 'did not answer within the time per move plus one second');
    const ms = Math.round(performance.now() - began);
    if (/^(ERROR|UNKNOWN)/.test(reply)) throw this.failure(`The engine reported an error (${reply}).`);
    const cell = /^\d/.test(reply) ? readCell(reply) : null;  // the protocol's x,y, not a board name
    if (cell === null) throw this.failure(`The engine's reply is not a move (${reply}).`);
    if ([...request.black, ...request.white].some(([x, y]) => y * SIDE + x === cell)) throw this.failure(`The engine played on a taken cell (${reply}).`);
    return { reply, ms };
  }

  // A new worker, started as quoll-web starts its engine processes.
  async restart() {
    this.end();
    try {
      this.worker = new Worker(this.url);
    } catch (error) {  // a page opened from a file: browsers start no worker there
      throw new EngineFailure(`The engine could not be started (${error.message}): serve this folder over HTTP.`);
    }
    this.worker.onmessage = (event) => this.waiting && this.waiting.take(event.data);
    this.worker.onerror = (event) => {
      event.preventDefault();
      const { waiting } = this;
      if (waiting) waiting.fail(this.failure(`The engine crashed (${event.message || 'the worker failed'}).`));
    };
    this.sent = {};
    const reply = await this.request([`INFO max_memory ${WORKER_MEMORY_BYTES}`, 'START 15'], START_TIMEOUT_MS, () => {}, 'did not answer START');
    if (reply !== 'OK') throw this.failure(`The engine could not be started (${reply}).`);
    // No match limit, as managers send it; the detail lines show what the engine thinks; the
    // memory limit again, for a brain that forgets it at START.
    for (const line of ['INFO timeout_match 0', 'INFO time_left 2147483647', 'INFO rule 1', 'INFO SHOW_DETAIL 1',
      `INFO max_memory ${WORKER_MEMORY_BYTES}`])
      this.worker.postMessage(line);
  }

  // Ends the search under way at once; think() then throws Stopped.
  stop() {
    const { waiting } = this;
    if (!waiting) return;
    this.end();
    waiting.fail(new Stopped());
  }

  close() {
    this.end();
  }

  end() {
    if (this.worker) this.worker.terminate();
    this.worker = null;
    this.waiting = null;
  }

  failure(text) {
    this.end();
    return new EngineFailure(text);
  }

  // Posts `lines` and resolves with the first reply that is no MESSAGE or DEBUG line (those go
  // to onLine as they come), or fails when none comes within `waitMs`.
  request(lines, waitMs, onLine, lateText) {
    return new Promise((resolve, reject) => {
      const waiting = {
        take: (line) => {
          if (/^(MESSAGE|DEBUG)( |$)/.test(line)) return onLine(line);
          this.waiting = null;
          clearTimeout(timer);
          resolve(line);
        },
        fail: (error) => {
          clearTimeout(timer);
          reject(error);
        },
      };
      const timer = setTimeout(() => waiting.fail(this.failure(`The engine ${lateText}.`)), waitMs);
      this.waiting = waiting;
      for (const line of lines) this.worker.postMessage(line);
    });
  }
}

// The position as a BOARD block's rows, the side to move's stones marked 1: in turn, as a game
// would have placed them, the side that began first (as quoll-web writes them).
function boardRows({ black, white, toMove }) {
  const [own, other] = toMove === 'black' ? [black, white] : [white, black];
  const [first, second] = own.length === other.length ? [own, other] : [other, own];
  const row = ([x, y], side) => `${x},${y},${side === own ? 1 : 2}`;
  return first.flatMap((cell, i) => (i < second.length ? [row(cell, first), row(second[i], second)] : [row(cell, first)]));
}

// ---- Detail lines -------------------------------------------------------------------------------
// "MESSAGE depth 8 score +112 nodes 201734 nps 2950123 time 68 pv 8,6 9,5 6,8", written after
// each completed iteration and once more for the move played; "reason R" follows a depth of 0
// (a move that needed no search) and the score is left out when unknown.

// { depth, reason, score, nodes, nps, time, pv: [cells] }, or null for any other line. The score
// is from the side to move's view: { value: 112 }, { win: 7 } or { loss: 4 } (in moves of both
// sides, the first being the side to move's).
export function readDetail(line) {
  const words = line.split(' ');
  if (words[0] !== 'MESSAGE' || words[1] !== 'depth') return null;
  const detail = { reason: null, score: null, pv: [] };
  for (let i = 1; i < words.length;) {
    const key = words[i];
    if (key === 'pv') {
      detail.pv = words.slice(i + 1).map((text) => {
        const [x, y] = text.split(',').map(Number);
        return y * SIDE + x;
      });
      break;
    }
    if (key === 'score' && (words[i + 1] === 'win' || words[i + 1] === 'loss')) {
      detail.score = { [words[i + 1]]: Number(words[i + 3]) };
      i += 4;
    } else {
      const value = words[i + 1];
      if (key === 'score') detail.score = { value: Number(value) };
      else detail[key] = key === 'reason' ? value : Number(value);
      i += 2;
    }
  }
  if (!Number.isInteger(detail.depth) || detail.pv.some((cell) => !(cell >= 0 && cell < SIDE * SIDE))) return null;
  return detail;
}

export const isDecided = (score) => Boolean(score && ('win' in score || 'loss' in score));

// "+120", "-35", "wins in 7", "loses in 4": from the side to move's view.
export function scoreText(score) {
  if (!score) return 'no score';
  if ('win' in score) return `wins in ${score.win}`;
  if ('loss' in score) return `loses in ${score.loss}`;
  return score.value > 0 ? `+${score.value}` : String(score.value);
}

export function speedText(nodesPerSecond) {
  if (nodesPerSecond >= 1e6) return `${(nodesPerSecond / 1e6).toFixed(1)} M nodes/s`;
  if (nodesPerSecond >= 1e3) return `${Math.round(nodesPerSecond / 1e3)} k nodes/s`;
  return `${nodesPerSecond} nodes/s`;
}
