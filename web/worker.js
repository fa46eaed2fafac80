// The heavy work, away from the page: the core (WebAssembly) reads a WAV file, searches a take
// for its passes and hears the microphone. Messages in: file, samples, listen, stop, research,
// csv, wav, stretch. Messages out: format, step, done, error, csv, wav, stretch.
importScripts('pirolex-core.js');

let core = null;
const ready = PirolexCore().then((module) => { core = module; });
let searchToken = 0;
let listening = null;  // the port the microphone's samples come through

// Frames searched between two messages to the page: a few seconds of sound, so the page sees the
// progress move and the worker still answers a new request soon.
const kSearchFrames = 5 * 48000;

function stepMessage(step, extra) {
  return Object.assign({
    type: 'step', passes: JSON.parse(step.passes), rows: step.rows,
    firstLineFrame: step.firstLineFrame, seconds: step.seconds, peak: step.peak,
  }, extra);
}

function done(extra) {
  self.postMessage(Object.assign({
    type: 'done', passes: JSON.parse(core.allPasses()), noPass: core.noPassText(), hop: core.lineHop(),
  }, extra));
}

// Searches the opened take a slice at a time, yielding between slices so that a new file or a
// changed temperature stops a search that is no longer wanted.
async function search(token, temperature, topSpeed, format) {
  core.startSearch(temperature, topSpeed);
  self.postMessage({ type: 'format', format, hop: core.lineHop() });
  while (!core.searched()) {
    const step = core.searchStep(kSearchFrames);
    self.postMessage(stepMessage(step, { progress: core.progress() }), [step.rows.buffer]);
    await new Promise((resolve) => setTimeout(resolve, 0));
    if (token !== searchToken) return;
  }
  done({ format });
}

function takeFormat() { return core.recordingFormat(); }

const handlers = {
  // A WAV file, read by the core's own reader straight from the browser's file.
  file(message) {
    self.pirolexFile = message.file;
    const ok = core.openWav(message.fileDate);
    self.pirolexFile = null;
    if (!ok) return self.postMessage({ type: 'error', text: core.lastFailure() });
    return search(++searchToken, message.temperature, message.topSpeed, takeFormat());
  },
  // What the browser decoded: one Float32Array per channel, taken to 16 bits as the WAV reader
  // takes float samples (floor of x * 32768, held to the 16-bit range).
  samples(message) {
    const frames = message.channels[0].length;
    core.openSamples(message.sampleRate, message.channels.length, frames, message.fileDate);
    message.channels.forEach((channel, c) => {
      const target = core.channelSamples(c);
      for (let i = 0; i < frames; ++i) {
        const x = Math.floor(channel[i] * 32768);
        target[i] = Number.isNaN(x) ? 0 : Math.max(-32768, Math.min(32767, x));
      }
    });
    return search(++searchToken, message.temperature, message.topSpeed, takeFormat());
  },
  research(message) {
    if (listening || !core.researchTake(message.temperature, message.topSpeed)) return undefined;
    const format = takeFormat();
    return search(++searchToken, message.temperature, message.topSpeed, format);
  },
  listen(message) {
    ++searchToken;
    core.startListening(message.sampleRate, message.temperature, message.topSpeed, message.startDate);
    listening = message.port;
    listening.onmessage = (event) => {
      const samples = event.data;
      core.heardBuffer(samples.length).set(samples);
      const step = core.hear();
      self.postMessage(stepMessage(step, { live: true }), [step.rows.buffer]);
    };
  },
  stop() {
    if (!listening) return;
    listening.onmessage = null;
    listening.close();
    listening = null;
    const step = core.stopListening();
    self.postMessage(stepMessage(step, { live: true }), [step.rows.buffer]);
    done({ format: takeFormat(), stopped: true });
  },
  csv(message) { self.postMessage({ type: 'csv', text: core.passCsv(message.name) }); },
  wav() {
    const bytes = core.takeWav();
    self.postMessage({ type: 'wav', bytes }, bytes ? [bytes.buffer] : []);
  },
  stretch(message) {
    const rows = core.passRows(message.first, message.last, message.hop, message.fromBin, message.toBin);
    self.postMessage(Object.assign({}, message, { type: 'stretch', rows }), rows ? [rows.buffer] : []);
  },
};

self.onmessage = async (event) => {
  await ready;
  try {
    await handlers[event.data.type](event.data);
  } catch (error) {
    self.postMessage({ type: 'error', text: String(error && error.message || error) });
  }
};
