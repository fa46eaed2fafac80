// The page: opens a recording or listens, shows the level picture "Pegel" and the list of passes,
// saves the list and the take. Everything heavy happens in worker.js; this file only shows.
import { drawLevelRows, drawRulers, secondsText } from './picture.js';

const $ = (id) => document.getElementById(id);
const worker = new Worker('worker.js');

// What the page shows: the take's format, its picture's lines, its passes.
const take = {
  name: '', format: null, hop: 1024, fftSize: 4096, columns: 512,
  rows: new Uint8Array(0), lines: 0, expectedLines: 0, passes: [], chosen: -1, live: false,
};
// The rolling picture while listening: the newest lines, oldest first, and the stream time.
const kRollingLines = 480;
const rolling = { rows: new Uint8Array(kRollingLines * 512), lines: 0, seconds: 0, firstFrame: 0 };
let listening = null;
let livePasses = [];
let drawPending = false;

function settings() {
  const clamp = (input, fallback) => {
    const value = Number(input.value);
    if (!Number.isFinite(value)) return fallback;
    return Math.min(Number(input.max), Math.max(Number(input.min), value));
  };
  return { temperature: clamp($('temperature'), 15), topSpeed: clamp($('top-speed'), 450) };
}

// A moment as local time with its offset from UTC, as the program writes a file's date:
// "2026-12-09T18:01:02+01:00".
function localIsoTime(ms) {
  const d = new Date(ms);
  const pad = (n) => String(n).padStart(2, '0');
  const offset = -d.getTimezoneOffset();
  const sign = offset >= 0 ? '+' : '-';
  return `${d.getFullYear()}-${pad(d.getMonth() + 1)}-${pad(d.getDate())}T${pad(d.getHours())}:` +
    `${pad(d.getMinutes())}:${pad(d.getSeconds())}${sign}${pad(Math.floor(Math.abs(offset) / 60))}:${pad(Math.abs(offset) % 60)}`;
}

function setMessage(text) { $('message').textContent = text || ''; }

function resetTake(name, live) {
  Object.assign(take, { name, format: null, rows: new Uint8Array(0), lines: 0, expectedLines: 0,
    passes: [], chosen: -1, live });
  $('file-name').textContent = name;
  $('passes').replaceChildren();
  $('pass-details').textContent = '';
  $('pass-picture').hidden = true;
  $('speed').textContent = '';
  $('save-list').disabled = true;
  $('save-take').disabled = !live;
  setMessage('');
}

// ---- the list of passes

function passItem(pass) {
  const item = document.createElement('li');
  item.textContent = pass.row;
  item.dataset.heardS = pass.heardS.toFixed(3);
  if (pass.refused !== undefined) {
    item.dataset.refused = pass.refused;
  } else {
    item.dataset.kmh = pass.kmh.toFixed(3);
    item.dataset.sigmaKmh = pass.sigmaKmh.toFixed(3);
  }
  if (pass.liveReportedS !== undefined) item.dataset.reportedS = pass.liveReportedS.toFixed(3);
  return item;
}

function showPasses() {
  const items = take.passes.map((pass, i) => {
    const item = passItem(pass);
    item.classList.toggle('chosen', i === take.chosen);
    item.addEventListener('click', () => choosePass(i));
    return item;
  });
  $('passes').replaceChildren(...items);
  const answered = take.passes.filter((pass) => pass.refused === undefined);
  const last = answered[answered.length - 1];
  // The last speed, large enough to read at arm's length: the number big, its sigma beside it.
  const outcome = last ? last.row.slice(last.row.indexOf('  ') + 2) : '';
  const number = document.createElement('span');
  const rest = document.createElement('span');
  number.textContent = outcome.split(' ')[0];
  rest.textContent = outcome.slice(number.textContent.length);
  rest.className = 'sigma';
  $('speed').replaceChildren(...(last ? [number, rest] : []));
  $('save-list').disabled = take.format === null;
  scheduleDraw();
}

