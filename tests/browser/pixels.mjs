// Reading pictures: counting colours in the canvas, and decoding the PNG files of the
// native headless driver (8-bit RGB or RGBA, not interlaced) with node's own zlib.
import fs from 'node:fs';
import zlib from 'node:zlib';

export const kMenuBarHeight = 20;  // canvas rows above the client area

// Pixels of exactly this colour in the client area, with their centre (client coordinates).
export function colourStats(image, [r, g, b], box = null) {
  let count = 0, sx = 0, sy = 0;
  for (let y = kMenuBarHeight; y < image.height; ++y) {
    for (let x = 0; x < image.width; ++x) {
      const cy = y - kMenuBarHeight;
      if (box && (x < box.left || x >= box.right || cy < box.top || cy >= box.bottom)) continue;
      const i = (y * image.width + x) * 4;
      if (image.data[i] === r && image.data[i + 1] === g && image.data[i + 2] === b) {
        ++count; sx += x; sy += cy;
      }
    }
  }
  return {count, x: count ? sx / count : NaN, y: count ? sy / count : NaN};
}

// Pixels that differ between two pictures of one size, skipping the `skip(x, y)` ones.
export function differingPixels(a, b, skip = () => false) {
  const found = [];
  for (let y = 0; y < a.height; ++y) {
    for (let x = 0; x < a.width; ++x) {
      if (skip(x, y)) continue;
      const i = (y * a.width + x) * 4;
      if (a.data[i] !== b.data[i] || a.data[i + 1] !== b.data[i + 1] || a.data[i + 2] !== b.data[i + 2]) {
        found.push([x, y]);
      }
    }
  }
  return found;
}

export function readPng(file) {
  const bytes = fs.readFileSync(file);
  let offset = 8, width = 0, height = 0, channels = 0;
  const chunks = [];
  while (offset < bytes.length) {
    const length = bytes.readUInt32BE(offset);
    const type = bytes.toString('latin1', offset + 4, offset + 8);
    const body = bytes.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0 || (body[9] !== 2 && body[9] !== 6)) {
        throw new Error(`${file}: only 8-bit RGB or RGBA PNG without interlacing is read here`);
      }
      channels = body[9] === 6 ? 4 : 3;
    } else if (type === 'IDAT') {
      chunks.push(body);
    }
    offset += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const out = new Uint8Array(width * height * 4);
  let previous = new Uint8Array(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Uint8Array.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let i = 0; i < stride; ++i) {
      const left = i >= channels ? line[i - channels] : 0;
      const up = previous[i];
      const upLeft = i >= channels ? previous[i - channels] : 0;
      let add = 0;
      if (filter === 1) add = left;
      else if (filter === 2) add = up;
      else if (filter === 3) add = (left + up) >> 1;
      else if (filter === 4) {
        const p = left + up - upLeft;
        const pa = Math.abs(p - left), pb = Math.abs(p - up), pc = Math.abs(p - upLeft);
        add = pa <= pb && pa <= pc ? left : pb <= pc ? up : upLeft;
      }
      line[i] = (line[i] + add) & 0xFF;
    }
    for (let x = 0; x < width; ++x) {
      const o = (y * width + x) * 4;
      out[o] = line[x * channels];
      out[o + 1] = line[x * channels + 1];
      out[o + 2] = line[x * channels + 2];
      out[o + 3] = 255;
    }
    previous = line;
  }
  return {width, height, data: out};
}
