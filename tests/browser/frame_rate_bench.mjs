// Frames per second of `steering` in headless Chromium with 1,000 agents walking to a click:
// the page records the time of every frame it is shown; this prints the rate over a few
// seconds and the longest gap between two frames. A measurement, never a pass/fail test.
//   node frame_rate_bench.mjs WEB_FOLDER
import {serveFolder, launchChromium, openProgram, canvasBox, framesPass} from './page_host.mjs';
import {kMenuBarHeight} from './pixels.mjs';

const kAgents = 1000;
const kMeasureMilliseconds = 5000;

const {server, url} = await serveFolder(process.argv[2]);
const browser = await launchChromium();
try {
  const {page, errors} = await openProgram(browser, url, 'steering');
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
  }, kMeasureMilliseconds);
  let longest = 0;
  for (let i = 1; i < times.length; ++i) longest = Math.max(longest, times[i] - times[i - 1]);
  const seconds = (times[times.length - 1] - times[0]) / 1000;
  console.log(`steering in headless Chromium, ${kAgents + 1} agents walking: ` +
              `${((times.length - 1) / seconds).toFixed(1)} frames/s (goal >= 95), ` +
              `longest frame ${longest.toFixed(1)} ms (goal <= 16)` + (errors.length ? `; console errors: ${errors}` : ''));
} finally {
  await browser.close();
  server.close();
}
