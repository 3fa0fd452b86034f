// Positions and game records, judged by the exact-five rule: no drawing and no engine here.
//
// A record is a set-up (stones placed by hand, possibly none) and then moves in turn, the first
// by `first`: { setup: [{cell, colour}], first: 'black', moves: [{cell, ...}] }. Position i is
// the set-up with the first i moves. A cell is y * 15 + x; the board names it by column letter
// and row number from the top, "H8" for x 7, y 7; the protocol writes it "7,7".

export const SIDE = 15;
export const CELLS = SIDE * SIDE;
const LINES = [[1, 0], [0, 1], [1, 1], [1, -1]];

export const other = (colour) => (colour === 'black' ? 'white' : 'black');
export const cellName = (cell) => String.fromCharCode(65 + (cell % SIDE)) + (Math.floor(cell / SIDE) + 1);
export const protocolText = (cell) => `${cell % SIDE},${Math.floor(cell / SIDE)}`;
const capitalised = (text) => text[0].toUpperCase() + text.slice(1);

// A cell from "h8" (board letters and numbers) or "7,7" (the protocol's x,y); null otherwise.
export function readCell(text) {
  let match = /^([a-o])(\d{1,2})$/i.exec(text);
  if (match) {
    const row = Number(match[2]);
    return row >= 1 && row <= SIDE ? (row - 1) * SIDE + match[1].toLowerCase().charCodeAt(0) - 97 : null;
  }
  match = /^(\d{1,2}),(\d{1,2})$/.exec(text);
  if (!match) return null;
  const [x, y] = [Number(match[1]), Number(match[2])];
  return x < SIDE && y < SIDE ? y * SIDE + x : null;
}

export const emptyRecord = () => ({ setup: [], first: 'black', moves: [] });

export const toMoveAt = (record, index) => (index % 2 === 0 ? record.first : other(record.first));

// The stones of position `index`: a map from cell to colour.
export function stonesAt(record, index) {
  const stones = new Map(record.setup.map((stone) => [stone.cell, stone.colour]));
  record.moves.slice(0, index).forEach((move, i) => stones.set(move.cell, toMoveAt(record, i)));
  return stones;
}

// The cells of the exact five through `cell` (which holds `colour`), or null. Six or more in a
// row are no five.
export function fiveThrough(stones, cell, colour) {
  const x = cell % SIDE;
  const y = Math.floor(cell / SIDE);
  const holds = (cx, cy) => cx >= 0 && cx < SIDE && cy >= 0 && cy < SIDE && stones.get(cy * SIDE + cx) === colour;
  for (const [dx, dy] of LINES) {
    let back = 0;
    while (holds(x - dx * (back + 1), y - dy * (back + 1))) back++;
    let ahead = 0;
    while (holds(x + dx * (ahead + 1), y + dy * (ahead + 1))) ahead++;
    if (back + ahead + 1 === 5)
      return [0, 1, 2, 3, 4].map((i) => (y + dy * (i - back)) * SIDE + x + dx * (i - back));
  }
  return null;
}

// How position `index` stands: { winner, five } when its last move made five, { draw: true }
// when the board is full, else null. A record holds no move after a five.
export function outcomeAt(record, index) {
  const stones = stonesAt(record, index);
  if (index > 0) {
    const cell = record.moves[index - 1].cell;
    const five = fiveThrough(stones, cell, stones.get(cell));
    if (five) return { winner: stones.get(cell), five };
  }
  return stones.size === CELLS ? { draw: true } : null;
}

// Why stones with `toMove` to move are no position to play on, or '' when they are one: turns
// alternate, so the side to move has as many stones as the other or one fewer; no five stands,
// and a cell is left.
export function setupFault(stones, toMove) {
  const count = (colour) => [...stones.values()].filter((c) => c === colour).length;
  const own = count(toMove);
  const others = count(other(toMove));
  if (own !== others && own !== others - 1)
    return `${capitalised(toMove)} to move needs as many stones as ${other(toMove)} or one fewer.`;
  for (const [cell, colour] of stones) {
    const five = fiveThrough(stones, cell, colour);
    if (five) return `${capitalised(colour)} has five in a row already: ${five.map(cellName).join(' ')}.`;
  }
  return stones.size === CELLS ? 'The board is full.' : '';
}

// A record from stones placed in any order and the side to move; null when setupFault says no.
export function recordFromSetup(stones, toMove) {
  if (setupFault(stones, toMove)) return null;
  return { setup: [...stones].map(([cell, colour]) => ({ cell, colour })), first: toMove, moves: [] };
}

// Plays `cells` in turn from the empty board, black first. Returns { record } or { error }: a
// move on a taken cell or after the game has ended is refused.
export function recordFromMoves(cells) {
  const record = emptyRecord();
  for (const [i, cell] of cells.entries()) {
    const name = `Move ${i + 1} (${cellName(cell)})`;
    if (i > 0 && outcomeAt(record, i)) return { error: `${name} comes after the end of the game.` };
    if (record.moves.some((move) => move.cell === cell)) return { error: `${name} is on a taken cell.` };
    record.moves.push({ cell });
  }
  return { record };
}

