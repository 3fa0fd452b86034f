#include "search/root.hpp"

#include <algorithm>
#include <array>

#include "board/gains.hpp"
#include "board/threats.hpp"
#include "platform/clock.hpp"
#include "search/candidates.hpp"
#include "search/defence.hpp"
#include "search/timer.hpp"
#include "tree/child_move.hpp"
#include "tree/moves.hpp"
#include "tree/node.hpp"

namespace quoll {

namespace {

// First empty cell of the first window matching the colour's clean four: a five to complete.
// A four whose cell is unavailable is passed over: neither side can complete it there.
template <Colour C>
Cell fiveCompletion(const EngineState& state) {
    for (int w = 0; w < kWindowCount; ++w) {
        if (!matchesPattern<C>(state.windowCodes[w], 4 * kInUnit<C>)) continue;
        for (int i = 0; i < 5; ++i) {
            const Cell cell = windowCell(w, i);
            if (state.board[cell] == kEmpty && !state.unavailable[cell]) return cell;
        }
    }
    return kNoCell;
}

// Distance in moves of a decided score; 225 when the game is not decided.
int decidedDistance(int score) {
    if (score >= kWinThreshold) return kWinScore - score;
    if (score <= -kWinThreshold) return kWinScore + score;
    return kCellCount;
}

// Stable: equal scores keep their present order. Insertion sort: no heap, at most 225 cells.
void stableSortByScore(CandidateList& list, const std::array<Score, kCellCount>& score) {
    for (int i = 1; i < list.count; ++i) {
        const Cell cell = list.cells[i];
        int j = i;
        for (; j > 0 && score[list.cells[j - 1]] < score[cell]; --j)
            list.cells[j] = list.cells[j - 1];
        list.cells[j] = cell;
    }
}

}  // namespace

Cell searchRoot(EngineState& state, RootReport* report, Depth lastDepth,
                IterationListener onIteration) {
    RootReport discarded;
    RootReport& progress = report ? *report : discarded;
    progress = RootReport{};
    const std::uint8_t* board = state.board.data();
    const WindowCode* codes = state.windowCodes.data();

    // 1. The root's records, built from the board.
    GainMap ownGain, oppGain;
    buildGainMap<Colour::Own>(ownGain, board, codes);
    buildGainMap<Colour::Opponent>(oppGain, board, codes);
    NeighbourCounts neighbourCount;
    CandidateList list;
    buildRootList(list, board, neighbourCount);
    LinkPool ownPool, oppPool;
    ThreatTracker ownThreats, oppThreats;
    buildThreatTracker<Colour::Own>(ownThreats, board, codes, ownPool);
    buildThreatTracker<Colour::Opponent>(oppThreats, board, codes, oppPool);
    const Score rootEval = staticEval(codes);
    // Unavailable cells are never the answer. They stay in the list behind its searchable part,
    // so the tree below the root still sees them as cells to play.
    const CellFlags& unavailable = state.unavailable;
    keepCandidates(list, [&](Cell c) { return !unavailable[c]; });

    // 2. A five to complete.
    if (const Cell five = fiveCompletion<Colour::Own>(state); five != kNoCell) {
        progress.answer = RootAnswer::Five;
        progress.answerScore = static_cast<Score>(kWinScore - 1);
        return five;
    }
    // 3. The opponent's five to block.
    progress.answer = RootAnswer::Block;
    if (const Cell block = fiveCompletion<Colour::Opponent>(state); block != kNoCell) return block;
    // 4. A double four of our own.
    progress.answer = RootAnswer::DoubleFour;
    for (int g = 0; g < ownThreats.fourGroupCount; ++g)
        if (!unavailable[ownThreats.fourGroups[g].owner]) return ownThreats.fourGroups[g].owner;

    // 5. Opponent double fours: only cells that answer all of them, or make a four of our own.
    // The tree's multiFourFilter keeps the same cells but moves them to the front; the root
    // keeps them in the list's order, as its stable sort by score breaks ties by that order.
    if (const int k = oppThreats.fourGroupCount; k >= 1) {
        const std::array<Cell, 3> answers = answersToEveryMultiFour(oppThreats);
        keepCandidates(list, [&](Cell c) {
            return std::find(answers.begin(), answers.end(), c) != answers.end() ||
                   ownThreats.fourSlot[c] != kNoCell;
        });
        if (!hasMoves(list)) {
            // None left: the cell that answers the most of them, the lowest on ties.
            Cell best = kNoCell;
            int bestAnswered = 0;
            for (Cell c = 0; c < kCellCount; ++c)
                if (const int answered = k - unansweredDoubleFours(oppThreats, c);
                    !unavailable[c] && answered > bestAnswered) {
                    best = c;
                    bestAnswered = answered;
                }
            progress.answer = RootAnswer::Defence;
            if (best != kNoCell) return best;
        }
    }

    // 6. Only cells that meet the opponent's four-three combinations, or make a four.
    DefenceMask mask;
    combinationFilter(list, ownThreats, defenceMaskForList(mask, ownThreats, oppThreats, list));

    // 7. No choice left: the best empty cell by gain, or the one candidate.
    const int choices = list.count > list.next ? list.count - list.next : 0;
    progress.answer = choices == 0 ? RootAnswer::NoCandidates : RootAnswer::OnlyMove;
    if (choices == 0) {
        Cell best = kNoCell;
        int bestGain = -kInfinity;
        for (int c = 0; c < kCellCount; ++c)
            if (board[c] == kEmpty && !unavailable[c] && ownGain.gain[c] > bestGain) {
                bestGain = ownGain.gain[c];
                best = static_cast<Cell>(c);
            }
        return best;
    }
    if (choices == 1) return list.cells[0];

    // 8. The root's key and move order: static gains first.
    const HashKey rootKey{positionKey(state.board, state.firstColour, state.colourToMove),
                          state.firstColour};
    std::array<Score, kCellCount> rootOrderScore = ownGain.gain;
    Cell bestMove = kNoCell;

    // 9. Table probe: a proven result deep enough is played at once, else its move goes first.
    if (const TTEntry entry = readEntry(state.table, rootKey.key);
        holdsPosition(entry, rootKey.key)) {
        const Score lower = scoreFromTable(entry.lower, -entry.ply);
        const Score upper = scoreFromTable(entry.upper, -entry.ply);
        const bool listed = positionOf(list, list.next, entry.move) >= 0;
        if ((lower >= kWinThreshold || upper <= -kWinThreshold) && listed && lower == upper &&
            decidedDistance(lower) <= entry.depth / kPlyUnit) {
            progress.answer = RootAnswer::Table;
            progress.answerScore = lower;
            return entry.move;
        }
        if (listed) {
            rootOrderScore[entry.move] = kInfinity;
            bestMove = entry.move;
        }
    }

    // 10. Iterative deepening from four plies, one ply at a time. Out of time (or nodes), the
    // answer is the best move so far: without a move from the table or an earlier call, the
    // best cell by the root's order is still a legal answer, where no answer would forfeit the
    // game. Its score is known once a move of this or an earlier iteration has one.
    progress.answer = RootAnswer::Searched;
    const auto stopped = [&](Score iterationBest) {
        if (iterationBest > -kInfinity) progress.answerScore = iterationBest;
        return bestMove != kNoCell ? bestMove : list.cells[0];
    };
    Score bestScore = -kInfinity;
    for (Depth depth = kRootStartDepth;; depth = static_cast<Depth>(depth + kPlyUnit)) {
        // 10.1 The moves in the order of the last iteration's scores.
        list.next = 0;
        stableSortByScore(list, rootOrderScore);
        const Score alpha0 = bestScore;
        const auto childDepth = static_cast<Depth>(depth - kPlyUnit);
        // What every child reads: the root's records, built from the board.
        NodeFrame children =
            NodeFrame::forChildren(ownGain, oppGain, list, ownThreats, oppThreats, rootKey);
        while (bestScore < kInfinity && list.next < list.count) {
            list.cur = list.next++;
            const Cell m = list.cells[list.cur];
            const ChildMove<Colour::Own> child(state, children, rootEval);
            // 10.2 Once a move has raised the score, a zero-window test first.
            if (alpha0 < bestScore) {
                const auto s = static_cast<Score>(-nonPvSearch<Colour::Opponent>(
                    state, children, childDepth, 1, static_cast<Score>(-bestScore - 1),
                    static_cast<Score>(-bestScore)));
                // Out of time: the iteration is not complete, and nothing of it is stored.
                if (searchTimer.stopFlag) return stopped(bestScore);
                if (s <= bestScore) {
                    rootOrderScore[m] = -kInfinity;
                    continue;
                }
            }
            // 10.3 The full-window search.
            const auto s = static_cast<Score>(-pvSearch<Colour::Opponent>(
                state, children, childDepth, 1, -kInfinity, static_cast<Score>(-bestScore)));
            // 10.4 Out of time.
            if (searchTimer.stopFlag) return stopped(bestScore);
            // 10.5 A better move leads the next iteration; the others go behind it.
            if (s > bestScore) {
                bestScore = s;
                bestMove = m;
                rootOrderScore[m] = s;
            } else {
                rootOrderScore[m] = -kInfinity;
            }
        }
        // 10.6 The iteration's result into the table and the report.
        storeEntry(state.table, rootKey.key, depth, 0, bestScore, bestScore, bestMove,
                   NodeKind::Pv);
        progress.lastCompletedDepth = depth;
        progress.bestScore = bestScore;
        progress.bestMove = bestMove;
        progress.answerScore = bestScore;
        if (onIteration != nullptr) onIteration(state, progress);

        // 10.7 Stop when decided, past the soft deadline or at the last depth asked for; else
        // reopen the window unless a win was found.
        if (bestScore >= kInfinity || decidedDistance(bestScore) <= depth / kPlyUnit) break;
        if (monotonicNowNs() >= searchTimer.softDeadlineNs) break;
        if (lastDepth > 0 && depth >= lastDepth) break;
        if (bestScore < kWinThreshold) bestScore = -kInfinity;
    }
    return bestMove;
}

}  // namespace quoll
