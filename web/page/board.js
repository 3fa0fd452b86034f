// The board page: keeps the game, shows it and lets the person play, browse, set up positions,
// analyse and review. The engine is reached only through engine.js.

import * as P from './position.js';
import { pageEngine, EngineFailure, Refused, Stopped, readDetail, isDecided, scoreText, speedText } from './engine.js';
import { LEVELS, ANALYSIS_STEP_MS, REVIEW_NODES, REVIEW_TURN_MS, knownScore, reviewMarks, graphHeight } from './analysis.js';

const { SIDE, cellName } = P;
const STEP = 40;    // distance between lines in board units
const MARGIN = 40;  // room for the coordinates
const SVG = 'http://www.w3.org/2000/svg';
const $ = (id) => document.getElementById(id);
const capitalised = (text) => text[0].toUpperCase() + text.slice(1);

const engine = pageEngine();
const state = {
  record: P.emptyRecord(),
  view: 0,          // how many of the record's moves the board shows
  version: 0,       // counts changes of the record: results of an older one are not shown
  turned: false,    // the board seen from the other side
  task: null,       // the engine's work: { kind: 'move' | 'hint' | 'analysis' | 'review' | 'restart', stop }
  live: null,       // the engine's latest detail line: { detail, version, index, kind, ms }
  hint: null,       // { cell, version, index }
  review: null,     // { version, results, marks, done, total, started, stopped }
  editing: null,    // { stones, toMove } while a position is set up
  failure: '',      // why the engine stopped
  message: '',      // a passing word for the status line
  turnBegan: Date.now(),
  focused: 7 * SIDE + 7,  // the cell that holds the keyboard focus
};

const settings = () => ({
  person: $('colour').value, level: Number($('level').value), turnMs: Number($('turn-ms').value),
});
const gameOverAt = (index) => P.outcomeAt(state.record, index);
const atEnd = () => state.view === state.record.moves.length;

// ---- The board ---------------------------------------------------------------------------------

// Board units of column or row i, for the way the board is turned.
const at = (i) => MARGIN + (state.turned ? SIDE - 1 - i : i) * STEP;
const cellX = (cell) => at(cell % SIDE);
const cellY = (cell) => at(Math.floor(cell / SIDE));

function element(name, attributes, parent) {
  const node = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) node.setAttribute(key, value);
  parent.appendChild(node);
  return node;
}

// The grid, the coordinates and one focusable cell per point; drawn again when the board turns.
function drawGrid() {
  const grid = $('grid');
  grid.replaceChildren();
  element('rect', { class: 'wood', x: 0, y: 0, width: 624, height: 624 }, grid);
  for (let i = 0; i < SIDE; i++) {
    element('line', { class: 'line', x1: at(0), y1: at(i), x2: at(SIDE - 1), y2: at(i) }, grid);
    element('line', { class: 'line', x1: at(i), y1: at(0), x2: at(i), y2: at(SIDE - 1) }, grid);
    element('text', { class: 'label', x: at(i), y: 16 }, grid).textContent = String.fromCharCode(65 + i);
    element('text', { class: 'label', x: 16, y: at(i) }, grid).textContent = String(i + 1);
  }
  for (const [x, y] of [[3, 3], [11, 3], [7, 7], [3, 11], [11, 11]])
    element('circle', { class: 'star', cx: at(x), cy: at(y), r: 4 }, grid);
  const cells = $('cells');
  cells.replaceChildren();
  for (let cell = 0; cell < SIDE * SIDE; cell++) {
    const rect = element('rect', {
      class: 'cell', x: cellX(cell) - STEP / 2, y: cellY(cell) - STEP / 2, width: STEP, height: STEP,
      role: 'button', tabindex: cell === state.focused ? 0 : -1,
      'data-cell': P.protocolText(cell),
    }, cells);
    rect.addEventListener('click', () => clickCell(cell));
  }
}

// Arrow keys move between cells as the board is seen, Enter or Space plays on the focused one.
function onBoardKey(event) {
  const turn = state.turned ? -1 : 1;
  const steps = { ArrowLeft: [-turn, 0], ArrowRight: [turn, 0], ArrowUp: [0, -turn], ArrowDown: [0, turn] };
  if (event.key === 'Enter' || event.key === ' ') {
    event.preventDefault();
    clickCell(state.focused);
    return;
  }
  if (!(event.key in steps)) return;
  event.preventDefault();
  event.stopPropagation();
  const x = (state.focused % SIDE) + steps[event.key][0];
  const y = Math.floor(state.focused / SIDE) + steps[event.key][1];
  if (x < 0 || x >= SIDE || y < 0 || y >= SIDE) return;
  const cells = $('cells').children;
  cells[state.focused].setAttribute('tabindex', -1);
  state.focused = y * SIDE + x;
  cells[state.focused].setAttribute('tabindex', 0);
  cells[state.focused].focus();
}

