// The engine as the page sees it: one search at a time, a position and limits in (a request made
// by searchRequest), the engine's lines out as it writes them (its detail lines among them),
// then its move. ServerEngine runs the search in quoll-web's engine process for this page, with
// the server building the protocol lines from the checked request; an engine in the page itself
// can stand in its place with the same three methods.

import { SIDE } from './position.js';

// The engine stopped (crashed, answered late or wrongly); restart() brings it back.
export class EngineFailure extends Error {}
// The request was refused (a bad position, too many games); the engine is as it was.
export class Refused extends Error {}

export class ServerEngine {
  constructor() {
    this.id = null;  // the server's game that holds this page's engine process
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
