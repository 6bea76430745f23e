// What the page costs and how fast it steps, in headless Chromium: the main thread's busy
// share (DevTools performance metrics, TaskDuration) with one agent standing, shown and
// hidden, and the step rate and drawn frames of `steering` with 1,000 agents walking to a
// click, against the native rate (the frame gate's 1000/11 ticks per second). A
// measurement, never a pass/fail test.
//   node frame_rate_bench.mjs WEB_FOLDER
import {serveFolder, launchChromium, openProgram, canvasBox, framesPass} from './page_host.mjs';
import {kMenuBarHeight} from './pixels.mjs';

const kAgents = 1000;
const kMeasureMilliseconds = 5000;
const kNativeStepsPerSecond = 1000 / 11;

// Main-thread busy share, steps and drawn frames of `page` over `ms` milliseconds.
async function measure(page, ms) {
  const cdp = await page.target().createCDPSession();
  await cdp.send('Performance.enable');
  const busy = async () => (await cdp.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const counts = () => page.evaluate(() => [Module.frames, Module.draws]);
  const [steps0, draws0] = await counts();
  const busy0 = await busy();
  const t0 = Date.now();
  await new Promise((resolve) => setTimeout(resolve, ms));
  const busy1 = await busy();
  const seconds = (Date.now() - t0) / 1000;
  const [steps1, draws1] = await counts();
  await cdp.detach();
  return {busy: (100 * (busy1 - busy0)) / seconds, steps: (steps1 - steps0) / seconds, draws: (draws1 - draws0) / seconds};
}

// Counts the page's drawn frames (one onFrame call each) beside its steps, on a page
// that does not count them itself.
async function countDraws(page) {
  await page.evaluate(() => {
    if (Module.draws !== undefined) return;
    Module.draws = 0;
    const onFrame = Module.onFrame;
    Module.onFrame = function (frames) {
      ++Module.draws;
      onFrame.call(this, frames);
    };
  });
}

const {server, url} = await serveFolder(process.argv[2]);
const browser = await launchChromium();
try {
  const {page, errors} = await openProgram(browser, url, 'steering');
  await countDraws(page);
  const rate = await page.evaluate(() => new Promise((resolve) => {
    let n = 0;
    const t0 = performance.now();
    const step = () => (++n < 60 ? requestAnimationFrame(step) : resolve((1000 * n) / (performance.now() - t0)));
    requestAnimationFrame(step);
  }));
  console.log(`display: ${rate.toFixed(1)} frames/s (requestAnimationFrame)`);
  const idle = await measure(page, kMeasureMilliseconds);
  console.log(`one agent standing, shown: main thread busy ${idle.busy.toFixed(1)} % of a core (goal <= 30), ` +
              `${idle.steps.toFixed(1)} steps/s, ${idle.draws.toFixed(1)} frames/s drawn`);
  // Another tab in front hides this one.
  const other = await browser.newPage();
  await other.bringToFront();
  const visibility = await page.evaluate(() => document.visibilityState);
  const hidden = await measure(page, kMeasureMilliseconds);
  console.log(`one agent standing, tab ${visibility}: main thread busy ${hidden.busy.toFixed(1)} % of a core, ` +
              `${hidden.steps.toFixed(1)} steps/s, ${hidden.draws.toFixed(1)} frames/s drawn`);
  await other.close();
  await page.bringToFront();

  const box = await canvasBox(page);
  // Spread the crowd: five agents at each of several points, then send all to one click.
  const points = [[120, 60], [320, 60], [520, 60], [120, 420], [320, 420], [520, 420], [40, 240], [600, 240]];
  for (let i = 0; i < kAgents / 5; ++i) {
    const [x, y] = points[i % points.length];
    if (i < points.length) await page.mouse.click(box.x + x, box.y + kMenuBarHeight + y);
    else if (i % points.length === 0) await framesPass(page, 1);
    if (i >= points.length) await page.mouse.click(box.x + x, box.y + kMenuBarHeight + y);
    await page.keyboard.press('Insert');
  }
  await page.mouse.click(box.x + 320, box.y + kMenuBarHeight + 240);
  await framesPass(page, 100);  // the crowd is on its way
  const times = await page.evaluate(async (ms) => {
    Module.frameTimes = [];
    await new Promise((resolve) => setTimeout(resolve, ms));
    const t = Module.frameTimes;
    Module.frameTimes = null;
    return t;
  }, 2000);
  let longest = 0;
  for (let i = 1; i < times.length; ++i) longest = Math.max(longest, times[i] - times[i - 1]);
  const walking = await measure(page, kMeasureMilliseconds);
  console.log(`${kAgents + 1} agents walking: ${walking.steps.toFixed(1)} steps/s ` +
              `(native ${kNativeStepsPerSecond.toFixed(1)}; goal within 5 %: >= ${(0.95 * kNativeStepsPerSecond).toFixed(1)}), ` +
              `${walking.draws.toFixed(1)} frames/s drawn, longest gap between drawn frames ${longest.toFixed(1)} ms, ` +
              `main thread busy ${walking.busy.toFixed(1)} %` + (errors.length ? `; console errors: ${errors}` : ''));
} finally {
  await browser.close();
  server.close();
}