// The best line to draw on the position shown: the engine's latest, else the review's.
function shownLine() {
  const { live, review } = state;
  if (live && live.version === state.version && live.index === state.view && live.detail.pv.length)
    return live.detail.pv;
  const result = review && review.version === state.version && review.results[state.view];
  return result && result.detail ? result.detail.pv : null;
}

function drawStones() {
  const layer = $('stones');
  layer.replaceChildren();
  const numbers = $('numbers').checked;
  const stones = state.editing ? state.editing.stones : P.stonesAt(state.record, state.view);
  const moveNumber = new Map(state.record.moves.slice(0, state.view).map((move, i) => [move.cell, i + 1]));
  const outcome = state.editing ? null : gameOverAt(state.view);
  const five = new Set(outcome && outcome.five ? outcome.five : []);
  for (const [cell, colour] of stones) {
    element('circle', {
      class: `stone ${colour}${five.has(cell) ? ' five' : ''}`, cx: cellX(cell), cy: cellY(cell),
      r: STEP * 0.45, 'data-cell': P.protocolText(cell), 'data-colour': colour,
    }, layer);
    const number = state.editing ? undefined : moveNumber.get(cell);
    if (numbers && number)
      element('text', { class: `number on-${colour}`, x: cellX(cell), y: cellY(cell) }, layer).textContent = String(number);
  }
  const last = state.editing || state.view === 0 ? null : state.record.moves[state.view - 1].cell;
  if (last !== null && !numbers) element('circle', { class: 'last', cx: cellX(last), cy: cellY(last), r: 5 }, layer);
  const { hint } = state;
  if (hint && hint.version === state.version && hint.index === state.view && !state.editing)
    element('circle', { class: 'hint', cx: cellX(hint.cell), cy: cellY(hint.cell), r: STEP * 0.4, 'data-cell': P.protocolText(hint.cell) }, layer);
  drawLine();
}

// The best line as numbered translucent stones; clicking one plays the line out to it. Its
// first moves only: a longer line would hide the position (the panel gives all of it).
const DRAWN_LINE = 10;
function drawLine() {
  const layer = $('line');
  layer.replaceChildren();
  const line = (shownLine() || []).slice(0, DRAWN_LINE);
  if (state.editing || !$('show-line').checked) return;
  const taken = P.stonesAt(state.record, state.view);
  let colour = P.toMoveAt(state.record, state.view);
  for (const [i, cell] of line.entries()) {
    if (taken.has(cell)) break;
    taken.set(cell, colour);
    element('circle', { class: `stone ${colour} planned`, cx: cellX(cell), cy: cellY(cell), r: STEP * 0.42, 'data-cell': P.protocolText(cell) }, layer);
    element('text', { class: `number on-${colour}`, x: cellX(cell), y: cellY(cell) }, layer).textContent = String(i + 1);
    colour = P.other(colour);
  }
}

// ---- Changes to the game -----------------------------------------------------------------------

function setRecord(record, view) {
  state.record = record;
  state.view = view;
  state.version++;
  state.turnBegan = Date.now();
}

// What every change ends with: the page drawn again, the address updated, the engine's move.
function changed() {
  render();
  if (!state.editing) history.replaceState(null, '', '#' + P.linkText(state));
  engineMoveIfDue();
}

function say(message) {
  state.message = message;
  render();
}

// True when the moves after the position shown may be dropped: none, a finished game, or the
// person agrees.
function mayDropLaterMoves() {
  const later = state.record.moves.length - state.view;
  if (later === 0 || gameOverAt(state.record.moves.length)) return true;
  return window.confirm(`Go on from here and drop the ${later} later move${later > 1 ? 's' : ''}?`);
}

