// The microphone's samples, taken off the audio thread: the first channel as 16-bit samples (floor
// of x * 32768, held to the range, as the WAV reader takes float samples), a tenth of a second at
// a time, straight to the worker through the port it was given.
class PirolexCapture extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.frames = Math.max(128, Math.round(options.processorOptions.blockFrames));
    this.block = new Int16Array(this.frames);
    this.filled = 0;
    this.port.onmessage = (event) => { this.worker = event.data; };
  }

  process(inputs) {
    const channel = inputs[0] && inputs[0][0];
    if (!channel || !this.worker) return true;
    for (let i = 0; i < channel.length; ++i) {
      const x = Math.floor(channel[i] * 32768);
      this.block[this.filled++] = x > 32767 ? 32767 : x < -32768 ? -32768 : x;
      if (this.filled === this.frames) {
        // Handed over, not copied: the block's view is empty afterwards.
        this.worker.postMessage(this.block, [this.block.buffer]);
        this.block = new Int16Array(this.frames);
        this.filled = 0;
      }
    }
    return true;
  }
}

registerProcessor('pirolex-capture', PirolexCapture);
