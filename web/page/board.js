// The board page: draws the game the server keeps and sends the person's actions to it. The
// server judges every move and result; the page only shows them.
'use strict';

const SIDE = 15;
const STEP = 40;    // distance between lines in board units
const MARGIN = 40;  // room for the coordinates
const SVG = 'http://www.w3.org/2000/svg';
const $ = (id) => document.getElementById(id);

let game = null;      // the server's last word on the game
let busy = false;     // a request is on its way
let focused = 7 * SIDE + 7;  // the cell that holds the keyboard focus

const cellName = (x, y) => String.fromCharCode(65 + x) + (y + 1);
const at = (index) => MARGIN + index * STEP;

function element(name, attributes, parent) {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  parent.appendChild(node);
  return node;
}

// The grid, the coordinates and one focusable cell per point; drawn once.
function drawGrid() {
  const grid = $('grid');
  element('rect', { class: 'wood', x: 0, y: 0, width: 624, height: 624 }, grid);
  for (let i = 0; i < SIDE; i++) {
    element('line', { class: 'line', x1: at(0), y1: at(i), x2: at(SIDE - 1), y2: at(i) }, grid);
    element('line', { class: 'line', x1: at(i), y1: at(0), x2: at(i), y2: at(SIDE - 1) }, grid);
    element('text', { class: 'label', x: at(i), y: 16 }, grid).textContent = cellName(i, 0)[0];
    element('text', { class: 'label', x: 16, y: at(i) }, grid).textContent = String(i + 1);
  }
  for (const [x, y] of [[3, 3], [11, 3], [7, 7], [3, 11], [11, 11]])
    element('circle', { class: 'star', cx: at(x), cy: at(y), r: 4 }, grid);
  const cells = $('cells');
  for (let y = 0; y < SIDE; y++) {
    for (let x = 0; x < SIDE; x++) {
      const cell = element('rect', {
        class: 'cell', x: at(x) - STEP / 2, y: at(y) - STEP / 2, width: STEP, height: STEP,
        role: 'button', tabindex: y * SIDE + x === focused ? 0 : -1, 'data-cell': `${x},${y}`,
      }, cells);
      cell.addEventListener('click', () => play(x, y));
    }
  }
  cells.addEventListener('keydown', onKey);
}

// Arrow keys move between cells, Enter or Space plays on the focused one.
function onKey(event) {
  const moves = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -SIDE, ArrowDown: SIDE };
  let next = focused;
  if (event.key in moves) {
    next += moves[event.key];
    if ((event.key === 'ArrowLeft' || event.key === 'ArrowRight') &&
        Math.floor(next / SIDE) !== Math.floor(focused / SIDE)) next = focused;
  } else if (event.key === 'Enter' || event.key === ' ') {
    event.preventDefault();
    play(focused % SIDE, Math.floor(focused / SIDE));
    return;
  } else {
    return;
  }
  event.preventDefault();
  if (next < 0 || next >= SIDE * SIDE) return;
  const cells = $('cells').children;
  cells[focused].setAttribute('tabindex', -1);
  cells[next].setAttribute('tabindex', 0);
  cells[next].focus();
  focused = next;
}

async function api(method, path, body) {
  const options = { method, headers: {} };
  if (body !== undefined) {
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  const type = response.headers.get('Content-Type') || '';
  const data = type.startsWith('application/json') ? await response.json() : await response.text();
  return { ok: response.ok, status: response.status, data };
}

// Runs one request at a time; a refused one is said in the status line.
async function request(method, path, body, waiting) {
  if (busy) return null;
  busy = true;
  render(waiting);
  try {
    const reply = await api(method, path, body);
    if (reply.ok && reply.data && reply.data.id) game = reply.data;
    busy = false;
    render(reply.ok ? '' : `Refused: ${reply.data.error || reply.status}`);
    return reply;
  } catch (error) {
    busy = false;
    render('The server does not answer. Is quoll-web still running?');
    return null;
  }
}

async function engineMoveIfDue() {
  if (game && game.toMove === 'engine' && !game.failure)
    await request('POST', `/api/games/${game.id}/reply`, {}, 'The engine is thinking…');
}

async function newGame() {
  if (busy) return;
  busy = true;
  render('Starting the engine…');
  // The old game is closed first: each game holds an engine process.
  if (game) await api('DELETE', `/api/games/${game.id}`).catch(() => {});
  game = null;
  busy = false;
  const settings = { colour: $('colour').value, turnMs: Number($('turn-ms').value) };
  await request('POST', '/api/games', settings, 'Starting the engine…');
  document.body.dataset.game = game ? game.id : '';
  await engineMoveIfDue();
}

async function play(x, y) {
  if (!game || busy || game.toMove !== 'person') return;
  if (game.moves.some((move) => move.x === x && move.y === y)) return;
  const reply = await request('POST', `/api/games/${game.id}/move`, { x, y }, '');
  if (reply && reply.ok) await engineMoveIfDue();
}

async function action(name, waiting) {
  if (!game) return;
  const reply = await request('POST', `/api/games/${game.id}/${name}`, {}, waiting);
  if (reply && reply.ok && name === 'restart') await engineMoveIfDue();
}

async function save() {
  if (!game || busy) return;
  const reply = await api('GET', `/api/games/${game.id}/record`);
  if (!reply.ok) return render('The game could not be saved.');
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([reply.data], { type: 'text/plain' }));
  link.download = 'quoll-game.psq';
  link.click();
  URL.revokeObjectURL(link.href);
}

