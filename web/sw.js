// The site's service worker: on the first visit it keeps every file of the
// site in one cache, and from then on answers from it, so later visits play
// with no network at all. Each build names its own cache; an older one of
// the game's goes once the new one is ready.
const cacheName = '@cache@';
const files = ['./', @files@];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  const older = (name) => name.startsWith('zelvix-') && name !== cacheName;
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter(older).map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  event.respondWith(caches.open(cacheName)
    .then((cache) => cache.match(event.request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(event.request)));
});
