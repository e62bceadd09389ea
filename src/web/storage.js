// The slot files of the page, kept in the browser's own storage (IndexedDB), one entry a
// file, under the names and in the form that the page's earlier builds used, so that the
// coupons they kept are found. It keeps the desktop's rules for slot files with the
// browser's means:
// - every slot is read before the window answers, and a slot that was not read is never
//   written over;
// - a write stores one slot alone, in a transaction that is done only once the storage has
//   it on the disk; a refusal leaves the entry as it was and is told as a failed write;
// - writes of all the page's tabs go one at a time, and each tells the others what it wrote,
//   as the desktop's folder watch tells a second copy of the program;
// - storage cleared, deleted from another tab or evicted is noticed, and read again.
'use strict';

window.krnSlotStorage = (() => {
  const NAME = '/KRN_Sayısal';
  const STORE = 'FILE_DATA';
  const VERSION = 21;
  const INDEX = 'timestamp';
  const LOCK = 'krn-sayisal-slots';
  const FILE_MODE = 0o100644;

  let db = null;
  let opening = null;
  // Called with the paths that may have changed under the page.
  let onChange = () => {};
  const channel = typeof BroadcastChannel === 'function' ? new BroadcastChannel(LOCK) : null;

  const requested = (request) => new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = (e) => {
      e.preventDefault();
      reject(request.error);
    };
  });

  // The connection is given up when another tab deletes the storage or opens a newer one, so
  // that the deletion goes through; it is lost when the browser clears the site's data. Either
  // way every slot is read again from what the storage now holds.
  function drop() {
    if (db) db.close();
    db = null;
  }
  function lost() {
    drop();
    onChange(null);
  }

  // A connection, or an error when the storage cannot be opened at all.
  function open() {
    if (db) return Promise.resolve(db);
    if (opening) return opening;
    opening = new Promise((resolve, reject) => {
      if (!window.indexedDB) throw new DOMException('no IndexedDB', 'NotSupportedError');
      const request = indexedDB.open(NAME, VERSION);
      request.onupgradeneeded = () => {
        const made = request.result;
        if (!made.objectStoreNames.contains(STORE)) {
          made.createObjectStore(STORE).createIndex(INDEX, INDEX, { unique: false });
        }
      };
      request.onsuccess = () => {
        db = request.result;
        db.onversionchange = lost;
        db.onclose = lost;
        resolve(db);
      };
      request.onerror = (e) => {
        e.preventDefault();
        reject(request.error);
      };
      // Another tab holds an older connection open; it closes when it sees this request.
      request.onblocked = () => {};
    }).finally(() => { opening = null; });
    return opening;
  }

  // What the storage holds for each path: bytes, null for a file never written, or an
  // error for one that could not be read.
  // A connection opened while the browser is still clearing the site's data is closed under
  // the read; the one opened after it reads what is left.
  const aborted = (e) => e instanceof DOMException && e.name === 'AbortError';
  async function read(paths, again = true) {
    try {
      const store = (await open()).transaction(STORE, 'readonly').objectStore(STORE);
      const held = await Promise.all(paths.map((path) => requested(store.get(path)).then(contents, (e) => e)));
      if (again && held.some(aborted)) throw held.find(aborted);
      return held;
    } catch (e) {
      if (!again || !aborted(e)) throw e;
      drop();
      return read(paths, false);
    }
  }

  function contents(entry) {
    if (entry === undefined) return null;
    const data = entry && entry.contents;
    if (data instanceof Uint8Array) return data;
    if (data instanceof ArrayBuffer || Array.isArray(data)) return new Uint8Array(data);
    return new TypeError('not a slot file');
  }

  // Stores the file at `path` and resolves once the storage holds it on the disk; rejects
  // with the storage's reason otherwise, the entry left as it was.
  async function write(path, bytes) {
    const store = async () => {
      const connection = await open();
      await new Promise((resolve, reject) => {
        const tx = connection.transaction(STORE, 'readwrite', { durability: 'strict' });
        tx.oncomplete = resolve;
        // A quota refusal arrives as the transaction's abort, not as an error of the put; a
        // failed put aborts the transaction too, as its error is left to do.
        tx.onabort = () => reject(tx.error || new DOMException('aborted', 'AbortError'));
        tx.objectStore(STORE).put({ timestamp: new Date(), mode: FILE_MODE, contents: bytes }, path);
      });
    };
    await (navigator.locks ? navigator.locks.request(LOCK, store) : store());
    if (channel) channel.postMessage([path]);
  }

  if (channel) channel.onmessage = (e) => onChange(Array.isArray(e.data) ? e.data : null);
  // A page the player comes back to may find its storage evicted, or written by a tab that
  // had no way to tell it.
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') onChange(null);
  });

  return {
    open,
    read,
    write,
    follow(callback) { onChange = callback; },
  };
})();