async function load(event) {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file || !game) return;
  const record = await file.text();
  const reply = await request('POST', `/api/games/${game.id}/load`, { record }, 'Loading…');
  if (reply && reply.ok) await engineMoveIfDue();
}

function movesText() {
  return game.moves.map((move, i) => `${i + 1}. ${cellName(move.x, move.y)}` +
    (move.engine ? ` (engine, ${move.ms} ms)` : '')).join('\n');
}

async function copyMoves() {
  if (!game) return;
  try {
    await navigator.clipboard.writeText(movesText());
    render('The moves are copied.');
  } catch (error) {
    render('Copying is not allowed here; the move list can be selected by hand.');
  }
}

function statusText() {
  if (!game) return 'No game: press New game.';
  const you = game.person;
  if (game.failure) return `${game.failure} Restart the engine to go on; the game is kept.`;
  if (game.winner) {
    const five = game.five.map((p) => cellName(p.x, p.y)).join(' ');
    const who = game.winner === you ? 'You win' : 'The engine wins';
    return `${game.winner === 'black' ? 'Black' : 'White'} wins with five in a row (${five}). ${who}.`;
  }
  if (game.draw) return 'The board is full: the game is a draw.';
  if (game.toMove === 'engine') return 'The engine is to move.';
  const hint = game.hint ? ` The engine suggests ${cellName(game.hint.x, game.hint.y)}.` : '';
  return `Your move (${you}).${hint}`;
}

function drawStones() {
  const layer = $('stones');
  layer.replaceChildren();
  if (!game) return;
  const five = new Set(game.five.map((p) => `${p.x},${p.y}`));
  const numbers = $('numbers').checked;
  game.moves.forEach((move, i) => {
    const colour = i % 2 === 0 ? 'black' : 'white';
    const key = `${move.x},${move.y}`;
    element('circle', {
      class: `stone ${colour}${five.has(key) ? ' five' : ''}`, cx: at(move.x), cy: at(move.y),
      r: STEP * 0.45, 'data-x': move.x, 'data-y': move.y, 'data-colour': colour,
    }, layer);
    if (numbers) {
      element('text', { class: `number on-${colour}`, x: at(move.x), y: at(move.y) }, layer)
        .textContent = String(i + 1);
    } else if (i === game.moves.length - 1) {
      element('circle', { class: 'last', cx: at(move.x), cy: at(move.y), r: 5 }, layer);
    }
  });
  if (game.hint)
    element('circle', { class: 'hint', cx: at(game.hint.x), cy: at(game.hint.y), r: STEP * 0.4,
      'data-x': game.hint.x, 'data-y': game.hint.y }, layer);
}

function render(message) {
  drawStones();
  const taken = new Map((game ? game.moves : []).map((m, i) => [m.y * SIDE + m.x, i]));
  [...$('cells').children].forEach((cell, index) => {
    const i = taken.get(index);
    const content = i === undefined ? 'empty' : `${i % 2 === 0 ? 'black' : 'white'}, move ${i + 1}`;
    cell.setAttribute('aria-label', `${cellName(index % SIDE, Math.floor(index / SIDE))}, ${content}`);
  });
  const status = $('status');
  status.textContent = message || statusText();
  status.classList.toggle('failure', Boolean(game && game.failure));
  const list = $('moves');
  list.replaceChildren();
  for (const [i, move] of (game ? game.moves : []).entries()) {
    const item = document.createElement('li');
    item.textContent = `${i % 2 === 0 ? 'Black' : 'White'} ${cellName(move.x, move.y)}` +
      (move.engine ? ` (engine, ${move.ms} ms)` : '');
    list.appendChild(item);
  }
  list.scrollTop = list.scrollHeight;
  const personToMove = Boolean(game) && game.toMove === 'person' && !busy;
  $('undo').disabled = busy || !game || !game.moves.some((move) => !move.engine);
  $('hint').disabled = !personToMove || Boolean(game.failure);
  $('restart').hidden = !(game && game.failure);
  $('restart').disabled = busy;
  $('new-game').disabled = busy;
  document.body.dataset.state = busy ? 'busy' : game ? game.toMove : 'none';
}

drawGrid();
$('new-game').addEventListener('click', newGame);
$('undo').addEventListener('click', () => action('undo', 'Taking back…'));
$('hint').addEventListener('click', () => action('hint', 'The engine is looking for a hint…'));
$('restart').addEventListener('click', () => action('restart', 'Restarting the engine…'));
$('numbers').addEventListener('change', () => render(''));
$('save').addEventListener('click', save);
$('load').addEventListener('change', load);
$('copy').addEventListener('click', copyMoves);
newGame();
