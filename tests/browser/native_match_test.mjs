// The web build against the native build, for each program:
//  - the trace of every agent in every frame, from the same input file through the native
//    headless driver and through the same driver compiled to WebAssembly (run by node, whose
//    WebAssembly engine is Chromium's), must be identical;
//  - the page in Chromium, stopped at frame N, must show the native driver's picture of
//    frame N (the timing bars aside: they count processor cycles, which WebAssembly cannot).
//   node native_match_test.mjs NATIVE_DRIVER WASM_DRIVER_JS WEB_FOLDER RESOURCES OUT_FOLDER
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {serveFolder, launchChromium, canvasPixels} from './page_host.mjs';
import {differingPixels, readPng, kMenuBarHeight} from './pixels.mjs';

const [nativeDriver, wasmDriver, webFolder, resources, out] = process.argv.slice(2);
const kPrograms = ['steering', 'steering_walls', 'steering_basic'];
const kTraceFrames = 600;
const kPictureFrame = 120;
let failures = 0;

function check(name, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ': ' + detail : ''}`);
  if (!ok) ++failures;
}

function runDriver(command, args, program, extra) {
  execFileSync(command[0], [...command.slice(1), program, '--workdir', resources, ...extra, ...args],
               {stdio: ['ignore', 'ignore', 'inherit']});
}
const native = [nativeDriver];
// Node's fetch would be taken for the browser's by the module loader: the file is read directly.
const wasm = [process.execPath, '--no-experimental-fetch', wasmDriver];

// Rows of the trace without its closing summary (which holds measured times).
const traceRows = (file) => fs.readFileSync(file, 'utf8').split('\n').filter((l) => l && !l.startsWith('#'));

fs.mkdirSync(out, {recursive: true});
for (const program of kPrograms) {
  const input = path.join(resources, `demo-${program}.txt`);
  const files = {native: path.join(out, `${program}-native.csv`), wasm: path.join(out, `${program}-wasm.csv`)};
  for (const [name, command] of [['native', native], ['wasm', wasm]]) {
    runDriver(command, ['--frames', String(kTraceFrames), '--input', input, '--trace', files[name]], program, []);
  }
  const a = traceRows(files.native), b = traceRows(files.wasm);
  const first = a.findIndex((row, i) => row !== b[i]);
  check(`${program}: WebAssembly trace equals the native trace, ${kTraceFrames} frames`,
        a.length > kTraceFrames && a.length === b.length && first === -1,
        first === -1 ? `${a.length} rows` : `first difference at row ${first}: "${a[first]}" vs "${b[first]}"`);
}

const {server, url} = await serveFolder(webFolder);
const browser = await launchChromium();
try {
  for (const program of kPrograms) {
    const png = path.join(out, `${program}-native-${kPictureFrame}.png`);
    runDriver(native, ['--frames', String(kPictureFrame), '--screenshot', png], program, []);
    const page = await browser.newPage();
    await page.goto(`${url}index.html?program=${program}&stopAtFrame=${kPictureFrame}`);
    await page.waitForFunction((n) => window.Module && Module.frames >= n, {timeout: 30000}, kPictureFrame);
    const web = await canvasPixels(page);
    const reference = readPng(png);
    // Client rows 10 and 20 from x = 10 hold the two timing bars (1-pixel pens).
    const bars = (x, y) => x >= 10 && (y === kMenuBarHeight + 10 || y === kMenuBarHeight + 20);
    const sameSize = web.width === reference.width && web.height === reference.height;
    const differing = sameSize ? differingPixels(web, reference, bars) : [];
    check(`${program}: the page at frame ${kPictureFrame} shows the native picture`, sameSize && differing.length === 0,
          sameSize ? `${differing.length} pixels differ${differing.length ? ', first at ' + differing[0] : ''}`
                   : `${web.width}x${web.height} vs ${reference.width}x${reference.height}`);
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}
process.exit(failures === 0 ? 0 : 1);
