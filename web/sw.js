// Keeps the page and the module on the phone: cached on the first visit, then served from the
// cache first, so the page opens and works at the field without a network. The build writes the
// version below from the files' contents, so a new site replaces the old cache.
const kVersion = 'pirolex-@VERSION@';
const kFiles = ['./', 'index.html', 'style.css', 'app.js', 'picture.js', 'worker.js', 'capture.js',
  'pirolex-core.js', 'pirolex-core.wasm', 'manifest.webmanifest', 'pirolex.svg'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kVersion).then((cache) => cache.addAll(kFiles)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name !== kVersion).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(caches.open(kVersion).then(async (cache) => {
    const kept = await cache.match(event.request, { ignoreSearch: true });
    return kept || fetch(event.request);
  }));
});