function choosePass(i) {
  take.chosen = i;
  showPasses();
  const pass = take.passes[i];
  $('pass-details').textContent = pass.refused === undefined ? pass.details : pass.refused;
  if (!take.format || take.live || pass.trackHz.length === 0) {
    $('pass-picture').hidden = true;
    return;
  }
  // The pass's stretch, around its tone, at full resolution.
  const rate = take.format.sampleRate;
  const low = Math.min(...pass.trackHz, ...pass.fittedHz.filter((f) => f > 0));
  const high = Math.max(...pass.trackHz, ...pass.fittedHz);
  const binHz = rate / take.fftSize;
  const fromBin = Math.max(0, Math.floor(low / 1.15 / binHz));
  const toBin = Math.min(take.fftSize / 2, Math.ceil(high * 1.15 / binHz) + 1);
  const firstS = Math.max(0, Math.min(pass.trackS[0], pass.heardS - 12));
  const lastS = Math.max(pass.trackS[pass.trackS.length - 1], pass.heardS + 3);
  const hop = 512;
  worker.postMessage({ type: 'stretch', pass: i, first: Math.round(firstS * rate), last: Math.round(lastS * rate),
    hop, fromBin, toBin });
}

function showStretch(message) {
  if (message.pass !== take.chosen || !message.rows) return;
  const pass = take.passes[message.pass];
  const canvas = $('pass-picture');
  canvas.hidden = false;
  const rate = take.format.sampleRate;
  const columns = message.toBin - message.fromBin;
  const lines = columns > 0 ? message.rows.length / columns : 0;
  const view = {
    rows: message.rows, columns, lines, totalLines: lines,
    lineSeconds: (line) => (message.first + line * message.hop + take.fftSize / 2) / rate,
    fromHz: message.fromBin * rate / take.fftSize, toHz: message.toBin * rate / take.fftSize,
  };
  const plot = drawLevelRows(canvas, view);
  drawRulers(canvas, plot, view, (s) => s.toFixed(1));
  // The tone as it was followed, and the fitted curve over it.
  const ctx = canvas.getContext('2d');
  const x = (hz) => plot.left + (hz - view.fromHz) / (view.toHz - view.fromHz) * plot.width;
  const t0 = view.lineSeconds(0), t1 = view.lineSeconds(Math.max(1, lines - 1));
  const y = (s) => plot.top + (s - t0) / (t1 - t0) * plot.height;
  ctx.fillStyle = '#fff';
  pass.trackS.forEach((s, k) => ctx.fillRect(x(pass.trackHz[k]) - 1.5, y(s) - 1.5, 3, 3));
  if (pass.fittedHz.length === pass.trackS.length) {
    ctx.strokeStyle = '#f00';
    ctx.lineWidth = 2 * plot.scale;
    ctx.beginPath();
    pass.trackS.forEach((s, k) => (k ? ctx.lineTo : ctx.moveTo).call(ctx, x(pass.fittedHz[k]), y(s)));
    ctx.stroke();
  }
}

// ---- the picture

function scheduleDraw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(() => { drawPending = false; drawPicture(); });
}

function drawPicture() {
  const canvas = $('picture');
  const rate = take.format ? take.format.sampleRate : 48000;
  let view;
  if (listening) {
    // Seconds before now: the newest line at the bottom.
    const lines = Math.min(rolling.lines, kRollingLines);
    const start = rolling.lines - lines;
    const ordered = new Uint8Array(lines * 512);
    for (let i = 0; i < lines; ++i) {
      const slot = (start + i) % kRollingLines;
      ordered.set(rolling.rows.subarray(slot * 512, slot * 512 + 512), i * 512);
    }
    const endS = rolling.seconds;
    view = { rows: ordered, columns: 512, lines, totalLines: kRollingLines, fromHz: 0, toHz: rate / 2,
      lineSeconds: (line) => ((start + line) * take.hop + take.fftSize / 2) / rate - endS,
      bottomAligned: true };
  } else {
    view = { rows: take.rows, columns: 512, lines: take.lines, totalLines: Math.max(take.expectedLines, take.lines),
      fromHz: 0, toHz: rate / 2, lineSeconds: (line) => (line * take.hop + take.fftSize / 2) / rate };
  }
  const plot = drawLevelRows(canvas, view);
  drawRulers(canvas, plot, view, listening ? (s) => s.toFixed(0) : secondsText);
  markPasses(canvas, plot, view, listening ? livePasses : take.passes, listening ? rolling.seconds : 0);
}