// A move list as people write it: "h8 i9 j10", "7,7 8,8 9,9" or "1. H8 2. I9"; move numbers
// are skipped. Returns { cells } or { error } naming the first word that is no cell.
export function readMoveList(text) {
  const cells = [];
  for (const word of text.split(/[\s;]+/).filter(Boolean)) {
    if (/^\d+\.$/.test(word)) continue;
    const cell = readCell(word.replace(/,$/, ''));
    if (cell === null) return { error: `"${word.slice(0, 12)}" is not a cell of the board (A1 to O15, or x,y from 0,0 to 14,14).` };
    cells.push(cell);
  }
  return { cells };
}

// The whole position as moves from the empty board, black first: the set-up's stones in turn,
// then the moves; null when the set-up was not begun by black (a .psq record cannot say so).
export function cellsFromStart(record) {
  const black = record.setup.filter((s) => s.colour === 'black').map((s) => s.cell);
  const white = record.setup.filter((s) => s.colour === 'white').map((s) => s.cell);
  const blackBegan = black.length === white.length ? record.first === 'black' : black.length > white.length;
  if (!blackBegan) return null;
  const cells = [];
  black.forEach((cell, i) => cells.push(cell, ...(i < white.length ? [white[i]] : [])));
  return cells.concat(record.moves.map((move) => move.cell));
}

// ---- The .psq record of the Windows tournament manager ---------------------------------------
// "Piskvorky 15x15, 0:0, 0", one move a line as "x,y,ms" counted from 1, then "-1".

export function psqText(record) {
  const cells = cellsFromStart(record);
  if (!cells) return null;
  const setupSize = cells.length - record.moves.length;
  const lines = cells.map((cell, i) => {
    const ms = i < setupSize ? 0 : record.moves[i - setupSize].ms || 0;
    return `${(cell % SIDE) + 1},${Math.floor(cell / SIDE) + 1},${ms}`;
  });
  return ['Piskvorky 15x15, 0:0, 0', ...lines, '-1', ''].join('\n');
}

// Returns { record } or { error }. Lines that are no move are skipped; reading ends at "-1".
export function readPsq(text) {
  const cells = [];
  const times = [];
  for (const raw of text.split('\n')) {
    const line = raw.trim();
    if (line === '-1') break;
    const match = /^(\d+),(\d+)(?:,(\d+))?$/.exec(line);
    if (!match) continue;
    const [x, y] = [Number(match[1]), Number(match[2])];
    if (x < 1 || x > SIDE || y < 1 || y > SIDE) return { error: `The record's move ${x},${y} is off the board.` };
    cells.push((y - 1) * SIDE + x - 1);
    times.push(Number(match[3] || 0));
  }
  const read = recordFromMoves(cells);
  if (read.record) read.record.moves.forEach((move, i) => { move.ms = times[i]; });
  return read;
}

// ---- The page's address ------------------------------------------------------------------------
// "#moves=h8,i9&black=a1&white=b2&first=white&at=1&view=turned": the moves in order, the set-up
// stones by colour and the side to move after them (only when there is a set-up), the position
// shown when it is not the last, and a board turned round.

export function linkText({ record, view, turned }) {
  const names = (cells) => cells.map((cell) => cellName(cell).toLowerCase()).join(',');
  const parts = [`moves=${names(record.moves.map((move) => move.cell))}`];
  if (record.setup.length || record.first !== 'black') {
    for (const colour of ['black', 'white'])
      parts.push(`${colour}=${names(record.setup.filter((s) => s.colour === colour).map((s) => s.cell))}`);
    parts.push(`first=${record.first}`);
  }
  if (view !== record.moves.length) parts.push(`at=${view}`);
  if (turned) parts.push('view=turned');
  return parts.join('&');
}

// The inverse of linkText: { record, view, turned } or { error }.
export function readLink(text) {
  const fields = new URLSearchParams(text);
  const cells = (name) => readMoveList((fields.get(name) || '').replaceAll(',', ' '));
  const moves = cells('moves');
  const black = cells('black');
  const white = cells('white');
  const error = moves.error || black.error || white.error;
  if (error) return { error: `The link's position cannot be read: ${error}` };
  const first = fields.get('first') || 'black';
  if (first !== 'black' && first !== 'white') return { error: 'The link\'s side to move is not black or white.' };
  const stones = new Map();
  for (const [colour, list] of [['black', black.cells], ['white', white.cells]])
    for (const cell of list) {
      if (stones.has(cell)) return { error: `The link has two stones on ${cellName(cell)}.` };
      stones.set(cell, colour);
    }
  const fault = setupFault(stones, first);
  if (fault) return { error: `The link's position is not one to play on: ${fault}` };
  const record = recordFromSetup(stones, first);
  for (const [i, cell] of moves.cells.entries()) {
    if (stonesAt(record, i).has(cell) || outcomeAt(record, i))
      return { error: `The link's move ${i + 1} (${cellName(cell)}) cannot be played.` };
    record.moves.push({ cell });
  }
  const at = fields.has('at') ? Number(fields.get('at')) : record.moves.length;
  const view = Number.isInteger(at) && at >= 0 && at <= record.moves.length ? at : record.moves.length;
  return { record, view, turned: fields.get('view') === 'turned' };
}

// What the engine is asked to search: position `index` of the record, as the server and the
// engine take it (cells as [x, y]), with the search's limits.
export function searchRequest(record, index, limits) {
  const stones = [...stonesAt(record, index)];
  const list = (colour) => stones.filter(([, c]) => c === colour).map(([cell]) => [cell % SIDE, Math.floor(cell / SIDE)]);
  return { black: list('black'), white: list('white'), toMove: toMoveAt(record, index), ...limits };
}