// Plays `cells` in turn on the position shown; the later moves are dropped.
function playCells(cells) {
  if (!mayDropLaterMoves()) return;
  const record = { ...state.record, moves: state.record.moves.slice(0, state.view) };
  for (const [i, cell] of cells.entries()) {
    const index = record.moves.length;
    if (P.stonesAt(record, index).has(cell) || P.outcomeAt(record, index)) break;
    record.moves.push({ cell, ms: i === 0 ? Date.now() - state.turnBegan : 0 });
  }
  state.message = '';
  setRecord(record, record.moves.length);
  changed();
}

function clickCell(cell) {
  state.focused = cell;
  if (state.editing) return editCell(cell);
  if (state.task && state.task.kind !== 'analysis') return;  // the game waits for the engine
  // Playing both sides, a stone of the best line plays the line out to it.
  const { person } = settings();
  const line = shownLine();
  const stop = line && person === 'both' && $('show-line').checked ? line.indexOf(cell) : -1;
  if (stop >= 0) return playCells(line.slice(0, stop + 1));
  if (P.stonesAt(state.record, state.view).has(cell)) return;
  if (gameOverAt(state.view)) return say('The game is over in this position.');
  if (person !== 'both' && P.toMoveAt(state.record, state.view) !== person)
    return say('It is the engine\'s move in this position: step to another, or press Play from here.');
  playCells([cell]);
}

function newGame() {
  state.editing = null;
  state.message = '';
  setRecord(P.emptyRecord(), 0);
  changed();
}

// Takes back the moves after the person's last one, and that one (every side's when both are
// the person's).
function undo() {
  const { person } = settings();
  const moves = state.record.moves;
  let i = moves.length - 1;
  while (i >= 0 && person !== 'both' && moves[i].engine) i--;
  if (i < 0) return;
  setRecord({ ...state.record, moves: moves.slice(0, i) }, i);
  changed();
}

function browse(view) {
  state.view = Math.max(0, Math.min(state.record.moves.length, view));
  state.message = '';
  changed();
}

function playFromHere() {
  if (!mayDropLaterMoves()) return;
  setRecord({ ...state.record, moves: state.record.moves.slice(0, state.view) }, state.view);
  changed();
}

function turnBoard() {
  state.turned = !state.turned;
  drawGrid();
  changed();
}

// ---- Setting up positions ------------------------------------------------------------------------

function startEditing() {
  const stones = P.stonesAt(state.record, state.view);
  state.editing = { stones, toMove: P.toMoveAt(state.record, state.view), dropsLater: state.view < state.record.moves.length };
  $('edit-to-move').value = state.editing.toMove;
  say('');
}

function editCell(cell) {
  const { stones } = state.editing;
  if (stones.has(cell)) stones.delete(cell);
  else stones.set(cell, document.querySelector('input[name="put"]:checked').value);
  render();
}

function finishEditing() {
  const { stones } = state.editing;
  const toMove = $('edit-to-move').value;
  const fault = P.setupFault(stones, toMove);
  if (fault) return say(fault);
  if (state.editing.dropsLater && !mayDropLaterMoves()) return;
  state.editing = null;
  state.message = '';
  setRecord(P.recordFromSetup(stones, toMove), 0);
  changed();
}

function setMoves() {
  const list = P.readMoveList($('move-text').value);
  const read = list.error ? list : P.recordFromMoves(list.cells);
  if (read.error) return say(read.error);
  state.message = '';
  setRecord(read.record, read.record.moves.length);
  changed();
}

// ---- Files and copies -----------------------------------------------------------------------------

function save() {
  const text = P.psqText(state.record);
  if (text === null)
    return say('A .psq record starts with black: this set-up began with white. Copy the link to keep it.');
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([text], { type: 'text/plain' }));
  link.download = 'quoll-game.psq';
  link.click();
  URL.revokeObjectURL(link.href);
}

async function load(event) {
  const file = event.target.files[0];
  event.target.value = '';
  if (!file) return;
  const read = P.readPsq(await file.text());
  if (read.error) return say(read.error);
  state.message = '';
  setRecord(read.record, read.record.moves.length);
  changed();
}

// The moves as text that "Set up these moves" reads back; a set-up's stones come first.
function movesText() {
  const cells = P.cellsFromStart(state.record) || state.record.moves.map((move) => move.cell);
  return cells.map(cellName).join(' ');
}

async function copy(text, what) {
  try {
    await navigator.clipboard.writeText(text);
    say(`${what} copied.`);
  } catch (error) {
    say(`Copying is not allowed here; ${what.toLowerCase()} can be selected by hand.`);
  }
}

