// The window as a web page. Every control record gets one element, drawn as the record
// says; every click, key and tick goes to the window's rules in the WebAssembly core, and
// the records that changed are drawn again. The page itself decides nothing the rules
// decide: it only knows how to draw a record and where the keyboard focus goes.
'use strict';

(function () {
  const TWIPS_PER_PIXEL = 15;
  const px = (twips) => Math.round(twips / TWIPS_PER_PIXEL);
  const Kind = { Window: 0, Panel: 1, Button: 2, Label: 3, Image: 4, PictureBox: 5, Timer: 6 };
  const PICTURES = [null, 'app-icon', 'drop', 'save-key', 'empty-bin', 'load-arrow', 'logo', 'logo2',
    'logo3'];
  const WHEEL_FRAME_0 = 9;
  const MESSAGE_TITLE = 'KRN Dernovak';
  // The desktop's own colours as the desktop window shows them: 4 is the menu background,
  // 15 the button face.
  const SYSTEM_COLOURS = { 4: 'rgb(239,239,239)', 15: 'rgb(239,239,239)' };
  const Bevel = { None: 0, Raised: 1, Inset: 2 };
  const LIGHT = '#fff';
  const SHADOW = '#808080';
  const SVG = 'http://www.w3.org/2000/svg';

  let core = null;
  const records = [];
  const elements = [];
  const byName = new Map();
  const page = {};
  // The items with no control of their own (the drum, the slots' lamps and indicators, the
  // report of a press), by their negative ids.
  const items = new Map();
  let windowId = 0;
  let busy = false;
  const waiting = [];
  // The control whose click or key is being handled.
  let pressedEl = null;
  let byKeyboard = false;
  // Set once "Çık" has ended the program: nothing reaches the rules after it.
  let ended = false;
  let frame = 1;
  let typed = { digit: 0, at: 0 };

  // Whatever reaches the rules finds them with every tick that fell due while the clock rested.
  const call = (name, ...args) => {
    if (resting()) catchUp();
    return core['_' + name](...args);
  };
  const json = (name, ...args) => JSON.parse(core.UTF8ToString(call(name, ...args)));
  const id = (name) => byName.get(name);

  function colour(c) {
    return c[3] !== 0 ? SYSTEM_COLOURS[c[3]] : `rgb(${c[0]},${c[1]},${c[2]})`;
  }

  function fontOf(f) {
    const size = Math.round((f[1] * 96) / 72);
    return `${f[3] ? 'italic ' : ''}${f[2] ? 'bold ' : ''}${size}px ${f[0] === 1 ? '"KRN Serif"' : '"KRN Sans"'}`;
  }

  // The bevels of a panel as rings of inset shadows, outermost first; the first shadow
  // lies on top, and each ring gives its top right and bottom left corners to the dark side.
  function panelShadows(bevels, back) {
    const [outer, outerWidth, band, inner, innerWidth] = bevels;
    const list = [];
    let n = 0;
    const rings = (kind, width) => {
      for (let i = 0; i < width; ++i) {
        n += 1;
        if (kind === Bevel.None) continue;
        const raised = kind === Bevel.Raised;
        list.push(`inset -${n}px -${n}px 0 0 ${raised ? SHADOW : LIGHT}`,
          `inset ${n}px ${n}px 0 0 ${raised ? LIGHT : SHADOW}`);
      }
    };
    rings(outer, outerWidth);
    n += band;
    if (band > 0 && inner !== Bevel.None) {
      list.push(`inset ${n}px ${n}px 0 0 ${back}`, `inset -${n}px -${n}px 0 0 ${back}`);
    }
    rings(inner, innerWidth);
    return { shadow: list.join(',') || 'none', inset: n };
  }

  // -- Drawing ---------------------------------------------------------------------------

  function makeCaption(el, inset, hidden) {
    const cap = document.createElement('span');
    cap.className = 'cap';
    cap.style.inset = `${inset}px`;
    if (hidden) cap.setAttribute('aria-hidden', 'true');
    el.appendChild(cap);
    return cap;
  }

  // A wheel is its three frames drawn once, one over another. While it turns, the browser
  // shows them in turn at its timer's pace, by an animation it runs on its own: a tick then
  // costs the page no frame of its own. The core's tick still decides the frame; the page
  // only checks, between two ticks, that the animation shows it, and puts the animation in
  // step where the two have parted (a tick the core let pass, a wheel shown anew).
  function makeWheel(el, width) {
    // The frames follow a 39 x 40 design: three sectors of a disc, outlined in black.
    const line = Math.max(1, 39 / (width * window.devicePixelRatio));
    const r = 18 - line / 2;
    const at = (deg) => [19.5 + r * Math.cos((deg * Math.PI) / 180), 20 - r * Math.sin((deg * Math.PI) / 180)];
    // Frame 0 paints the sectors red, blue, yellow; each later frame turns them one on.
    const colours = ['#f00', '#00f', '#ff0'];
    const frames = [0, 1, 2].map((f) => {
      const svg = document.createElementNS(SVG, 'svg');
      svg.setAttribute('viewBox', '0 0 39 40');
      svg.setAttribute('preserveAspectRatio', 'none');
      svg.setAttribute('width', '100%');
      svg.setAttribute('height', '100%');
      const shape = (name, attrs) => {
        const s = document.createElementNS(SVG, name);
        for (const [k, v] of Object.entries(attrs)) s.setAttribute(k, v);
        svg.appendChild(s);
      };
      shape('rect', { width: 39, height: 40, fill: 'rgb(192,192,192)' });
      [90, -30, 210].forEach((start, i) => {
        const [x0, y0] = at(start);
        const [x1, y1] = at(start + 120);
        shape('path', { d: `M19.5 20L${x0} ${y0}A${r} ${r} 0 0 0 ${x1} ${y1}Z`, fill: colours[(i - f + 3) % 3] });
      });
      for (const deg of [90, 210, 330]) {
        const [x, y] = at(deg);
        shape('line', { x1: 19.5, y1: 20, x2: x, y2: y, stroke: '#000', 'stroke-width': line });
      }
      shape('ellipse', { cx: 19.5, cy: 20, rx: r, ry: r, fill: 'none', stroke: '#000', 'stroke-width': line });
      svg.style.opacity = '0';
      el.appendChild(svg);
      return svg;
    });
    const timer = records[id(`Timer${el.dataset.name.slice('Image'.length)}`)];
    return { frames, interval: timer ? timer.interval : 0, shown: -1, turns: null, t0: 0 };
  }

  // One turn of the animation: a frame is shown in the first third of it.
  const TURN = [{ opacity: 1, easing: 'steps(1, end)' }, { opacity: 0, offset: 1 / 3 }, { opacity: 0 }];

  // The frame a turning wheel's animation shows at `t`.
  function frameAt(wheel, t) {
    return (wheel.shown + Math.floor((t - wheel.t0) / wheel.interval)) % 3;
  }

  function drawWheel(el, picture, turning = !still) {
    const wheel = el.wheel;
    const frame = picture >= WHEEL_FRAME_0 ? (picture - WHEEL_FRAME_0) % 3 : -1;
    // A tick lands a little after its time, and a timer may fire up to a millisecond early.
    const now = performance.now();
    if (wheel.turns && turning && frame >= 0 && frameAt(wheel, now + 2) === frame) return;
    if (wheel.turns && (!turning || frame < 0)) {
      for (const a of wheel.turns) a.cancel();
      wheel.turns = null;
    }
    wheel.shown = frame;
    wheel.t0 = Math.round(now);
    wheel.frames.forEach((svg, f) => {
      const opacity = f === frame ? '1' : '0';
      if (svg.style.opacity !== opacity) svg.style.opacity = opacity;
    });
    if (!turning || frame < 0 || wheel.interval <= 0) return;
    const I = wheel.interval;
    wheel.turns ||= wheel.frames.map((svg) => svg.animate(TURN, { duration: 3 * I, iterations: Infinity }));
    // Frame f comes (f - frame) ticks after this one, at the same point of its own turn.
    wheel.turns.forEach((a, f) => { a.startTime = wheel.t0 - ((frame - f + 3) % 3) * I; });
  }

  // The pictures are symbols in the page itself, drawn where a control uses one.
  function makePicture(el) {
    const svg = document.createElementNS(SVG, 'svg');
    svg.setAttribute('class', 'pic');
    svg.setAttribute('aria-hidden', 'true');
    svg.use = document.createElementNS(SVG, 'use');
    svg.appendChild(svg.use);
    el.appendChild(svg);
    return svg;
  }

  function drawPicture(svg, picture) {
    svg.style.display = PICTURES[picture] ? 'inline' : 'none';
    if (PICTURES[picture]) svg.use.setAttribute('href', `#pic-${PICTURES[picture]}`);
  }

  function create(cid, r, readable) {
    let el;
    if (r.kind === Kind.Button) {
      el = document.createElement('button');
      el.type = 'button';
      el.className = 'c';
      if (r.picture !== 0) {
        el.pic = makePicture(el);
        Object.assign(el.pic.style, { left: '3px', top: '3px', width: `${px(r.box[2]) - 6}px`,
          height: `${px(r.box[3]) - 6}px` });
      }
      el.cap = makeCaption(el, 2, false);
      if (r.hint) {
        el.setAttribute('aria-label', r.hint);
        el.title = r.hint;
      }
      if (r.about) {
        const about = document.createElement('span');
        about.id = `about-${cid}`;
        about.hidden = true;
        about.textContent = r.about;
        el.appendChild(about);
        el.setAttribute('aria-describedby', about.id);
      }
    } else {
      el = document.createElement('div');
      el.className = 'c';
      if (r.kind === Kind.Panel) {
        el.cap = makeCaption(el, panelShadows(r.bevels, colour(r.back)).inset, readable && r.number === 0);
      } else if (r.kind === Kind.Label) {
        if (r.border) el.classList.add('label');
        el.cap = makeCaption(el, 0, readable);
      } else if (r.kind === Kind.Image) {
        el.classList.add('image');
      } else if (r.kind === Kind.PictureBox) {
        el.classList.add('picture');
        el.pic = makePicture(el);
        Object.assign(el.pic.style, { width: '100%', height: '100%' });
        el.setAttribute('role', 'img');
        el.tabIndex = -1;
      }
      if (r.number !== 0) {
        el.id = `cell-${r.number}`;
        el.setAttribute('role', 'checkbox');
      }
    }
    el.dataset.id = cid;
    el.dataset.name = r.name;
    Object.assign(el.style, { left: `${px(r.box[0])}px`, top: `${px(r.box[1])}px`,
      width: `${px(r.box[2])}px`, height: `${px(r.box[3])}px`, zIndex: cid });
    if (readable && r.access && r.number === 0 && r.kind !== Kind.Button && r.kind !== Kind.PictureBox) {
      el.reader = document.createElement('span');
      el.reader.className = 'reader';
      el.appendChild(el.reader);
    }
    return el;
  }

  // Brings an element to its record; `old` is what it showed before, if anything.
  function draw(el, r, old) {
    const changed = (key) => !old || JSON.stringify(old[key]) !== JSON.stringify(r[key]);
    if (changed('visible')) el.classList.toggle('hidden', !r.visible);
    if (changed('back')) {
      el.style.backgroundColor = colour(r.back);
      if (r.kind === Kind.Panel) el.style.boxShadow = panelShadows(r.bevels, colour(r.back)).shadow;
      if (r.kind === Kind.Button) el.style.setProperty('--face', colour(r.back));
    }
    if (el.cap && (changed('caption') || changed('fore') || changed('font') || changed('align'))) {
      el.cap.textContent = r.caption;
      el.cap.style.color = colour(r.fore);
      el.cap.style.font = fontOf(r.font);
      el.cap.classList.toggle('left', r.align === 1);
      el.cap.classList.toggle('right', r.align === 2);
    }
    if (r.kind === Kind.Button && changed('enabled')) el.disabled = !r.enabled;
    if (changed('picture')) {
      if (el.wheel) drawWheel(el, r.picture);
      else if (el.pic) drawPicture(el.pic, r.picture);
    }
    if (el.reader && el.reader.textContent !== r.access) el.reader.textContent = r.access;
    if (r.kind === Kind.PictureBox) el.setAttribute('aria-label', r.access);
    if (r.number !== 0) el.setAttribute('aria-checked', r.checked ? 'true' : 'false');
  }

  function build(before) {
    const count = call('krn_count');
    // Over the window the page came with, only the records this start changed are asked for.
    const taking = before !== null && before.length === count;
    const fresh = taking ? json('krn_changed') : [...Array(count).keys()];
    // The slot indicators show what this start read, which the drawn start, with every slot
    // empty, need not have shown, even where this start left them as they were made: a
    // storage that cannot be opened leaves them neither full nor empty.
    if (taking) {
      before.forEach((r, i) => {
        records[i] = r;
        if (/^Label1[4-8]$/.test(r.name) && !fresh.includes(i)) fresh.push(i);
      });
    }
    for (const i of fresh) records[i] = json('krn_control', i);
    records.forEach((r, i) => {
      byName.set(r.name, i);
      if (r.kind === Kind.Window) windowId = i;
    });
    const win = records[windowId];
    const root = document.getElementById('window');
    followWindow(win);
    if (taking) {
      take(root, before, fresh);
    } else {
      // A page without the records it was drawn from is drawn here from the start.
      root.replaceChildren();
      Object.assign(root.style, { width: `${px(win.box[2])}px`, height: `${px(win.box[3])}px`,
        backgroundColor: colour(win.back) });
      fill(root, win);
    }

    const grid = elements[id('Basınç')];
    grid.classList.add('grid');
    grid.tabIndex = 0;
    grid.addEventListener('keydown', gridKey);
    grid.addEventListener('mousedown', () => grid.classList.remove('keyboard'));
    grid.addEventListener('focus', () => { showFrame(frame); });
    grid.addEventListener('keyup', (e) => { if (e.key === 'Tab') grid.classList.add('keyboard'); });
    root.addEventListener('click', onClick);
    root.addEventListener('keydown', pictureKey);
    root.removeEventListener('click', clickedEarly);
    followPictures();
  }

  function fill(root, win) {
    const children = new Map();
    for (const [i, r] of records.entries()) {
      if (!children.has(r.container)) children.set(r.container, []);
      children.get(r.container).push(i);
    }
    // In reading order, which is also the order of Tab; the inventory order, in which a
    // later control lies in front of an earlier one, goes to the stacking order.
    const walk = (container, parent, readable) => {
      const order = json('krn_reading_order', container);
      const rest = (children.get(container) || []).filter((c) => !order.includes(c));
      for (const cid of [...order, ...rest]) {
        if (cid < 0) {
          const item = document.createElement('div');
          item.className = 'reader';
          item.dataset.item = cid;
          item.textContent = core.UTF8ToString(call('krn_item_name', cid));
          items.set(cid, item);
          parent.appendChild(item);
          continue;
        }
        const r = records[cid];
        // Timers draw nothing; controls right of the client area are never on screen.
        if (r.kind === Kind.Timer || r.wleft >= win.box[2] || r.wtop >= win.box[3]) continue;
        const inOrder = readable && order.includes(cid);
        const el = create(cid, r, inOrder);
        if (!inOrder) el.setAttribute('aria-hidden', 'true');
        elements[cid] = el;
        parent.appendChild(el);
        if (r.kind === Kind.Image) el.wheel = makeWheel(el, px(r.box[2]));
        draw(el, r, null);
        if (children.has(cid)) {
          if (inOrder && r.access) {
            el.setAttribute('role', 'group');
            el.setAttribute('aria-label', r.access);
          }
          walk(cid, el, inOrder);
        }
      }
    };
    walk(windowId, root, true);
  }

  // The page comes with the window already drawn, by the build, from the records the core
  // starts with when no slot holds a coupon: the first frame waits for no script. The
  // elements are taken over here, and only the controls this start changed are drawn again.
  function take(root, before, fresh) {
    for (const el of root.querySelectorAll('[data-id]')) {
      const cid = Number(el.dataset.id);
      const r = records[cid];
      elements[cid] = el;
      el.cap = el.querySelector(':scope > .cap');
      el.pic = el.querySelector(':scope > .pic');
      if (el.pic) el.pic.use = el.pic.firstElementChild;
      el.reader = el.querySelector(':scope > .reader');
      // A wheel shows nothing before its first tick: its frames come with the page's script,
      // drawn for this screen, and leave the page's first frame lighter.
      if (r.kind === Kind.Image) {
        el.wheel = makeWheel(el, px(r.box[2]));
        drawWheel(el, r.picture);
      }
    }
    for (const cid of fresh) {
      if (elements[cid]) draw(elements[cid], records[cid], before[cid]);
    }
    for (const item of root.querySelectorAll('[data-item]')) {
      const cid = Number(item.dataset.item);
      items.set(cid, item);
      const name = core.UTF8ToString(call('krn_item_name', cid));
      if (item.textContent !== name) item.textContent = name;
    }
  }

  function followWindow(r) {
    // Blanks as no-break spaces: a browser drops a title of plain blanks and shows the
    // address instead, where the window shows an empty title bar.
    const title = r.caption.replace(/ /g, '\u00a0') || '\u00a0';
    if (document.title !== title) document.title = title;
    document.getElementById('window').setAttribute('aria-label', r.access);
  }

  // -- The mirror ------------------------------------------------------------------------

  // `ticked`: only timers have run since the last mirror, and a wheel's tick changes nothing of
  // its record but the frame it shows.
  function mirror(ticked = false) {
    // A press that changed nothing may still have a reason to tell.
    const changed = json('krn_changed');
    const focused = document.activeElement;
    const gridId = id('Basınç');
    const gridWasOpen = records[gridId].visible;
    let pictures = false;
    const told = [];
    // A wheel's tick changes nothing a reader is told.
    let readable = false;
    for (const cid of changed) {
      // A wheel standing still keeps the frame it shows; what it would show is read when it
      // turns again. Its tick changes nothing else.
      if (still && records[cid].kind === Kind.Image && records[cid].picture >= WHEEL_FRAME_0) {
        staleWheels.add(cid);
        continue;
      }
      if (ticked && records[cid].kind === Kind.Image && elements[cid]) {
        records[cid].picture = call('krn_picture', cid);
        drawWheel(elements[cid], records[cid].picture);
        continue;
      }
      const r = json('krn_control', cid);
      const old = records[cid];
      records[cid] = r;
      if (cid === windowId) {
        followWindow(r);
        continue;
      }
      if (r.kind === Kind.PictureBox) pictures = true;
      if (r.kind !== Kind.Image) readable = true;
      const el = elements[cid];
      if (!el) continue;
      draw(el, r, old);
      if (el.reader && r.shown && old.access !== r.access) told.push(r.access);
    }
    for (const [cid, item] of readable ? items : []) {
      const name = core.UTF8ToString(call('krn_item_name', cid));
      if (item.textContent !== name) item.textContent = name;
    }
    // What the press did, as the desktop's reader says it; otherwise what came into view.
    const report = core.UTF8ToString(call('krn_report'));
    if (report || told.length > 0) announce(report || told.join('; '));
    if (readable) followFocus(focused, gridWasOpen, records[gridId].visible, pictures);
  }

  // Says `text` through the page's live region, once, as the desktop's reader is told what a
  // press did; the same text twice in a row is said twice.
  function announce(text) {
    const region = document.getElementById('announce');
    region.textContent = region.textContent === text ? `${text}\u00a0` : text;
  }
  page.announce = announce;

  // What a slot holds now, as a reader is told it: "b yuvası: ekranda değil, dolu".
  function slotState(slot) {
    const letter = 'abcde'[slot];
    const item = [...items.values()].find((i) => i.textContent.startsWith(`${letter} yuvası`));
    return item ? item.textContent : '';
  }
  page.slotState = slotState;

  // Where a change takes the keyboard focus is the window's rule, the desktop's: into the
  // grid, however it was opened, back to the button that opened it, onto the picture that
  // came up; a focused control that went away hands the focus on to one whose Space or
  // Return writes no file and throws away nothing the player entered, never to the page.
  function followFocus(focused, gridWasOpen, gridOpen, pictures) {
    if (gridOpen && !gridWasOpen) {
      // Opened with the mouse, it has the keys but shows no frame until one is pressed.
      elements[id('Basınç')].classList.toggle('keyboard', byKeyboard);
      frame = 1;
    }
    if (pictures) followPictures();
    const to = call('krn_focus', holder(focused), byKeyboard ? 1 : 0);
    if (to >= 0 && elements[to] && document.activeElement !== elements[to] && !messageUp) elements[to].focus();
  }

  // The control that holds the focus for the rule: the one just pressed, as a desktop button
  // takes the focus with its click (WebKit's do not), or else the one that has it.
  function holder(focused) {
    const pressed = pressedEl && (pressedEl.tagName === 'BUTTON' || pressedEl.classList.contains('picture'));
    const el = pressed ? pressedEl : focused;
    const control = el && el.closest ? el.closest('#window [data-id]') : null;
    return control ? Number(control.dataset.id) : -1;
  }

  // Only the picture in front is reached with Tab, as only it can be clicked.
  function followPictures() {
    const stack = ['Logo3', 'Logo', 'Logo2'].map(id);
    const front = stack.find((p) => records[p].visible);
    for (const p of stack) elements[p].tabIndex = p === front ? 0 : -1;
  }

  // -- Events ----------------------------------------------------------------------------

  // One event at a time: a save waits for the storage inside its handler, and nothing else
  // reaches the rules, and nothing is drawn, until it is done.
  function run(task) {
    // The window the build draws keeps no slot in the browser's storage, so nothing is
    // played on it: a save there would be shown as done and be gone on the next load.
    if (PRERENDER || ended) return;
    if (busy) {
      waiting.push(task);
      return;
    }
    busy = true;
    Promise.resolve()
      .then(task)
      .catch((e) => console.error(e))
      .then(() => {
        if (ended) {
          document.getElementById('restart').focus();
          return;
        }
        mirror();
        byKeyboard = false;
        pressedEl = null;
        busy = false;
        if (waiting.length > 0) run(waiting.shift());
      });
  }

  // The message is closed for the rules as soon as the player sees it close. The dialog's
  // close event comes a task later, and a click or key that came first would find the
  // message still open, and be refused.
  let messageUp = false;
  function messageClosed() {
    if (!messageUp || document.getElementById('message').open) return;
    messageUp = false;
    run(() => call('krn_message_closed'));
  }

  function clickControl(cid, key) {
    messageClosed();
    run(async () => {
      byKeyboard = key;
      pressedEl = elements[cid] || null;
      await core.ccall('krn_click', 'number', ['number'], [cid], { async: true });
    });
  }

  function onClick(e) {
    const el = e.target.closest('[data-id]');
    if (!el) return;
    const cid = Number(el.dataset.id);
    if (!records[cid].clickable) return;
    // A button pressed with Space or Return reports a click of no mouse button.
    clickControl(cid, el.tagName === 'BUTTON' && e.detail === 0);
  }

  function pictureKey(e) {
    const el = e.target;
    if (!el.classList.contains('picture') || (e.key !== ' ' && e.key !== 'Enter') || e.repeat) return;
    e.preventDefault();
    clickControl(Number(el.dataset.id), true);
  }

  function showFrame(n) {
    const grid = elements[id('Basınç')];
    elements[id(`bas${frame}`)].classList.remove('frame');
    frame = n;
    const cell = elements[id(`bas${frame}`)];
    cell.classList.add('frame');
    grid.setAttribute('aria-activedescendant', cell.id);
  }

  function gridKey(e) {
    const grid = elements[id('Basınç')];
    const digit = /^[0-9]$/.test(e.key) ? Number(e.key) : -1;
    let to = frame;
    if (e.key === 'ArrowLeft') to = frame - 1;
    else if (e.key === 'ArrowRight') to = frame + 1;
    else if (e.key === 'ArrowUp') to = frame - 9;
    else if (e.key === 'ArrowDown') to = frame + 9;
    else if (e.key === ' ' || e.key === 'Enter' || e.key === 'Escape') {
      e.preventDefault();
      grid.classList.add('keyboard');
      typed.digit = 0;
      if (e.repeat) return;
      const target = e.key === ' ' ? `bas${frame}` : e.key === 'Escape' ? 'Vazgeç' : 'Tamam';
      clickControl(id(target), true);
      return;
    } else if (digit >= 0) {
      // Two digits typed within a second make one number, as "4" and "9" make 49.
      const follows = typed.digit !== 0 && e.timeStamp - typed.at < 1000;
      const number = follows ? typed.digit * 10 + digit : digit;
      typed = { digit: !follows && digit >= 1 && digit <= 4 ? digit : 0, at: e.timeStamp };
      if (number >= 1 && number <= 49) to = number;
    } else {
      typed.digit = 0;
      return;
    }
    if (digit < 0) typed.digit = 0;
    e.preventDefault();
    grid.classList.add('keyboard');
    if (to >= 1 && to <= 49) showFrame(to);
  }

  // The eight timers run from one clock: the ticks that fall due together are handled in one
  // task and drawn in one frame, as a desktop handles the timer events that are due at once
  // and then repaints once. A tick due while an event is being handled is skipped, as a
  // busy desktop skips timer events.
  //
  // A tick only turns a wheel, so the clock rests while no wheel is drawn: the wheels
  // stopped, or the page out of sight. The page then wakes for nothing. The ticks that fall
  // due meanwhile reach the rules all at once, before anything else reaches them, each with
  // the time of day it fell due at: whatever is read of the window is what ticking all along
  // would have made it.
  let clock = null;
  const due = [];
  const resting = () => clock === null && !ended;
  // The time of day a tick in hand reads, while the rules take the ticks of a rest.
  let tickSeconds = null;

  function startTimers() {
    const start = performance.now();
    for (const r of records) {
      const k = /^Timer([1-8])$/.exec(r.name);
      if (r.kind === Kind.Timer && k && r.interval > 0) {
        due.push({ k: Number(k[1]), interval: r.interval, next: start + r.interval });
      }
    }
    document.addEventListener('visibilitychange', wake);
    schedule();
  }

  function schedule() {
    clearTimeout(clock);
    clock = null;
    if (ended || due.length === 0 || still || document.hidden) return;
    clock = setTimeout(step, Math.min(...due.map((d) => d.next)) - performance.now());
  }

  function step() {
    const now = performance.now() + 1;
    for (const d of due) {
      if (d.next > now) continue;
      if (!busy) call('krn_tick', d.k);
      while (d.next <= now) d.next += d.interval;
    }
    if (!busy) mirror(true);
    schedule();
  }

  // The clock goes on where a wheel is drawn again.
  function wake() {
    if (!resting() || still || document.hidden) return;
    catchUp();
    if (!busy) mirror(true);
    schedule();
  }

  // Page time `t` as seconds since the last midnight, as the player's clock reads it.
  function secondsAt(t) {
    const day = new Date(Date.now() - performance.now() + t);
    return day.getHours() * 3600 + day.getMinutes() * 60 + day.getSeconds();
  }

  // How many of the `count` ticks from page time `first` on, `interval` apart, fall in the
  // first second of a day, when the tick does nothing.
  function midnightTicks(first, count, interval) {
    const wall = Date.now() - performance.now();
    const last = first + (count - 1) * interval;
    const day = new Date(first + wall);
    let ticks = 0;
    for (let i = 0; ; ++i) {
      const midnight = new Date(day.getFullYear(), day.getMonth(), day.getDate() + i).getTime() - wall;
      if (midnight > last) return ticks;
      const from = Math.max(0, Math.ceil((midnight - first) / interval));
      ticks += Math.max(0, Math.min(count, Math.ceil((midnight + 1000 - first) / interval)) - from);
    }
  }

  // Hands the rules the ticks that fell due while the clock rested, straight to the core, as
  // they are what `call` waits for. Three ticks that do something bring a wheel back to
  // where it was, so of a long rest only the last few are handed on one by one; the rest
  // stand in as the one or two ticks they come to.
  function catchUp() {
    const now = performance.now() + 1;
    try {
      for (const d of due) {
        if (d.next > now) continue;
        const count = Math.floor((now - d.next) / d.interval) + 1;
        const passed = Math.max(0, count - 3 - (count % 3));
        tickSeconds = 1;
        for (let n = (passed - midnightTicks(d.next, passed, d.interval)) % 3; n > 0; --n) {
          core._krn_tick(d.k);
        }
        for (let i = passed; i < count; ++i) {
          tickSeconds = secondsAt(d.next + i * d.interval);
          core._krn_tick(d.k);
        }
        d.next += count * d.interval;
      }
    } finally {
      tickSeconds = null;
    }
  }

  // -- Slot files in and out, outside the window ----------------------------------------

  function download(slot) {
    run(() => {
      const path = core.UTF8ToString(call('krn_slot_path', slot));
      const name = path.slice(path.lastIndexOf('/') + 1);
      let bytes;
      try {
        bytes = core.FS.analyzePath(path).exists ? core.FS.readFile(path) : new Uint8Array(0);
      } catch (e) {
        page.showMessage(MESSAGE_TITLE, `Kupon indirilemedi.\n"${name}" dosyası okunamadı`);
        return;
      }
      const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
      const a = document.createElement('a');
      a.href = url;
      a.download = name;
      a.click();
      setTimeout(() => URL.revokeObjectURL(url), 1000);
    });
  }

  // A file's name as a message may show it: without the control and direction characters
  // that could break the message's lines or turn its words around.
  const shownName = (name) => name.replace(/[\p{Cc}\p{Cf}\p{Zl}\p{Zp}]/gu, '');

  // Takes the one file the player brought into slot `slot`; more at once are refused, as a
  // slot holds one coupon and no file is to be dropped silently.
  function importFiles(slot, files) {
    run(async () => {
      if (files.length !== 1) {
        page.showMessage(MESSAGE_TITLE,
          `Kupon yüklenemedi.\n${files.length} dosya birden bırakıldı; bir yuvaya tek dosya alınır.`);
        return;
      }
      const file = files[0];
      let bytes;
      try {
        // The record is the first 96 bytes; the parser reads no more.
        bytes = new Uint8Array(await file.slice(0, 96).arrayBuffer());
      } catch (e) {
        page.showMessage(MESSAGE_TITLE, `Kupon yüklenemedi.\n"${shownName(file.name)}" dosyası okunamadı`);
        return;
      }
      const path = '/tmp/gelen.krn';
      core.FS.writeFile(path, bytes);
      const taken = await core.ccall('krn_import', 'number', ['number', 'string', 'string', 'number'],
        [slot, path, shownName(file.name), file.size], { async: true });
      core.FS.unlink(path);
      if (taken) {
        mirror();
        announce(slotState(slot));
      }
    });
  }

  function slotFiles(letter) {
    const name = `kolon${letter}.krn`;
    const group = document.createElement('span');
    group.className = 'slot';
    const out = document.createElement('button');
    out.textContent = `${letter}: indir`;
    out.setAttribute('aria-label', `${letter} yuvasını ${name} olarak indir`);
    const take = document.createElement('button');
    take.textContent = 'al';
    take.setAttribute('aria-label', `${letter} yuvasına .krn dosyası al`);
    // The file chooser is the browser's, in the browser's language and named for no slot:
    // a reader meets the "al" button that opens it, never the chooser itself.
    const input = document.createElement('input');
    input.type = 'file';
    input.accept = '.krn';
    input.tabIndex = -1;
    input.hidden = true;
    input.setAttribute('aria-hidden', 'true');
    input.id = `file-${letter}`;
    group.append(out, take, input);
    return group;
  }

  function buildFiles() {
    const strip = document.getElementById('files');
    for (let s = 0; s < 5; ++s) {
      const letter = 'abcde'[s];
      const group = strip.children[s] || strip.appendChild(slotFiles(letter));
      const [out, take, input] = group.children;
      out.addEventListener('click', () => download(s));
      input.addEventListener('change', () => {
        if (input.files.length > 0) importFiles(s, [...input.files]);
        input.value = '';
      });
      take.addEventListener('click', () => input.click());
    }
    const motion = strip.querySelector('#motion') || strip.appendChild(motionButton());
    motion.addEventListener('click', () => setStill(!still));
    reduceMotion.addEventListener('change', () => setStill(reduceMotion.matches));
    setStill(still);
    // A file dropped on the slot bar goes into the slot whose buttons it was dropped on.
    const bar = elements[id('SSPanel66')];
    bar.addEventListener('dragover', (e) => e.preventDefault());
    bar.addEventListener('drop', (e) => {
      e.preventDefault();
      if (e.dataTransfer.files.length === 0) return;
      const x = (e.clientX - bar.getBoundingClientRect().left) / scale * TWIPS_PER_PIXEL;
      let slot = 0;
      for (let s = 1; s < 5; ++s) {
        if (x >= records[id(`SSCommand${14 + 3 * s}`)].box[0] - 60) slot = s;
      }
      importFiles(slot, [...e.dataTransfer.files]);
    });
  }

  // -- Moving pictures -------------------------------------------------------------------

  // The wheels turn for ever, so a player can stop them: the browser's "reduce motion" stops
  // them from the start, and a button beside the slot files stops and starts them. The
  // rules still take every tick, the page only stops drawing the frames.
  const reduceMotion = window.matchMedia('(prefers-reduced-motion: reduce)');
  let still = reduceMotion.matches;
  const staleWheels = new Set();

  function motionButton() {
    const button = document.createElement('button');
    button.type = 'button';
    button.id = 'motion';
    return button;
  }

  function setStill(on) {
    still = on;
    const button = document.getElementById('motion');
    button.textContent = still ? 'Çarkları döndür' : 'Çarkları durdur';
    if (!core) return;
    if (still) {
      schedule();
    } else {
      wake();
      for (const cid of staleWheels) records[cid].picture = call('krn_picture', cid);
      staleWheels.clear();
    }
    // A wheel stops at the frame its rule last gave it, and turns on from there.
    elements.forEach((el, cid) => el.wheel && drawWheel(el, records[cid].picture));
  }

  // -- Scale -----------------------------------------------------------------------------

  // The window is scaled as a whole, to the width of a narrow screen or the height of a low
  // one, never larger than it is on a screen with a mouse; on a touch screen it takes the
  // width it is given. The slot files bar under it keeps its own size, for fingers.
  let scale = 1;
  function fit() {
    const win = document.getElementById('window');
    const room = window.innerHeight - document.getElementById('files').offsetHeight;
    const largest = window.matchMedia('(pointer: coarse)').matches ? Infinity : 1;
    scale = Math.min(largest, window.innerWidth / win.offsetWidth, room / win.offsetHeight);
    const scaled = scale !== 1;
    win.style.transform = scaled ? `scale(${scale})` : '';
    // A transform leaves the layout as it was: the margins give the window the room it takes.
    win.style.marginRight = scaled ? `${(scale - 1) * win.offsetWidth}px` : '';
    win.style.marginBottom = scaled ? `${(scale - 1) * win.offsetHeight}px` : '';
  }

  // -- What the rules need from the page -------------------------------------------------

  page.random = () => {
    // 53 random bits as a fraction: never 1.0.
    const words = crypto.getRandomValues(new Uint32Array(2));
    return ((words[0] >>> 5) * 67108864 + (words[1] >>> 6)) / 9007199254740992;
  };
  page.secondsSinceMidnight = () => tickSeconds ?? secondsAt(performance.now());
  // The sound device is held only while a beep sounds: a running audio context keeps the
  // processor and the sound server awake between beeps, which may be hours apart.
  let audio = null;
  let sounding = 0;
  page.beep = () => {
    audio = audio || new AudioContext();
    if (audio.state === 'suspended') audio.resume().catch(() => {});
    const tone = audio.createOscillator();
    const gain = audio.createGain();
    gain.gain.value = 0.1;
    tone.frequency.value = 800;
    tone.connect(gain).connect(audio.destination);
    sounding += 1;
    tone.onended = () => {
      sounding -= 1;
      if (sounding === 0 && audio.state === 'running') audio.suspend().catch(() => {});
    };
    tone.start();
    tone.stop(audio.currentTime + 0.12);
  };
  page.showMessage = (title, text) => {
    const box = document.getElementById('message');
    document.getElementById('message-title').textContent = title;
    document.getElementById('message-text').textContent = text;
    box.showModal();
    messageUp = true;
  };
  // A page cannot close its own tab, unless a script opened it: the program ends as far as a
  // page can. Its clock stops, nothing reaches the rules again, and the page says so, with
  // one button that starts the program anew.
  page.quit = () => {
    ended = true;
    schedule();
    elements.forEach((el, cid) => el.wheel && drawWheel(el, records[cid].picture, false));
    if (audio) audio.close();
    document.body.classList.add('ended');
    document.getElementById('ended').hidden = false;
    document.title = '\u00a0';
    window.close();
  };
  page.mounted = (before) => {
    call('krn_start');
    build(before);
    buildFiles();
    mirror();
    if (PRERENDER) {
      keepDrawing();
      return;
    }
    startTimers();
    // From here on a click is answered; make bench measures the time to it.
    performance.mark('krn-interactive');
    for (const [cid, key] of early.splice(0)) {
      if (records[cid].clickable) clickControl(cid, key);
    }
    document.getElementById('message').addEventListener('close', messageClosed);
    krnSlotStorage.follow(slotsChanged);
    if (changedEarly) slotsChanged(null);
    // Ready once the faces, the pictures and the icon are in: nothing is fetched after it.
    // Every face is asked for, not only those on the screen: WebKit fetches a face the
    // first time a caption shows it, and the italic one may wait for a later state.
    const loaded = document.readyState === 'complete' ? Promise.resolve()
      : new Promise((resolve) => window.addEventListener('load', resolve, { once: true }));
    const faces = [...document.fonts].map((f) => f.load().catch(() => null));
    Promise.all([loaded, document.fonts.ready, ...faces]).then(() => {
      document.body.dataset.ready = '1';
      keepOffline();
    });
  };

  // Once the page has all it needs, a service worker keeps every file of it for the next
  // time, with or without a network. A new build, found when the page is opened online, is
  // told to take over as soon as this page has loaded: it asks for no file again, and the
  // next page opened is the new build, whole.
  function keepOffline() {
    if (!navigator.serviceWorker) return;
    const takeOver = (worker) => worker && worker.postMessage('take-over');
    const whenInstalled = (worker) => worker && worker.addEventListener('statechange', () => {
      if (worker.state === 'installed') takeOver(worker);
    });
    navigator.serviceWorker.register('sw.js').then((registration) => {
      takeOver(registration.waiting);
      whenInstalled(registration.installing);
      registration.addEventListener('updatefound', () => whenInstalled(registration.installing));
    }).catch((e) => console.error('offline', e));
  }

  // The build draws the window into the page it ships in a browser it drives, which sets
  // this before the page's scripts run: the start of a player with no coupon in any slot,
  // no storage, no timers, and the records it was drawn from kept beside it, for the page
  // that opens it to take over. Nothing a player can put in the address does this.
  const PRERENDER = window.krnPrerender === true;
  function keepDrawing() {
    document.getElementById('announce').textContent = '';
    window.krnDrawn = JSON.stringify(records);
    document.body.dataset.ready = '1';
  }

  // -- The slot files --------------------------------------------------------------------

  // The core reads and writes its slot files in its own file system, in memory, where each
  // is the copy of one entry of the page's storage. `stored` holds what the storage holds
  // for each slot that has been read; a slot not in it was not read, and is not written.
  const SLOT_FOLDER = '/KRN_Sayısal';
  const SLOT_PATHS = [...'abcde'].map((letter) => `${SLOT_FOLDER}/kolon${letter}.krn`);
  // The runtime's error numbers.
  const EIO = 29;
  const ENOSPC = 51;
  const stored = new Map();
  let persistAsked = false;

  const sameBytes = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);

  // Puts what the storage holds for `path` (bytes, null for nothing, or the error that kept
  // it from being read) where the core reads it. A slot that could not be read is a file
  // whose every read fails, as an unreadable file on the desktop: shown grey, never loaded,
  // and a save into it fails before it writes.
  function place(path, held) {
    const fs = core.FS;
    if (fs.analyzePath(path).exists) fs.unlink(path);
    if (held instanceof Uint8Array || held === null) {
      stored.set(path, held || new Uint8Array(0));
      if (held) fs.writeFile(path, held);
      return;
    }
    stored.delete(path);
    fs.writeFile(path, new Uint8Array(0));
    const node = fs.lookupPath(path).node;
    node.stream_ops = { ...node.stream_ops, read() { throw new fs.ErrnoError(EIO); } };
  }

  function placeSlots(held) {
    const fs = core.FS;
    if (held instanceof Error) {
      // No storage at all: the slot folder cannot be made, so the core says once, at the
      // start, that no slot can be read, and every save fails before it writes.
      fs.chmod('/', 0o555);
      return;
    }
    fs.mkdir(SLOT_FOLDER);
    if (held) SLOT_PATHS.forEach((path, s) => place(path, held[s]));
  }

  // The core's write of a slot file is on the disk once this resolves to 0: the storage
  // holds the file as it now stands. A file that is as the storage holds it already (a
  // failed write put back) costs nothing. Otherwise the error number of the failure.
  page.storeFile = async (fd) => {
    const fs = core.FS;
    const path = fs.getPath(fs.getStream(fd).node);
    if (!SLOT_PATHS.includes(path)) return 0;
    if (!stored.has(path)) return EIO;
    const bytes = fs.readFile(path);
    if (sameBytes(bytes, stored.get(path))) return 0;
    // Kept for good: asked at the player's first save, and never waited on.
    if (!persistAsked && navigator.storage && navigator.storage.persist) {
      persistAsked = true;
      navigator.storage.persist().catch(() => {});
    }
    try {
      await krnSlotStorage.write(path, bytes);
      stored.set(path, bytes);
      return 0;
    } catch (e) {
      return e && e.name === 'QuotaExceededError' ? ENOSPC : EIO;
    }
  };

  // Another tab wrote a slot, or the storage changed under the page (null: any slot): the
  // slots are read again, between two events, and the indicators show what they hold.
  function slotsChanged(paths) {
    run(async () => {
      const which = paths ? SLOT_PATHS.filter((p) => paths.includes(p)) : SLOT_PATHS;
      if (which.length === 0 || !core.FS.analyzePath(SLOT_FOLDER).exists) return;
      const held = await krnSlotStorage.read(which).catch((e) => which.map(() => e));
      which.forEach((path, i) => place(path, held[i]));
      call('krn_slots_changed');
    });
  }

  // What the core needs is asked for only once the window the page came with is on the
  // screen, so that its first frame shares the machine with nothing: the frame after the
  // next animation frame. Then everything is asked for at once: the records the window was
  // drawn from, the five slots, the core's code, compiled off the main thread, and the
  // core's script, which only sets the compiled code up. The window starts once all are in.
  let drawnFrom = null;
  let slotsRead = null;
  let changedEarly = false;
  let compiled = null;
  function loadCore() {
    drawnFrom = PRERENDER ? Promise.resolve(null)
      : fetch('drawn.json').then((r) => (r.ok ? r.json() : null)).catch(() => null);
    slotsRead = PRERENDER ? Promise.resolve(null) : krnSlotStorage.read(SLOT_PATHS).catch((e) => e);
    // A slot another tab writes after this read and before the window starts is read again.
    krnSlotStorage.follow(() => { changedEarly = true; });
    const fetchCore = () => fetch('krn.wasm', { credentials: 'same-origin' });
    compiled = WebAssembly.compileStreaming(fetchCore())
      .catch(() => fetchCore().then((r) => r.arrayBuffer()).then((bytes) => WebAssembly.compile(bytes)));
    const script = document.createElement('script');
    script.src = 'krn.js';
    document.head.appendChild(script);
  }
  window.Module = {
    krnPage: page,
    instantiateWasm(imports, receive) {
      compiled.then((code) => WebAssembly.instantiate(code, imports))
        .then((instance) => receive(instance)).catch((e) => console.error('core', e));
      return {};
    },
    // The slots are put in the core's file system only now: writing a file there needs the
    // core's memory, which exists once its code is running.
    onRuntimeInitialized() {
      core = window.Module;
      Promise.all([slotsRead, drawnFrom]).then(([held, before]) => {
        placeSlots(held);
        page.mounted(before);
      });
    },
  };
  // A click on the drawn window before the core has taken it over waits for the core, as a
  // desktop's clicks wait in its queue for a window that is still starting.
  const early = [];
  function clickedEarly(e) {
    const el = e.target.closest('[data-id]');
    if (el) early.push([Number(el.dataset.id), el.tagName === 'BUTTON' && e.detail === 0]);
  }
  document.getElementById('window').addEventListener('click', clickedEarly);
  document.getElementById('restart').addEventListener('click', () => window.location.reload());

  // The window is fitted to the screen whenever either changes size. The window's size is
  // read where the browser has laid it out anyway, in the frame before it is painted, so
  // fitting never makes it lay the page out early: the first frame is fitted as well.
  new ResizeObserver(fit).observe(document.getElementById('stage'));
  window.addEventListener('resize', fit);
  // A page opened behind another tab draws no frame until it is shown, and has none to wait for.
  if (document.visibilityState === 'hidden') setTimeout(loadCore);
  else requestAnimationFrame(() => setTimeout(loadCore));
})();