// Each pass as a line across the picture at the time it was heard, with its number.
function markPasses(canvas, plot, view, passes, offsetS) {
  const ctx = canvas.getContext('2d');
  const t0 = view.lineSeconds(0);
  const lineSeconds = view.lineSeconds(1) - t0;
  const total = Math.max(1, view.totalLines);
  const top = view.bottomAligned ? plot.top + plot.height * (1 - view.lines / total) : plot.top;
  ctx.font = `${12 * plot.scale}px sans-serif`;
  passes.forEach((pass, i) => {
    const y = top + (pass.heardS - offsetS - t0) / lineSeconds / total * plot.height;
    if (y < plot.top || y > plot.top + plot.height) return;
    ctx.strokeStyle = i === take.chosen && !listening ? '#f00' : '#fff';
    ctx.lineWidth = plot.scale * (i === take.chosen ? 2 : 1);
    ctx.beginPath();
    ctx.moveTo(plot.left, y);
    ctx.lineTo(plot.left + plot.width, y);
    ctx.stroke();
    ctx.fillStyle = '#fff';
    ctx.fillText(String(pass.number), plot.left + plot.width - 16 * plot.scale, y - 3 * plot.scale);
  });
}

function addRows(rows, firstLineFrame) {
  if (rows.length === 0) return;
  const count = rows.length / 512;
  if (listening) {
    for (let i = 0; i < count; ++i) {
      const slot = (rolling.lines + i) % kRollingLines;
      rolling.rows.set(rows.subarray(i * 512, i * 512 + 512), slot * 512);
    }
    rolling.lines += count;
    return;
  }
  const first = Math.round(firstLineFrame / take.hop);
  const needed = (first + count) * 512;
  if (needed > take.rows.length) {
    const grown = new Uint8Array(Math.max(needed, Math.min(take.rows.length * 2 || needed, take.expectedLines * 512)));
    grown.set(take.rows);
    take.rows = grown;
  }
  take.rows.set(rows, first * 512);
  take.lines = Math.max(take.lines, first + count);
}

// ---- messages from the worker

const received = {
  format(message) {
    take.format = message.format;
    take.hop = message.hop;
    take.expectedLines = Math.max(1, Math.floor((message.format.frames - take.fftSize) / message.hop) + 1);
    take.rows = new Uint8Array(take.expectedLines * 512);
    $('progress').hidden = false;
    $('progress').value = 0;
    document.body.dataset.state = 'searching';
  },
  step(message) {
    addRows(message.rows, message.firstLineFrame);
    if (message.live) {
      rolling.seconds = message.seconds;
      $('level').value = Math.round(100 * message.peak / 32768);
      for (const pass of message.passes) {
        pass.liveReportedS = pass.reportedS;
        livePasses.push(pass);
        take.passes.push(pass);
      }
      if (message.passes.length) showPasses();
      scheduleDraw();
      return;
    }
    $('progress').value = message.progress;
    if (message.passes.length) {
      take.passes.push(...message.passes);
      showPasses();
    }
    scheduleDraw();
  },
  done(message) {
    $('progress').hidden = true;
    take.format = message.format;
    // A take heard live keeps when each of its passes was reported.
    for (const pass of message.passes) {
      const heard = livePasses.find((p) => Math.abs(p.heardS - pass.heardS) < 1.5);
      if (heard) pass.liveReportedS = heard.liveReportedS;
    }
    take.passes = message.passes;
    take.chosen = -1;
    setMessage(message.passes.length ? '' : message.noPass);
    showPasses();
    if (!message.stopped) document.body.dataset.state = 'done';
  },
  error(message) {
    document.body.dataset.state = 'failed';
    $('progress').hidden = true;
    $('file-name').textContent = 'no file';
    setMessage(message.text);
  },
  csv(message) { download(new Blob([message.text], { type: 'text/csv' }), `${baseName(take.name)}.csv`); },
  wav(message) { if (message.bytes) download(new Blob([message.bytes], { type: 'audio/wav' }), `${baseName(take.name)}.wav`); },
  stretch: showStretch,
};
worker.onmessage = (event) => received[event.data.type](event.data);

function baseName(name) { return (name || 'Live-Aufnahme').replace(/\.[^.]*$/, ''); }

function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// ---- opening a recording