// ---- The engine ------------------------------------------------------------------------------------

// Runs one piece of the engine's work; one at a time.
async function runTask(kind, work) {
  const task = { kind, stop: false, started: Date.now() };
  state.task = task;
  state.message = '';
  render();
  try {
    await work(task);
  } catch (error) {
    if (error instanceof EngineFailure) state.failure = error.message;
    else if (error instanceof Refused) state.message = `Refused: ${error.message}`;
    else if (error instanceof TypeError && /fetch|network/i.test(error.message))
      state.message = 'The server does not answer. Is quoll-web still running?';
    else {
      state.message = `The page went wrong: ${error.message}`;
      console.error(error);
    }
  }
  state.task = null;
  changed();
}

// Searches position `index` of the record; its detail lines show in the panel as they come
// unless `quiet`. Resolves with the move, its time and the last detail line; a search stopped
// before its move (the task's Stop) resolves with no move.
async function search(task, index, limits, quiet = false) {
  const { version } = state;
  let last = null;
  const found = await engine.think(P.searchRequest(state.record, index, limits), (line) => {
    const detail = readDetail(line);
    if (!detail) return;
    last = detail;
    if (quiet || version !== state.version) return;
    // An analysis shows its deepest line: each of its searches passes the depths of the last.
    const shown = state.live;
    if (task.kind === 'analysis' && shown && shown.version === version && shown.index === index &&
        shown.kind === 'analysis' && shown.detail.depth > detail.depth) return;
    // An analysis counts the nodes of all its searches of the position.
    const ms = Date.now() - task.started;
    const nps = task.kind === 'analysis' && ms > 0 ? Math.round(((task.nodes + detail.nodes) * 1000) / ms) : detail.nps;
    state.live = { detail, version, index, kind: task.kind, ms, nps };
    renderPanel();
    drawLine();
  }).catch((error) => {
    if (error instanceof Stopped) return null;
    throw error;
  });
  return found && { cell: P.readCell(found.reply), ms: found.ms, detail: last };
}

function engineMoveIfDue() {
  const { person, level, turnMs } = settings();
  if (person === 'both' || state.task || state.editing || state.failure || !atEnd()) return;
  if (gameOverAt(state.view) || P.toMoveAt(state.record, state.view) === person) return;
  runTask('move', async (task) => {
    const found = await search(task, state.view, { turnMs, maxDepth: 0, maxNodes: LEVELS[level - 1].nodes });
    const record = { ...state.record, moves: [...state.record.moves] };
    record.moves.push({ cell: found.cell, engine: true, ms: found.ms, detail: found.detail });
    setRecord(record, record.moves.length);
  });
}

function hint() {
  const index = state.view;
  runTask('hint', async (task) => {
    const found = await search(task, index, { turnMs: settings().turnMs, maxDepth: 0, maxNodes: 0 });
    state.hint = { cell: found.cell, version: state.version, index };
  });
}

// Searches the position shown, step after step, until Stop, a decided score, a move that needs
// no search, or the time chosen. Moving through the game or playing on starts it again on the
// new position.
function analyse() {
  const limitMs = Number($('analysis-limit').value);
  runTask('analysis', async (task) => {
    let version = -1;
    let index = -1;
    let end = 'Analysis stopped.';
    while (!task.stop) {
      if (version !== state.version || index !== state.view) {
        ({ version } = state);
        index = state.view;
        task.started = Date.now();
        task.nodes = 0;
      }
      if (gameOverAt(index)) {
        end = 'The game is over in this position.';
        break;
      }
      if (Date.now() - task.started >= limitMs) {
        end = `Analysis ended after ${limitMs / 1000} s.`;
        break;
      }
      const found = await search(task, index, { turnMs: ANALYSIS_STEP_MS, maxDepth: 0, maxNodes: 0 });
      if (task.stop) break;
      if (version !== state.version || index !== state.view) continue;
      const { detail } = found;
      task.nodes += detail ? detail.nodes : 0;
      if (!detail) {
        end = 'The engine shows no thinking (no detail lines).';
        break;
      }
      if (isDecided(knownScore(detail))) {
        end = 'Analysis ended: the result is decided.';
        break;
      }
      if (detail.depth === 0 && detail.reason !== 'stopped') {
        end = 'Analysis ended: the move needs no search.';
        break;
      }
    }
    state.message = end;
  });
}

