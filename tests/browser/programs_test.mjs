// The three programs in headless Chromium, worked as a person would: real mouse clicks and
// key presses on the canvas, and checks of what the canvas then shows.
//   node programs_test.mjs WEB_FOLDER [PICTURE.png]   (the picture: the page with agents walking)
import {serveFolder, launchChromium, openProgram, canvasBox, canvasPixels, framesPass} from './page_host.mjs';
import {colourStats, kMenuBarHeight} from './pixels.mjs';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const kTeal = [0, 200, 200];     // the agents' brush in all three programs
const kBlue = [0, 0, 255];       // the steering grid overlay's pen
const kDropDown = [250, 250, 250];  // an open drop-down menu's background
let failures = 0;

function check(name, ok, detail) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${name}${detail ? ': ' + detail : ''}`);
  if (!ok) ++failures;
}

// Real mouse events at a client-area point (the canvas also holds the menu bar above it).
async function clickClient(page, x, y, button = 'left') {
  const box = await canvasBox(page);
  await page.mouse.click(box.x + x, box.y + kMenuBarHeight + y, {button});
}
async function clickWindow(page, x, y) {
  const box = await canvasBox(page);
  await page.mouse.click(box.x + x, box.y + y);
}
const distance = (s, [x, y]) => Math.hypot(s.x - x, s.y - y);

// Agents gathering at a target: teal pixels within 40 px of it, polled while frames pass,
// until `wanted` more than at the start or maxFrames. Returns the counts at start and end.
async function agentsGatherAt(page, [x, y], wanted, maxFrames) {
  const box = {left: x - 40, top: y - 40, right: x + 40, bottom: y + 40};
  const start = colourStats(await canvasPixels(page), kTeal, box).count;
  let now = start;
  for (let frames = 0; frames < maxFrames && now < start + wanted; frames += 20) {
    await framesPass(page, 20);
    now = colourStats(await canvasPixels(page), kTeal, box).count;
  }
  return [start, now];
}

async function endsWithCode0(page, program) {
  await page.waitForFunction(() => Module.ended, {timeout: 10000}).catch(() => {});
  const status = await page.$eval('#status', (e) => e.textContent);
  check(`${program}: the program ends`, status.includes('exit code 0'), status);
}

async function testSteering(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering');
  // A click sends the agent there and puts the Insert point there; Insert adds five.
  const first = [300, 200];
  await clickClient(page, ...first);
  await framesPass(page, 5);
  const before = colourStats(await canvasPixels(page), kTeal, {left: 250, top: 150, right: 350, bottom: 250});
  await page.keyboard.press('Insert');
  await framesPass(page, 30);
  const after = colourStats(await canvasPixels(page), kTeal, {left: 250, top: 150, right: 350, bottom: 250});
  check('steering: Insert adds agents at the clicked point', after.count >= before.count + 40,
        `teal pixels near the click ${before.count} -> ${after.count}`);

  const second = [520, 330];
  const start = colourStats(await canvasPixels(page), kTeal);
  await clickClient(page, ...second);
  await framesPass(page, 60);
  const walked = colourStats(await canvasPixels(page), kTeal);
  check('steering: the agents walk towards a left click', distance(walked, second) < distance(start, second) - 40,
        `centre of the agents ${distance(start, second).toFixed(0)} -> ${distance(walked, second).toFixed(0)} px from the click`);
  if (process.argv[3]) await page.screenshot({path: process.argv[3], clip: {x: 0, y: 0, width: 680, height: 800}});

  // Debug, Grid by mouse: the drop-down shows, the grid's blue lines cover the window.
  const plain = colourStats(await canvasPixels(page), kBlue).count;
  await clickWindow(page, 58, 10);
  await framesPass(page, 2);
  const open = colourStats(await canvasPixels(page), kDropDown).count;
  check('steering: a click on Debug opens its drop-down', open > 1000, `${open} drop-down pixels`);
  await clickWindow(page, 70, kMenuBarHeight + 2 + 18 + 9);  // second item: Grid
  await framesPass(page, 3);
  const grid = colourStats(await canvasPixels(page), kBlue).count;
  check('steering: Debug, Grid draws the neighbour grid', grid > plain + 5000, `blue pixels ${plain} -> ${grid}`);
  // And off again by keyboard: Alt+D opens Debug, G chooses Grid.
  await page.keyboard.down('Alt');
  await page.keyboard.press('KeyD');
  await page.keyboard.up('Alt');
  await framesPass(page, 2);
  await page.keyboard.press('KeyG');
  await framesPass(page, 3);
  const off = colourStats(await canvasPixels(page), kBlue).count;
  check('steering: Alt+D, G takes the grid away', off < grid - 5000, `blue pixels ${grid} -> ${off}`);

  // Arrows and Page Down reach the program and do not scroll the page.
  const view = colourStats(await canvasPixels(page), [0, 200, 0]);
  for (const key of ['ArrowDown', 'ArrowDown', 'ArrowRight', 'PageDown', 'PageDown']) await page.keyboard.press(key);
  await framesPass(page, 3);
  const moved = colourStats(await canvasPixels(page), [0, 200, 0]);
  const scrollY = await page.evaluate(() => window.scrollY);
  check('steering: arrows and Page Down move the view, not the page',
        scrollY === 0 && Math.abs(moved.count - view.count) > 500, `wall pixels ${view.count} -> ${moved.count}, page scrollY ${scrollY}`);
  // Back to the first view; two Deletes remove all six agents (five oldest each).
  for (const key of ['PageUp', 'PageUp', 'ArrowUp', 'ArrowUp', 'ArrowLeft']) await page.keyboard.press(key);
  await framesPass(page, 3);
  const six = colourStats(await canvasPixels(page), kTeal).count;
  for (let i = 0; i < 2; ++i) await page.keyboard.press('Delete');
  await framesPass(page, 3);
  const none = colourStats(await canvasPixels(page), kTeal).count;
  check('steering: Delete removes the agents', six > 100 && none === 0, `teal pixels ${six} -> ${none}`);

  await page.keyboard.press('Escape');
  await endsWithCode0(page, 'steering');
  check('steering: no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

// Downloads the page starts, caught before the browser saves them: [{name, bytes}].
async function catchDownloads(page) {
  await page.evaluate(() => {
    window.caught = [];
    HTMLAnchorElement.prototype.click = function () {
      if (this.download) window.caught.push({name: this.download, href: this.href});
    };
  });
}
async function downloads(page) {
  return page.evaluate(async () => Promise.all(window.caught.map(async ({name, href}) => {
    const bytes = new Uint8Array(await (await fetch(href)).arrayBuffer());
    return {name, bytes: Array.from(bytes)};
  })));
}
const message = (page) => page.$eval('#message', (e) => e.textContent);

// Files in and out of the page: a picked map replaces the running one, a file that is no
// map is refused without touching it, Ctrl+S hands the map back, F12 downloads pictures.
async function testSteeringFiles(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering');
  await catchDownloads(page);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'steering-maps-'));
  const open = new Uint8Array(256 * 256);  // open ground inside a ring of walls
  for (let i = 0; i < 256; ++i) open[i] = open[255 * 256 + i] = open[i * 256] = open[i * 256 + 255] = 15;
  fs.writeFileSync(path.join(folder, 'open.raw'), open);
  fs.writeFileSync(path.join(folder, 'my short map.raw'), new Uint8Array(1000));
  const kWall = [0, 200, 0];
  const picker = await page.$('#mapFile');
  const aboveBand = {left: 0, top: 0, right: 640, bottom: 456};  // the message line's band is below

  // Picks a file, waits until the message names it, and reads the message and the wall pixels.
  const pick = async (name) => {
    await picker.uploadFile(path.join(folder, name));
    await page.waitForFunction((n) => document.getElementById('message').textContent.includes(n), {timeout: 5000}, name)
      .catch(() => {});
    await framesPass(page, 3);
    return {text: await message(page), walls: colourStats(await canvasPixels(page), kWall, aboveBand).count};
  };

  await framesPass(page, 5);
  const walls = colourStats(await canvasPixels(page), kWall, aboveBand).count;
  const {text: refused, walls: unchanged} = await pick('my short map.raw');
  // The reason is also written across the window, on its band at the bottom.
  check('steering: a short file is refused, named as the person named it, with its reason; the map stays',
        refused.includes('"my short map.raw" is short') && !refused.includes('/maps/') &&
        !refused.startsWith('loaded') && Math.abs(unchanged - walls) < walls / 50, `"${refused}", wall pixels ${walls} -> ${unchanged}`);

  const {text: loaded, walls: ring} = await pick('open.raw');
  // Only the ring's top row and left column are in the first view.
  check('steering: a picked map replaces the running one', loaded === 'loaded map "open.raw"' && ring < walls / 2,
        `"${loaded}", wall pixels ${walls} -> ${ring}`);

  await page.keyboard.down('Control');
  await page.keyboard.press('KeyS');
  await page.keyboard.up('Control');
  await page.keyboard.press('F12');
  await page.keyboard.press('F12');
  await page.waitForFunction(() => window.caught.length >= 3, {timeout: 5000}).catch(() => {});
  const got = await downloads(page);
  const names = got.map((d) => d.name).sort().join(', ');
  const map = got.find((d) => d.name === 'open.raw');
  check('steering: Ctrl+S hands back the map as it was loaded', map !== undefined && map.bytes.length === open.length &&
        map.bytes.every((b, i) => b === open[i]), `downloads: ${names}`);
  const pictures = got.filter((d) => /^steering-000[12]\.png$/.test(d.name));
  const png = [137, 80, 78, 71, 13, 10, 26, 10];
  check('steering: F12 twice downloads two numbered PNG pictures', pictures.length === 2 &&
        pictures.every((d) => png.every((b, i) => d.bytes[i] === b)), `downloads: ${names}`);

  await page.keyboard.press('Escape');
  await endsWithCode0(page, 'steering (files)');
  check('steering (files): no console error', errors.length === 0, errors.join(' | '));
  fs.rmSync(folder, {recursive: true});
  await page.close();
}

// Keys while the canvas has the keyboard: every key the program handles is kept from the
// browser (no page scroll, no "Save page as", no developer tools), Tab and Shift+Tab move
// the focus on; the page's own listener sees whether the browser's action was cancelled.
async function testKeys(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering');
  await page.evaluate(() => {
    window.keyLog = [];
    window.addEventListener('keydown', (e) => window.keyLog.push({key: e.key, ctrl: e.ctrlKey, kept: e.defaultPrevented}));
  });
  await catchDownloads(page);
  await clickClient(page, 300, 200);
  const press = async (key, ctrl = false) => {
    if (ctrl) await page.keyboard.down('Control');
    await page.keyboard.press(key);
    if (ctrl) await page.keyboard.up('Control');
    await framesPass(page, 2);
  };
  const programKeys = [['KeyS', true], ['KeyZ', true], ['KeyY', true], ['F12'], ['ArrowLeft'], ['ArrowRight'],
                       ['PageUp'], ['PageDown'], ['Insert'], ['Delete'], ['Digit1'], ['KeyE'], ['KeyE']];
  for (const [key, ctrl] of programKeys) await press(key, ctrl);
  const log = (await page.evaluate(() => window.keyLog)).filter((k) => k.key !== 'Control');
  const leaked = log.filter((k) => !k.kept).map((k) => (k.ctrl ? 'Ctrl+' : '') + k.key);
  check('steering: the program\'s keys do not reach the browser', log.length === programKeys.length && leaked.length === 0,
        `${log.length} of ${programKeys.length} keys seen, left to the browser: ${leaked.join(' ') || 'none'}`);
  await page.waitForFunction(() => window.caught.length >= 2, {timeout: 5000}).catch(() => {});
  const names = (await downloads(page)).map((d) => d.name).sort().join(', ');
  check('steering: Ctrl+S and F12 reach the program (map and picture downloads)', names === 'maptest.raw, steering-0001.png',
        `downloads: ${names}`);
  // A browser shortcut with Ctrl stays the browser's.
  await page.evaluate(() => { window.keyLog = []; });
  await press('KeyD', true);
  const ctrlD = await page.evaluate(() => window.keyLog.find((k) => k.key === 'd' || k.key === 'D'));
  check('steering: Ctrl+D stays the browser\'s', ctrlD !== undefined && !ctrlD.kept, JSON.stringify(ctrlD));

  const focused = () => page.evaluate(() => document.activeElement && (document.activeElement.id || document.activeElement.tagName));
  await clickClient(page, 300, 200);
  await page.keyboard.press('Tab');
  const afterTab = await focused();
  await clickClient(page, 300, 200);
  await page.keyboard.down('Shift');
  await page.keyboard.press('Tab');
  await page.keyboard.up('Shift');
  const afterShiftTab = await focused();
  check('steering: Tab and Shift+Tab move the keyboard out of the picture',
        afterTab !== 'canvas' && afterShiftTab !== 'canvas' && afterTab !== afterShiftTab, `${afterTab}, ${afterShiftTab}`);
  // To another program and back with the browser's Back button: the keys go to the picture.
  await page.goto(url + 'index.html?program=steering_walls');
  await page.waitForFunction(() => window.Module && Module.frames >= 3, {timeout: 20000});
  await page.goBack();
  await page.waitForFunction(() => window.Module && Module.frames >= 3, {timeout: 20000});
  const afterBack = await focused();
  check('steering: after the Back button the picture has the keyboard', afterBack === 'canvas', afterBack);
  check('steering (keys): no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

// Escape ends the program; the page offers to start it again, and it runs from its start.
async function testStartAgain(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering');
  await clickClient(page, 300, 200);
  await page.keyboard.press('Insert');
  await framesPass(page, 10);
  await page.keyboard.press('Escape');
  await endsWithCode0(page, 'steering (start again)');
  const offered = await page.$eval('#restart', (b) => !b.hidden);
  check('steering: after Escape the page offers to start again', offered);
  const framesAtEnd = await page.evaluate(() => Module.frames);
  await page.click('#restart');
  await page.waitForFunction((n) => !Module.ended && Module.frames > n + 20, {timeout: 10000}, framesAtEnd).catch(() => {});
  const state = await page.evaluate(() => ({ended: Module.ended, frames: Module.frames, dimmed: document.getElementById('canvas').classList.contains('ended'),
                                            focus: document.activeElement.id, button: document.getElementById('restart').hidden}));
  // The new run has the start-up agent only: no teal beyond its one disc at (100, 300).
  const teal = colourStats(await canvasPixels(page), kTeal).count;
  check('steering: Start again runs the program afresh without a reload',
        !state.ended && state.frames > framesAtEnd + 20 && !state.dimmed && state.focus === 'canvas' && state.button &&
        teal > 0 && teal < 200, `${JSON.stringify(state)}, teal pixels ${teal}`);
  await clickClient(page, 300, 200);
  await page.keyboard.press('Insert');
  await framesPass(page, 20);
  const more = colourStats(await canvasPixels(page), kTeal).count;
  check('steering: the started-again program takes input', more > teal + 40, `teal pixels ${teal} -> ${more}`);
  await page.keyboard.press('Escape');
  await endsWithCode0(page, 'steering (started again)');
  check('steering (start again): no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

// The page is paced by the display: at most one drawn frame per display frame, and nothing
// runs while the tab is hidden.
async function testPacing(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering');
  // The status says what runs from the first drawn frame on, not "Loading".
  const status = await page.$eval('#status', (e) => e.textContent);
  check('steering: the status line names the running program at once', /^steering( is running\.|: [0-9]+ steps\/s)/.test(status) &&
        !status.includes('Loading'), status);
  const counted = await page.evaluate(() => new Promise((resolve) => {
    let display = 0;
    const draws0 = Module.draws, frames0 = Module.frames;
    const count = () => {
      if (++display < 120) requestAnimationFrame(count);
      else resolve({display, draws: Module.draws - draws0, steps: Module.frames - frames0});
    };
    requestAnimationFrame(count);
  }));
  check('steering: at most one drawn frame per display frame', counted.draws <= counted.display + 1 && counted.steps >= counted.draws,
        JSON.stringify(counted));
  const other = await browser.newPage();
  await other.bringToFront();
  const hidden = await page.evaluate(() => document.visibilityState);
  const before = await page.evaluate(() => [Module.frames, Module.draws]);
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const after = await page.evaluate(() => [Module.frames, Module.draws]);
  await other.close();
  await page.bringToFront();
  check('steering: a hidden tab steps and draws nothing', hidden === 'hidden' && after[0] === before[0] && after[1] === before[1],
        `${hidden}: steps ${before[0]} -> ${after[0]}, drawn ${before[1]} -> ${after[1]}`);
  const resumed = await framesPass(page, 10).then(() => true, () => false);
  check('steering: shown again, it runs on', resumed);
  check('steering (pacing): no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

async function testWalls(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering_walls');
  await framesPass(page, 10);
  const before = colourStats(await canvasPixels(page), kTeal).count;
  await page.keyboard.press('ArrowUp');  // adds five arrivers on release
  await framesPass(page, 40);
  const more = colourStats(await canvasPixels(page), kTeal).count;
  check('steering_walls: Up adds arrivers', more > before + 100, `teal pixels ${before} -> ${more}`);

  // An open square between the wall blocks; the small arrivers crowd into it.
  const target = [160, 380];
  await clickClient(page, ...target);
  const [far, near] = await agentsGatherAt(page, target, 200, 400);
  check('steering_walls: the arrivers gather at a left click', near >= far + 200,
        `teal pixels within 40 px of the click ${far} -> ${near}`);

  // Debug, Grid by mouse draws occupancy shades; again takes them away.
  const shade = [224, 224, 224];
  const plain = colourStats(await canvasPixels(page), shade).count;
  await clickWindow(page, 58, 10);
  await framesPass(page, 2);
  await clickWindow(page, 70, kMenuBarHeight + 2 + 18 + 9);
  await framesPass(page, 3);
  const grid = colourStats(await canvasPixels(page), shade).count;
  check('steering_walls: Debug, Grid shades the occupied cells', grid > plain + 500, `light grey pixels ${plain} -> ${grid}`);
  await clickWindow(page, 58, 10);
  await framesPass(page, 2);
  await clickWindow(page, 70, kMenuBarHeight + 2 + 18 + 9);
  await framesPass(page, 3);
  const off = colourStats(await canvasPixels(page), shade).count;
  check('steering_walls: Debug, Grid again takes them away', off < grid - 500, `light grey pixels ${grid} -> ${off}`);

  await page.keyboard.press('Escape');
  await endsWithCode0(page, 'steering_walls');
  check('steering_walls: no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

async function testBasic(browser, url) {
  const {page, errors} = await openProgram(browser, url, 'steering_basic');
  await framesPass(page, 10);
  const magenta = [255, 0, 255];  // velocity vectors of the overlay
  const plain = colourStats(await canvasPixels(page), magenta).count;
  await page.keyboard.press('Space');
  await framesPass(page, 3);
  const shown = colourStats(await canvasPixels(page), magenta).count;
  check('steering_basic: Space shows the overlay', shown > plain + 50, `magenta pixels ${plain} -> ${shown}`);
  await clickWindow(page, 20, 10);  // File
  await framesPass(page, 2);
  await clickWindow(page, 40, kMenuBarHeight + 2 + 9);  // Debug, the first item
  await framesPass(page, 3);
  const hidden = colourStats(await canvasPixels(page), magenta).count;
  check('steering_basic: File, Debug toggles it off again', hidden < shown - 50, `magenta pixels ${shown} -> ${hidden}`);

  const target = [100, 400];
  await clickClient(page, ...target, 'right');  // the arrivers' target
  const [far, near] = await agentsGatherAt(page, target, 400, 400);
  check('steering_basic: the arrivers gather at a right click', near >= far + 400,
        `teal pixels within 40 px of the click ${far} -> ${near}`);

  // File, Exit by mouse: the last entry, below Debug, Save Picture and a separator.
  await clickWindow(page, 20, 10);
  await framesPass(page, 2);
  await clickWindow(page, 40, kMenuBarHeight + 2 * 18 + 7 + 9);
  await endsWithCode0(page, 'steering_basic');
  check('steering_basic: no console error', errors.length === 0, errors.join(' | '));
  await page.close();
}

const {server, url} = await serveFolder(process.argv[2]);
const browser = await launchChromium();
try {
  await testSteering(browser, url);
  await testSteeringFiles(browser, url);
  await testKeys(browser, url);
  await testStartAgain(browser, url);
  await testPacing(browser, url);
  await testWalls(browser, url);
  await testBasic(browser, url);
} catch (error) {
  check('the browser session ran to its end', false, String(error));
} finally {
  await browser.close();
  server.close();
}
process.exit(failures === 0 ? 0 : 1);
