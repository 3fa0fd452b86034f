// Runs quoll-worker.js in this worker thread as its own worker would run it, and sends with
// each reply line the size of the engine's memory, the WebAssembly module's, as the line left:
// { line, memoryBytes }. The script's path is the thread's workerData.
'use strict';
const fs = require('fs');
const path = require('path');
const vm = require('vm');
const { parentPort, workerData } = require('worker_threads');

const postMessage = parentPort.postMessage.bind(parentPort);
// wasmMemory is one of the script's globals.
parentPort.postMessage = (line) =>
  postMessage({ line, memoryBytes: globalThis.wasmMemory.buffer.byteLength });
// What a worker thread's script finds beside its globals.
globalThis.require = require;
globalThis.__dirname = path.dirname(workerData);
vm.runInThisContext(fs.readFileSync(workerData, 'utf8'), { filename: workerData });