async function openFile(file) {
  if (!file) return;
  if (listening) await stopListening(false);
  livePasses = [];
  resetTake(file.name, false);
  const head = new Uint8Array(await file.slice(0, 12).arrayBuffer());
  const text = (from, to) => String.fromCharCode(...head.subarray(from, to));
  const { temperature, topSpeed } = settings();
  if (text(0, 4) === 'RIFF' && text(8, 12) === 'WAVE') {
    worker.postMessage({ type: 'file', file, temperature, topSpeed, fileDate: localIsoTime(file.lastModified) });
    return;
  }
  // Every other format through the browser's own decoder, at 48 kHz.
  try {
    const context = new OfflineAudioContext(1, 1, 48000);
    const audio = await context.decodeAudioData(await file.arrayBuffer());
    const channels = [];
    for (let c = 0; c < audio.numberOfChannels; ++c) channels.push(audio.getChannelData(c).slice());
    worker.postMessage({ type: 'samples', sampleRate: audio.sampleRate, channels, temperature, topSpeed,
      fileDate: localIsoTime(file.lastModified) },
      channels.map((channel) => channel.buffer));
  } catch {
    received.error({ text: 'Unbekanntes Dateiformat: weder eine Ton- noch eine Videodatei, die Pirolex lesen kann' });
  }
}

$('file').addEventListener('change', (event) => openFile(event.target.files[0]));
document.addEventListener('dragover', (event) => { event.preventDefault(); $('drop-hint').hidden = false; });
document.addEventListener('dragleave', () => { $('drop-hint').hidden = true; });
document.addEventListener('drop', (event) => {
  event.preventDefault();
  $('drop-hint').hidden = true;
  openFile(event.dataTransfer.files[0]);
});

function research() {
  if (listening || !take.format || take.live) return;
  take.passes = [];
  take.chosen = -1;
  showPasses();
  worker.postMessage(Object.assign({ type: 'research' }, settings()));
}
$('temperature').addEventListener('change', research);
$('top-speed').addEventListener('change', research);

// ---- listening

async function startListening() {
  const media = await navigator.mediaDevices.getUserMedia({ audio: {
    echoCancellation: false, noiseSuppression: false, autoGainControl: false, channelCount: 1 } });
  const context = new AudioContext();
  await context.audioWorklet.addModule('capture.js');
  const source = context.createMediaStreamSource(media);
  const node = new AudioWorkletNode(context, 'pirolex-capture', {
    numberOfInputs: 1, numberOfOutputs: 1, processorOptions: { blockFrames: context.sampleRate / 10 } });
  source.connect(node);
  // Its output is silence; connected so that the browser keeps running it.
  node.connect(context.destination);
  const channel = new MessageChannel();
  node.port.postMessage(channel.port1, [channel.port1]);
  const { temperature, topSpeed } = settings();
  livePasses = [];
  resetTake('Live-Aufnahme', true);
  take.format = { sampleRate: context.sampleRate, channels: 1, frames: 0 };
  take.hop = 1024;
  Object.assign(rolling, { lines: 0, seconds: 0 });
  worker.postMessage({ type: 'listen', sampleRate: context.sampleRate, temperature, topSpeed, port: channel.port2,
    startDate: localIsoTime(Date.now()) },
    [channel.port2]);
  listening = { media, context, node };
  $('live').textContent = 'Stopp';
  $('live').classList.add('listening');
  $('level').hidden = false;
  document.body.dataset.state = 'listening';
  scheduleDraw();
}

// The take becomes an ordinary recording: searched as a file is, its live report times kept.
async function stopListening(keep = true) {
  const { media, context, node } = listening;
  listening = null;
  node.disconnect();
  media.getTracks().forEach((track) => track.stop());
  await context.close();
  $('live').textContent = 'Live';
  $('live').classList.remove('listening');
  $('level').hidden = true;
  worker.postMessage({ type: 'stop' });
  if (keep) {
    take.live = false;
    worker.postMessage(Object.assign({ type: 'research' }, settings()));
  }
}

$('live').addEventListener('click', async () => {
  try {
    if (listening) await stopListening();
    else await startListening();
  } catch (error) {
    setMessage(error && error.name === 'NotFoundError' ? 'Kein Mikrofon gefunden' : String(error && error.message || error));
  }
});

$('save-list').addEventListener('click', () => worker.postMessage({ type: 'csv', name: take.name }));
$('save-take').addEventListener('click', () => worker.postMessage({ type: 'wav' }));
document.addEventListener('keydown', (event) => {
  if (!event.ctrlKey) return;
  if (event.key === 'o') { event.preventDefault(); $('file').click(); }
  if (event.key === 'l') { event.preventDefault(); $('live').click(); }
});
window.addEventListener('resize', scheduleDraw);
scheduleDraw();

if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js');
