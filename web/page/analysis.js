// What the page asks of the engine and what it makes of the answers: the levels, the limits of
// an analysis and a review, and the review's judgement of each move.

import { isDecided } from './engine.js';
import { toMoveAt } from './position.js';

// The levels by the nodes the engine may search for a move; 0 is no limit (the time per move
// alone). Each beats the one before it in most games; the README gives the match figures.
export const LEVELS = [
  { name: 'Beginner', nodes: 50 },
  { name: 'Casual', nodes: 500 },
  { name: 'Club', nodes: 5000 },
  { name: 'Expert', nodes: 50000 },
  { name: 'Full strength', nodes: 0 },
];

// An analysis is a run of short searches on the same engine process: its table keeps what each
// found, so each goes deeper than the last, and a Stop takes effect when the current one ends.
export const ANALYSIS_STEP_MS = 700;
// A review searches every position to this many nodes; the time limit only guards against an
// engine that ignores the node limit.
export const REVIEW_NODES = 200000;
export const REVIEW_TURN_MS = 20000;

// The score of a detail line. A double four needs no search and the engine gives it no score,
// but it wins in 3: the four-four, any answer (the opponent has no five to make, or the engine
// would have blocked it), the five.
export const knownScore = (detail) => detail.score || (detail.reason === 'double-four' ? { win: 3 } : null);

// The marks of a review. `results[i]` is the search of position i ({ detail } with its score
// from the side to move's view and its line) or { over: true } for a position whose last move
// made five. A move is marked when after it the mover can be forced to lose and could not
// before ('loses'), or when the mover had a forced win before it and has none after ('misses');
// the mark names the engine's move in the position before, with its line.
export function reviewMarks(record, results) {
  const marks = [];
  for (let i = 0; i < record.moves.length; i++) {
    const before = results[i] && results[i].detail;
    const after = results[i + 1];
    const score = before && knownScore(before);
    if (!score || !before.pv.length || !after) continue;
    // The score after the move, from the mover's view.
    const afterScore = after.detail && knownScore(after.detail);
    const mover = after.over ? { win: 0 } : afterScore && flip(afterScore);
    if (!mover || before.pv[0] === record.moves[i].cell) continue;
    let kind = null;
    if ('loss' in mover && !('loss' in score)) kind = 'loses';
    else if ('win' in score && !('win' in mover)) kind = 'misses';
    if (kind) marks.push({ move: i, kind, better: before.pv[0], line: before.pv });
  }
  return marks;
}

const flip = (score) => ('win' in score ? { loss: score.win } : 'loss' in score ? { win: score.loss } : { value: -score.value });

// A score as a height from -1 (white wins) to 1 (black wins), for the review's graph: decided
// scores at the ends, others squeezed in between; null when the engine gave none.
export function graphHeight(record, index, result) {
  if (result.over) return toMoveAt(record, index) === 'black' ? -1 : 1;
  const score = result.detail && knownScore(result.detail);
  if (!score) return null;
  const forBlack = toMoveAt(record, index) === 'black' ? score : flip(score);
  if (isDecided(forBlack)) return 'win' in forBlack ? 1 : -1;
  return 0.9 * Math.tanh(forBlack.value / 1500);
}
