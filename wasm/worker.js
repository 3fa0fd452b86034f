// The engine as a Web Worker: quoll-worker.js, with quoll-worker.wasm beside it. Protocol lines
// go in as messages and each reply line comes out as a message:
//
//   const engine = new Worker('quoll-worker.js');
//   engine.onmessage = (event) => show(event.data);  // one reply line: a string, no line feed
//   engine.postMessage('START 15');                   // one protocol line: a string
//
// Lines posted before the engine has loaded wait for it. Each command is handled to its end
// before the next message is read, as pbrain-quoll reads its input, so a search keeps the
// worker busy for its time: to stop one sooner, terminate the worker and start another. A
// message may hold several lines (split at its line feeds); one that is not a string is
// ignored. After END the worker closes. Under Node.js the same file runs as a worker thread
// (worker_threads), its messages passing through the parent port.
//
// This file is the start of quoll-worker.js (Emscripten's --pre-js): `Module` is the module
// that the rest of the file loads.

var quollHost = (function () {
  if (typeof importScripts === 'function') {
    return {
      post: (line) => self.postMessage(line),
      listen: (take) => { self.onmessage = (event) => take(event.data); },
      close: () => self.close(),
    };
  }
  const port = require('worker_threads').parentPort;
  return {
    post: (line) => port.postMessage(line),
    listen: (take) => port.on('message', take),
    close: () => port.close(),
  };
})();

var quollWaiting = [];  // lines posted before the module was ready; null once it is
var quollRunning = true;
var quollEncoder = new TextEncoder();
var quollDecoder = new TextDecoder();

// A line's bytes and line feed, handed to the engine a buffer's piece at a time.
function quollTakeLine(line) {
  if (typeof line !== 'string' || !quollRunning) return;
  if (quollWaiting !== null) {
    quollWaiting.push(line);
    return;
  }
  const bytes = quollEncoder.encode(line + '\n');
  const pieceBytes = Module['_quollPieceBytes']();
  for (let at = 0; at < bytes.length && quollRunning; at += pieceBytes) {
    const part = bytes.subarray(at, at + pieceBytes);
    HEAPU8.set(part, Module['_quollPiece']());
    quollRunning = Module['_quollReceive'](part.length) !== 0;
  }
  if (!quollRunning) quollHost.close();
}

// Each reply line of the engine, as its bytes (UTF-8) without the line feed (worker.cpp).
function quollPostReply(bytes) {
  quollHost.post(quollDecoder.decode(bytes));
}
// Anything on the standard output (nothing, as the replies have their own way) goes the same way.
Module['print'] = (line) => quollHost.post(line);
Module['onRuntimeInitialized'] = () => {
  Module['_quollStart']();
  const waiting = quollWaiting;
  quollWaiting = null;
  waiting.forEach(quollTakeLine);
};
quollHost.listen(quollTakeLine);