// Searches every position of the game to the same node budget, then marks the moves after
// which the result swung.
function review() {
  const { record } = state;
  if (!record.moves.length) return say('There is no move to review.');
  runTask('review', async (task) => {
    const results = [];
    state.review = {
      version: state.version, results, marks: [], done: 0, total: record.moves.length + 1,
      started: task.started, stopped: false,
    };
    for (let i = 0; i <= record.moves.length && !task.stop; i++) {
      const outcome = P.outcomeAt(record, i);
      const result = outcome ? { over: Boolean(outcome.winner) }
        : await search(task, i, { turnMs: REVIEW_TURN_MS, maxDepth: 0, maxNodes: REVIEW_NODES }, true);
      if (task.stop) break;
      results[i] = result;
      state.review.done = i + 1;
      renderReview();
    }
    state.review.marks = reviewMarks(record, results);
    state.review.stopped = task.stop;
  });
}

// Stops an analysis or a review: at once where the engine can end its search, else when the
// search under way ends (within a step of the analysis).
function stop() {
  if (!state.task) return;
  state.task.stop = true;
  engine.stop();
  render();
}

function restartEngine() {
  state.failure = '';
  runTask('restart', () => engine.restart());
}

// ---- Drawing the rest ------------------------------------------------------------------------------

const KIND_NAMES = { move: 'The engine\'s move', hint: 'Hint', analysis: 'Analysis', review: 'Review' };

function renderPanel() {
  const { live } = state;
  const panel = $('panel');
  const lineText = $('panel-line');
  if (!live || live.version !== state.version) {
    panel.textContent = 'The engine\'s depth, score and best line show here while it thinks.';
    lineText.textContent = '';
    return;
  }
  const { detail } = live;
  const toMove = capitalised(P.toMoveAt(state.record, live.index));
  const depth = detail.depth === 0 && detail.reason ? `no search (${detail.reason})` : `depth ${detail.depth}`;
  const ms = live.kind === 'analysis' ? live.ms : detail.time;
  panel.textContent = `${KIND_NAMES[live.kind]}, ${toMove} to move: ${depth}, ${scoreText(knownScore(detail))}, ` +
    `${speedText(live.nps || 0)}, ${(ms / 1000).toFixed(1)} s`;
  panel.dataset.depth = detail.depth;
  lineText.textContent = detail.pv.length ? `Line: ${detail.pv.map(cellName).join(' ')}` : '';
}

function detailText(detail) {
  if (!detail) return '';
  const depth = detail.depth === 0 && detail.reason ? detail.reason : `depth ${detail.depth}`;
  return `; ${depth}, ${scoreText(knownScore(detail))}, ${detail.nodes} nodes, line ${detail.pv.map(cellName).join(' ')}`;
}

function markText(mark) {
  const mover = P.toMoveAt(state.record, mark.move);
  const what = mark.kind === 'loses' ? `after it ${P.other(mover)} wins by force` : `it lets ${mover}'s forced win slip`;
  return `${what}; better ${cellName(mark.better)} (line ${mark.line.map(cellName).join(' ')})`;
}

function renderMoves() {
  const list = $('moves');
  list.replaceChildren();
  const review = state.review && state.review.version === state.version ? state.review : null;
  const marks = new Map((review ? review.marks : []).map((mark) => [mark.move, mark]));
  state.record.moves.forEach((move, i) => {
    const item = document.createElement('li');
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'move';
    if (i + 1 === state.view) button.setAttribute('aria-current', 'step');
    const colour = capitalised(P.toMoveAt(state.record, i));
    button.textContent = `${colour} ${cellName(move.cell)}` +
      (move.engine ? ` (engine, ${move.ms} ms${detailText(move.detail)})` : '');
    button.addEventListener('click', () => browse(i + 1));
    item.appendChild(button);
    const mark = marks.get(i);
    if (mark) {
      const note = document.createElement('button');
      note.type = 'button';
      note.className = 'mark';
      note.dataset.move = i + 1;
      note.textContent = `?? ${markText(mark)}`;
      note.title = 'Show the position before this move and the better line';
      note.addEventListener('click', () => browse(i));
      item.appendChild(note);
    }
    list.appendChild(item);
  });
  // The move shown stays in sight, without scrolling the page.
  const current = list.querySelector('[aria-current]');
  if (current) list.scrollTop = current.offsetTop - list.clientHeight / 2;
}

