// Keeps every file of the page, so that once opened it opens and plays with no network. The
// build writes its own files and their version into this script, so a new build is a new
// script: the browser installs it the next time the page is opened online, beside the build
// in use, and it takes over once that page has loaded all it needs. The slots are not here:
// they live in the page's own storage, which this worker never touches.
'use strict';

const BUILD = '@BUILD@';
const FILES = @FILES@;
const PREFIX = `krn ${self.registration.scope} `;
const CACHE = PREFIX + BUILD;

self.addEventListener('install', (event) => {
  // Past the browser's own cache: a build is kept whole, as the server has it now.
  event.waitUntil(caches.open(CACHE).then((cache) =>
    cache.addAll(FILES.map((name) => new Request(name, { cache: 'reload' })))));
});

// A page that has loaded everything it needs lets the new build take over: no file of the
// old build is asked for again, and the next page opened is the new build, whole.
self.addEventListener('message', (event) => {
  if (event.data === 'take-over') self.skipWaiting();
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((keys) => Promise.all(keys.filter((k) => k.startsWith(PREFIX) && k !== CACHE).map((k) => caches.delete(k))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  const url = new URL(request.url);
  const scope = new URL(self.registration.scope);
  if (request.method !== 'GET' || url.origin !== scope.origin || !url.pathname.startsWith(scope.pathname)) return;
  let name = url.pathname.slice(scope.pathname.length);
  if (name === '' && request.mode === 'navigate') name = 'index.html';
  if (!FILES.includes(name)) return;
  // A file missing from the cache (cleared by the browser or the player) is kept again as
  // the network gives it, so the next start without a network finds it.
  event.respondWith(caches.open(CACHE).then((cache) => cache.match(name).then((kept) => kept ||
    fetch(request).then((response) => {
      if (response.ok) cache.put(name, response.clone());
      return response;
    }))));
});
