// What every browser test needs: the web build served over http on 127.0.0.1 (WebAssembly
// cannot load from a file), the system's Chromium driven through the DevTools protocol, and
// a page per program that records every console error and uncaught exception.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const kTypes = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};

// Serves one folder; resolves to {server, url}.
export function serveFolder(folder) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(folder, name === '/' ? 'index.html' : path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, {'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => resolve({server, url: `http://127.0.0.1:${server.address().port}/`}));
  });
}

export function launchChromium() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    // Root has no sandbox; the window is as large as the page so nothing scrolls.
    args: ['--no-sandbox', '--disable-gpu', '--window-size=900,900', '--disable-background-timer-throttling',
           '--disable-renderer-backgrounding', '--disable-backgrounding-occluded-windows'],
    defaultViewport: {width: 900, height: 900, deviceScaleFactor: 1},
  });
}

// Opens the page of one program and waits for its first frames. query: extra URL parameters.
export async function openProgram(browser, baseUrl, program, query = '') {
  const page = await browser.newPage();
  const errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('requestfailed', (request) => errors.push('request failed: ' + request.url()));
  await page.goto(`${baseUrl}index.html?program=${program}${query}`);
  await page.waitForFunction(() => window.Module && Module.frames >= 3, {timeout: 20000});
  return {page, errors};
}

// Where the canvas is on the page, CSS pixels (one per canvas pixel).
export async function canvasBox(page) {
  const box = await (await page.$('#canvas')).boundingBox();
  return {x: box.x, y: box.y};
}

// The canvas pixels: {width, height, data} with 4 bytes (R, G, B, A) a pixel.
export async function canvasPixels(page) {
  const result = await page.evaluate(() => {
    const c = document.getElementById('canvas');
    const d = c.getContext('2d').getImageData(0, 0, c.width, c.height);
    return {width: d.width, height: d.height, data: Array.from(d.data)};
  });
  return {width: result.width, height: result.height, data: Uint8Array.from(result.data)};
}

// Waits until the program has drawn `count` more frames.
export async function framesPass(page, count) {
  const start = await page.evaluate(() => Module.frames);
  await page.waitForFunction((target) => Module.frames >= target, {timeout: 20000}, start + count);
}
