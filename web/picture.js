// The level picture "Pegel": time runs down, frequency across, as in the window; each line's
// levels coloured on the window's scale (viridis over 90 dB up to full scale), with a time ruler
// on the left and a frequency ruler on top.

// viridis at eleven evenly spaced points, as the window's scale has them.
const kScale = [0x440154, 0x482475, 0x414487, 0x355f8d, 0x2a788e, 0x21918c, 0x22a884, 0x44bf70,
  0x7ad151, 0xbddf26, 0xfde725];
const kRangeDb = 90;
const kGainDb = 0;

// The colour of each byte level (half decibels above -127.5 dB), packed for an ImageData's
// Uint32 view (red in the low byte).
const kColours = (() => {
  const colours = new Uint32Array(256);
  for (let q = 0; q < 256; ++q) {
    const db = q / 2 - 127.5;
    const t = Math.min(1, Math.max(0, (db - (-kGainDb - kRangeDb)) / kRangeDb));
    const at = t * (kScale.length - 1);
    const i = Math.min(Math.floor(at), kScale.length - 2);
    const f = at - i;
    let packed = 0xff000000;
    for (const [shift, out] of [[16, 0], [8, 8], [0, 16]]) {
      const a = (kScale[i] >> shift) & 0xff, b = (kScale[i + 1] >> shift) & 0xff;
      packed |= Math.round(a + (b - a) * f) << out;
    }
    colours[q] = packed >>> 0;
  }
  return colours;
})();

const kLeftRuler = 46;
const kTopRuler = 20;

function fitCanvas(canvas) {
  const scale = window.devicePixelRatio || 1;
  const width = Math.max(1, Math.round(canvas.clientWidth * scale));
  const height = Math.max(1, Math.round(canvas.clientHeight * scale));
  if (canvas.width !== width || canvas.height !== height) Object.assign(canvas, { width, height });
  return scale;
}

// Draws view.lines rows of view.columns bytes into the canvas below and right of the rulers;
// returns where the plot lies. A view with bottomAligned puts its newest line at the bottom.
export function drawLevelRows(canvas, view) {
  const scale = fitCanvas(canvas);
  const ctx = canvas.getContext('2d');
  ctx.fillStyle = '#fff';
  ctx.fillRect(0, 0, canvas.width, canvas.height);
  const plot = { left: kLeftRuler * scale, top: kTopRuler * scale, scale };
  plot.width = canvas.width - plot.left - 4 * scale;
  plot.height = canvas.height - plot.top - 2 * scale;
  ctx.fillStyle = `#${(kColours[0] & 0xff).toString(16).padStart(2, '0')}${((kColours[0] >> 8) & 0xff).toString(16).padStart(2, '0')}${((kColours[0] >> 16) & 0xff).toString(16).padStart(2, '0')}`;
  ctx.fillRect(plot.left, plot.top, plot.width, plot.height);
  if (view.lines > 0 && view.columns > 0) {
    const image = new ImageData(view.columns, view.lines);
    const pixels = new Uint32Array(image.data.buffer);
    for (let i = 0; i < view.lines * view.columns; ++i) pixels[i] = kColours[view.rows[i]];
    const staging = document.createElement('canvas');
    Object.assign(staging, { width: view.columns, height: view.lines });
    staging.getContext('2d').putImageData(image, 0, 0);
    const height = plot.height * view.lines / Math.max(view.lines, view.totalLines);
    const top = view.bottomAligned ? plot.top + plot.height - height : plot.top;
    ctx.imageSmoothingEnabled = view.lines > plot.height;
    ctx.drawImage(staging, plot.left, top, plot.width, height);
  }
  return plot;
}

// A step between ruler marks of about `least` units or more: 1, 2 or 5 times a power of ten.
function niceStep(least) {
  const power = 10 ** Math.floor(Math.log10(least));
  return [1, 2, 5, 10].map((m) => m * power).find((step) => step >= least);
}

export function drawRulers(canvas, plot, view, label) {
  const ctx = canvas.getContext('2d');
  const s = plot.scale;
  ctx.fillStyle = '#000';
  ctx.strokeStyle = '#000';
  ctx.lineWidth = s;
  ctx.font = `${11 * s}px sans-serif`;
  // Frequency across the top.
  const hzPerPixel = (view.toHz - view.fromHz) / plot.width;
  const hzStep = niceStep(hzPerPixel * 70 * s);
  ctx.textAlign = 'center';
  ctx.textBaseline = 'bottom';
  for (let hz = Math.ceil(view.fromHz / hzStep) * hzStep; hz <= view.toHz; hz += hzStep) {
    const x = plot.left + (hz - view.fromHz) / hzPerPixel;
    ctx.beginPath();
    ctx.moveTo(x, plot.top - 4 * s);
    ctx.lineTo(x, plot.top);
    ctx.stroke();
    if (x > plot.left + 20 * s && x < plot.left + plot.width - 14 * s) ctx.fillText(String(hz), x, plot.top - 5 * s);
  }
  ctx.textAlign = 'left';
  ctx.fillText('Hz', 2 * s, plot.top - 5 * s);
  // Time down the left.
  const total = Math.max(2, view.totalLines);
  const lineTop = view.bottomAligned ? total - view.lines : 0;
  const t0 = view.lineSeconds(-lineTop);
  const t1 = view.lineSeconds(total - 1 - lineTop);
  if (!(t1 > t0)) return;
  const secondsPerPixel = (t1 - t0) / plot.height;
  const step = niceStep(secondsPerPixel * 40 * s);
  ctx.textAlign = 'right';
  ctx.textBaseline = 'middle';
  for (let t = Math.ceil(t0 / step) * step; t <= t1; t += step) {
    const y = plot.top + (t - t0) / secondsPerPixel;
    ctx.beginPath();
    ctx.moveTo(plot.left - 4 * s, y);
    ctx.lineTo(plot.left, y);
    ctx.stroke();
    ctx.fillText(label(t), plot.left - 6 * s, y);
  }
  ctx.textAlign = 'left';
  ctx.textBaseline = 'top';
  ctx.fillText('s', 2 * s, plot.top + 2 * s);
}

// Seconds of a take as the list writes times: minutes and seconds.
export function secondsText(s) {
  const whole = Math.round(s);
  return `${Math.floor(whole / 60)}:${String(whole % 60).padStart(2, '0')}`;
}
