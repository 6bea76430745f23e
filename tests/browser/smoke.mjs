import {serveFolder, launchChromium, openProgram, canvasPixels} from './page_host.mjs';
const {server, url} = await serveFolder(process.argv[2]);
const browser = await launchChromium();
const {page, errors} = await openProgram(browser, url, process.argv[3] || 'steering');
await new Promise(r => setTimeout(r, 2000));
console.log('frames', await page.evaluate(() => Module.frames), 'errors', errors);
await page.screenshot({path: '/tmp/wt19-shot.png'});
await browser.close(); server.close();