function renderReview() {
  const review = state.review && state.review.version === state.version ? state.review : null;
  const running = Boolean(state.task && state.task.kind === 'review');
  const progress = $('review-progress');
  progress.hidden = !running;
  $('cancel-review').hidden = !running;
  $('graph').toggleAttribute('hidden', !review);  // an SVG element has no hidden property
  if (!review) {
    $('review-text').textContent = '';
    return;
  }
  progress.max = review.total;
  progress.value = review.done;
  if (running) {
    const perPosition = (Date.now() - review.started) / Math.max(1, review.done);
    const left = Math.round(((review.total - review.done) * perPosition) / 1000);
    $('review-text').textContent = `${review.done} of ${review.total} positions, about ${left} s left.`;
  } else {
    const count = review.marks.length;
    $('review-text').textContent = (review.stopped ? `Review cancelled after ${review.done} positions. ` : '') +
      (count ? `${count} move${count > 1 ? 's' : ''} marked ?? in the move list, where the result swung.`
        : 'No move swung the result.');
  }
  drawGraph(review);
}

// The score of every position from black's view: up is good for black; marked moves in red.
function drawGraph(review) {
  const graph = $('graph');
  graph.replaceChildren();
  const width = 600;
  const x = (i) => 8 + (i * (width - 16)) / Math.max(1, review.total - 1);
  const y = (height) => 60 - 52 * height;
  element('line', { class: 'axis', x1: 0, y1: 60, x2: width, y2: 60 }, graph);
  const points = [];
  review.results.forEach((result, i) => {
    const height = graphHeight(state.record, i, result);
    if (height !== null) points.push([x(i), y(height), i]);
  });
  element('polyline', { class: 'curve', points: points.map(([px, py]) => `${px},${py}`).join(' ') }, graph);
  const marked = new Set(review.marks.map((mark) => mark.move + 1));
  for (const [px, py, i] of points) {
    const dot = element('circle', {
      class: `point${marked.has(i) ? ' marked' : ''}${i === state.view ? ' shown' : ''}`,
      cx: px, cy: py, r: marked.has(i) ? 5 : 3.5, 'data-index': i,
    }, graph);
    dot.addEventListener('click', () => browse(i));
  }
}

function statusText() {
  const { record, view, task } = state;
  if (state.message) return state.message;
  if (state.failure) return `${state.failure} Restart the engine to go on; the game is kept.`;
  if (state.editing) return 'Setting up: click a cell to put a stone there or take one away, choose the side to move, then Done.';
  if (task) {
    if (task.stop) return 'Stopping…';
    return { move: 'The engine is thinking…', hint: 'The engine is looking for a hint…', analysis: 'Analysing…',
      review: 'Reviewing the game…', restart: 'Restarting the engine…' }[task.kind];
  }
  const { person } = settings();
  const outcome = gameOverAt(view);
  if (outcome && outcome.winner) {
    const who = person === 'both' ? '' : outcome.winner === person ? ' You win.' : ' The engine wins.';
    return `${capitalised(outcome.winner)} wins with five in a row (${outcome.five.map(cellName).join(' ')}).${who}`;
  }
  if (outcome) return 'The board is full: the game is a draw.';
  const toMove = P.toMoveAt(record, view);
  const where = atEnd() ? '' : `Move ${view} of ${record.moves.length}: `;
  const hinted = state.hint && state.hint.version === state.version && state.hint.index === view
    ? ` The engine suggests ${cellName(state.hint.cell)}.` : '';
  if (person === 'both') return `${where}${capitalised(toMove)} to move.${hinted}`;
  if (toMove !== person) return `${where}The engine (${toMove}) is to move.`;
  return `${where}Your move (${toMove}).${hinted}`;
}

function render() {
  drawStones();
  const { record, view, task } = state;
  const stones = state.editing ? state.editing.stones : P.stonesAt(record, view);
  const numbers = new Map(record.moves.slice(0, view).map((move, i) => [move.cell, i + 1]));
  [...$('cells').children].forEach((rect, cell) => {
    const colour = stones.get(cell);
    const number = numbers.get(cell);
    const content = colour ? `${colour}${number && !state.editing ? `, move ${number}` : ''}` : 'empty';
    rect.setAttribute('aria-label', `${cellName(cell)}, ${content}`);
  });
  const status = $('status');
  status.textContent = statusText();
  status.classList.toggle('failure', Boolean(state.failure));
  const { person, level, turnMs } = settings();
  $('game-header').textContent = person === 'both'
    ? 'You play both sides; the engine only analyses and hints.'
    : `You play ${person} against level ${level} (${LEVELS[level - 1].name}), ${turnMs / 1000} s per move.`;
  $('shown').textContent = `Move ${view} of ${record.moves.length}`;
  renderPanel();
  renderMoves();
  renderReview();

  const busy = Boolean(task);
  const editing = Boolean(state.editing);
  const analysing = Boolean(task && task.kind === 'analysis');
  for (const id of ['to-start', 'back']) $(id).disabled = editing || view === 0;
  for (const id of ['forward', 'to-end']) $(id).disabled = editing || atEnd();
  $('play-here').disabled = busy || editing || atEnd();
  $('turn').setAttribute('aria-pressed', String(state.turned));
  const idle = !busy && !editing;
  for (const id of ['new-game', 'edit', 'set-moves', 'load', 'colour']) $(id).disabled = !idle;
  $('undo').disabled = !idle || !record.moves.length;
  const engineFree = idle && !state.failure && !gameOverAt(view);
  $('analyse').disabled = !engineFree;
  $('analysis-limit').disabled = busy;
  $('hint').disabled = !engineFree || (person !== 'both' && P.toMoveAt(record, view) !== person);
  $('review').disabled = !idle || Boolean(state.failure) || !record.moves.length;
  $('stop').disabled = !analysing || task.stop;
  $('restart').hidden = !state.failure;
  $('restart').disabled = busy;
  $('edit-tools').hidden = !editing;
  $('edit').hidden = editing;
  document.body.dataset.state = busy ? `busy ${task.kind}` : editing ? 'editing' : 'idle';
}

// ---- Start -------------------------------------------------------------------------------------------

function onPageKey(event) {
  if (event.target.closest('input, select, textarea, #cells') || event.altKey || event.ctrlKey || event.metaKey) return;
  const moves = { ArrowLeft: state.view - 1, ArrowRight: state.view + 1, Home: 0, End: state.record.moves.length };
  if (!(event.key in moves) || state.editing) return;
  event.preventDefault();
  browse(moves[event.key]);
}

function start() {
  LEVELS.forEach((level, i) => {
    const option = document.createElement('option');
    option.value = String(i + 1);
    option.textContent = `${i + 1}: ${level.name}`;
    $('level').appendChild(option);
  });
  $('level').value = '3';
  if (location.hash.length > 1) {
    // A shared position opens ready to analyse: no engine plays a side.
    const read = P.readLink(location.hash.slice(1));
    if (read.error) {
      state.message = read.error;
    } else {
      setRecord(read.record, read.view);
      state.turned = read.turned;
      $('colour').value = 'both';
    }
  }
  $('engine-source').textContent = engine.where;
  drawGrid();
  $('cells').addEventListener('keydown', onBoardKey);
  document.addEventListener('keydown', onPageKey);
  const on = (id, type, handler) => $(id).addEventListener(type, handler);
  on('to-start', 'click', () => browse(0));
  on('back', 'click', () => browse(state.view - 1));
  on('forward', 'click', () => browse(state.view + 1));
  on('to-end', 'click', () => browse(state.record.moves.length));
  on('play-here', 'click', playFromHere);
  on('turn', 'click', turnBoard);
  on('analyse', 'click', analyse);
  on('stop', 'click', stop);
  on('hint', 'click', hint);
  on('show-line', 'change', render);
  on('new-game', 'click', newGame);
  on('undo', 'click', undo);
  on('restart', 'click', restartEngine);
  on('numbers', 'change', render);
  for (const id of ['colour', 'level', 'turn-ms']) on(id, 'change', () => say(''));
  on('colour', 'change', changed);
  on('edit', 'click', startEditing);
  on('edit-clear', 'click', () => { state.editing.stones.clear(); render(); });
  on('edit-done', 'click', finishEditing);
  on('edit-cancel', 'click', () => { state.editing = null; say(''); });
  on('set-moves', 'click', setMoves);
  on('save', 'click', save);
  on('load', 'change', load);
  on('copy', 'click', () => copy(movesText(), 'The moves'));
  on('copy-link', 'click', () => copy(location.href, 'The link'));
  on('review', 'click', review);
  on('cancel-review', 'click', stop);
  // A closed tab ends its engine process at once rather than when the server finds it idle.
  window.addEventListener('pagehide', () => engine.close());
  changed();
}

start();
