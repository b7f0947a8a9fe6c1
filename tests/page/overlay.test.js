'use strict';

// Drives resources/overlay.html in Debian's Chromium the way the tray program
// does: load once, call __lumioShow per break, read the posted messages.
const { describe, test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');
const { decodePng } = require('./png');

const CHROMIUM = process.env.LUMIO_CHROMIUM || '/usr/bin/chromium';
const PAGE_URL = pathToFileURL(path.resolve(__dirname, '../../resources/overlay.html')).href;
const OUT_DIR = path.join(__dirname, 'out');
const WIDTH = 340;
const HEIGHT = 430;

const ANIMALS = [
  { id: 'cat', name: 'Mèo Cam', breakSec: 20 },
  { id: 'dog', name: 'Cún Shiba', breakSec: 25 },
  { id: 'bunny', name: 'Thỏ Bông', breakSec: 30 },
  { id: 'panda', name: 'Gấu Trúc', breakSec: 15 },
  { id: 'frog', name: 'Ếch Xanh', breakSec: 45 },
  { id: 'penguin', name: 'Cánh Cụt', breakSec: 120 },
];

// Stands in for the host's bridge: records each message with its time.
function installBridgeStub() {
  window.__messages = [];
  window.__messageTimes = [];
  window.webkit = {
    messageHandlers: {
      lumio: {
        postMessage(message) {
          window.__messages.push(String(message));
          window.__messageTimes.push(performance.now());
        },
      },
    },
  };
}

// Counts timers and frame callbacks the page asks for, to prove it is idle.
function installTimerProbe() {
  const timeouts = new Set();
  const intervals = new Set();
  const frames = new Set();
  const calls = { timeouts: 0, intervals: 0, frames: 0 };
  const nativeSetTimeout = window.setTimeout.bind(window);
  const nativeClearTimeout = window.clearTimeout.bind(window);
  const nativeSetInterval = window.setInterval.bind(window);
  const nativeClearInterval = window.clearInterval.bind(window);
  const nativeRaf = window.requestAnimationFrame.bind(window);
  const nativeCancelRaf = window.cancelAnimationFrame.bind(window);

  window.setTimeout = function (fn, ms, ...args) {
    calls.timeouts++;
    const id = nativeSetTimeout(() => {
      timeouts.delete(id);
      if (typeof fn === 'function') fn(...args);
    }, ms);
    timeouts.add(id);
    return id;
  };
  window.clearTimeout = (id) => {
    timeouts.delete(id);
    nativeClearTimeout(id);
  };
  window.setInterval = function (fn, ms, ...args) {
    calls.intervals++;
    const id = nativeSetInterval(fn, ms, ...args);
    intervals.add(id);
    return id;
  };
  window.clearInterval = (id) => {
    intervals.delete(id);
    nativeClearInterval(id);
  };
  window.requestAnimationFrame = (fn) => {
    calls.frames++;
    const id = nativeRaf((t) => {
      frames.delete(id);
      fn(t);
    });
    frames.add(id);
    return id;
  };
  window.cancelAnimationFrame = (id) => {
    frames.delete(id);
    nativeCancelRaf(id);
  };
  window.__probe = () => ({
    pendingTimeouts: timeouts.size,
    activeIntervals: intervals.size,
    pendingFrames: frames.size,
    calls: { ...calls },
    runningAnimations: document
      .getAnimations()
      .filter((a) => a.playState === 'running')
      .map((a) => a.animationName || 'script animation'),
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let context;
let userDataDir;

async function openPage({ width = WIDTH, height = HEIGHT, bridge = true, reducedMotion = false } = {}) {
  const page = await context.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error));
  await page.setViewportSize({ width, height });
  if (reducedMotion) await page.emulateMedia({ reducedMotion: 'reduce' });
  if (bridge) await page.addInitScript(installBridgeStub);
  await page.addInitScript(installTimerProbe);
  await page.goto(PAGE_URL);
  return page;
}

const show = (page, opts) => page.evaluate((o) => window.__lumioShow(o), opts);
const messages = (page) => page.evaluate(() => window.__messages.slice());
const countdown = (page) => page.locator('#countdown').textContent();
const bubbleText = async (page) => (await page.locator('.bubble').innerText()).replace(/\u00a0/g, ' ');

async function waitForMessages(page, count, timeoutMs = 6000) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const got = await messages(page);
    if (got.length >= count) return got;
    if (Date.now() > deadline) {
      throw new Error(`waited for ${count} messages, got ${JSON.stringify(got)}`);
    }
    await sleep(40);
  }
}

// Waits past any late timer and checks nothing else was posted.
async function expectFinalMessages(page, expected) {
  await waitForMessages(page, expected.length);
  await sleep(800);
  assert.deepEqual(await messages(page), expected);
}

function outsideAlpha(png) {
  let worst = 0;
  for (let y = 0; y < png.height; y++) {
    for (let x = 0; x < png.width; x++) {
      if (x < WIDTH && y < HEIGHT) continue;
      worst = Math.max(worst, png.data[(y * png.width + x) * 4 + 3]);
    }
  }
  return worst;
}

function alphaAt(png, x, y) {
  return png.data[(y * png.width + x) * 4 + 3];
}

before(async () => {
  assert.ok(fs.existsSync(CHROMIUM), `${CHROMIUM} is missing: apt-get install -y chromium`);
  fs.mkdirSync(OUT_DIR, { recursive: true });
  userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'lumio-page-'));
  context = await chromium.launchPersistentContext(userDataDir, {
    executablePath: CHROMIUM,
    headless: true,
    viewport: { width: WIDTH, height: HEIGHT },
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
});

after(async () => {
  if (context) await context.close();
  if (userDataDir) fs.rmSync(userDataDir, { recursive: true, force: true });
});

describe('each animal', () => {
  const shots = {};
  let page;

  before(async () => {
    page = await openPage();
  });

  after(async () => {
    await page.close();
  });

  for (const animal of ANIMALS) {
    test(`${animal.id} shows itself, its name and the break length`, async () => {
      await show(page, { animalId: animal.id, breakSec: animal.breakSec, dim: false, snoozeMin: 5 });

      assert.equal(await page.locator('#card').getAttribute('data-animal'), animal.id);
      assert.equal(await countdown(page), String(animal.breakSec));
      assert.ok(await page.locator(`svg.animal[data-id="${animal.id}"]`).isVisible(), 'own drawing visible');
      assert.equal(await page.locator('svg.animal:visible').count(), 1, 'only one drawing visible');

      const bubble = await bubbleText(page);
      assert.match(bubble, new RegExp(animal.name));
      assert.match(bubble, /6 mét/);
      assert.match(bubble, new RegExp(`${animal.breakSec} giây`));
      assert.equal(await page.locator('[data-action="done"]').innerText(), 'Xong rồi');
      assert.equal(await page.locator('[data-action="skip"]').innerText(), 'Bỏ qua');
      assert.equal(await page.locator('[data-action="snooze"]').innerText(), 'Nhắc lại sau 5 phút');

      // Let the arrival bounce settle before the picture.
      await sleep(900);
      shots[animal.id] = await page.screenshot({ path: path.join(OUT_DIR, `${animal.id}.png`), omitBackground: true });
      const png = decodePng(shots[animal.id]);
      assert.equal(png.width, WIDTH);
      assert.equal(png.height, HEIGHT);
      assert.equal(alphaAt(png, 0, 0), 0, 'rounded card leaves the corner transparent');
      assert.equal(alphaAt(png, WIDTH / 2, HEIGHT / 2), 255, 'card is opaque in the middle');
      assert.deepEqual(await messages(page), [], 'showing posts nothing');
      assert.deepEqual(page.errors, []);
    });
  }

  test('composite of all six', async (t) => {
    if (Object.keys(shots).length !== ANIMALS.length) {
      t.skip('not every animal was drawn');
      return;
    }
    const cells = ANIMALS.map(
      (a) => `<figure><img src="data:image/png;base64,${shots[a.id].toString('base64')}"><figcaption>${a.id}</figcaption></figure>`,
    ).join('');
    const sheet = await context.newPage();
    await sheet.setViewportSize({ width: 3 * WIDTH + 4 * 16, height: 2 * (HEIGHT + 22) + 3 * 16 });
    await sheet.setContent(
      `<style>body{margin:0;padding:16px;display:grid;grid-template-columns:repeat(3,${WIDTH}px);gap:16px;` +
        `background:linear-gradient(135deg,#4b5d73,#8a9bb0);font:13px sans-serif;color:#fff}` +
        `figure{margin:0}img{display:block}figcaption{text-align:center;height:22px;line-height:22px}</style>${cells}`,
    );
    await sheet.screenshot({ path: path.join(OUT_DIR, 'all.png') });
    await sheet.close();
  });
});

describe('outcomes', () => {
  test('each button posts its outcome, then closed, on one page reused for every break', async () => {
    const page = await openPage();
    const expected = [];
    for (const action of ['done', 'skip', 'snooze']) {
      await show(page, { animalId: 'dog', breakSec: 20, dim: false, snoozeMin: 10 });
      assert.equal(await page.locator('[data-action="snooze"]').innerText(), 'Nhắc lại sau 10 phút');
      await page.locator(`[data-action="${action}"]`).click();
      // Further clicks belong to the finished break and must be ignored.
      await page.evaluate(() => document.querySelectorAll('[data-action]').forEach((b) => b.click()));
      expected.push(action, 'closed');
      await expectFinalMessages(page, expected);
      assert.ok(await page.locator('#card').isHidden(), 'card hidden after closed');
    }

    const times = await page.evaluate(() => window.__messageTimes.slice());
    for (let i = 0; i < times.length; i += 2) {
      const exitMs = times[i + 1] - times[i];
      assert.ok(exitMs >= 300 && exitMs <= 1000, `closed follows the exit animation (${exitMs} ms)`);
    }
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('the countdown runs down, cheers, then posts done and closed', async () => {
    const page = await openPage();
    await show(page, { animalId: 'frog', breakSec: 2, dim: false, snoozeMin: 5 });
    const shownAt = await page.evaluate(() => performance.now());
    assert.equal(await countdown(page), '2');
    await sleep(1300);
    assert.equal(await countdown(page), '1');

    await page.locator('.card.cheer').waitFor({ timeout: 3000 });
    assert.equal(await countdown(page), '0');
    assert.match(await bubbleText(page), /Giỏi quá!/);
    assert.deepEqual(await messages(page), [], 'done waits for the cheer');

    await expectFinalMessages(page, ['done', 'closed']);
    const [doneAt, closedAt] = await page.evaluate(() => window.__messageTimes.slice());
    assert.ok(doneAt - shownAt >= 2000 + 800, `cheer lasts before done (${doneAt - shownAt} ms)`);
    assert.ok(closedAt - doneAt >= 300, 'closed after the exit animation');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('the countdown follows the clock when timers run late', async () => {
    const page = await openPage();
    await show(page, { animalId: 'panda', breakSec: 10, dim: false, snoozeMin: 5 });
    // Hold the main thread as a throttled or busy page would: no timer fires meanwhile.
    await page.evaluate(() => {
      const until = performance.now() + 3200;
      while (performance.now() < until);
    });
    await sleep(150);
    assert.equal(await countdown(page), '7');
    await page.close();
  });

  test('a click during the cheer changes nothing', async () => {
    const page = await openPage();
    await show(page, { animalId: 'cat', breakSec: 1, dim: false, snoozeMin: 5 });
    await page.locator('.card.cheer').waitFor({ timeout: 3000 });
    await page.evaluate(() => document.querySelector('[data-action="skip"]').click());
    await expectFinalMessages(page, ['done', 'closed']);
    await page.close();
  });
});

describe('a new break replaces the current one', () => {
  test('mid-break: countdown and animal restart, only the new break reports', async () => {
    const page = await openPage();
    await show(page, { animalId: 'cat', breakSec: 3, dim: false, snoozeMin: 5 });
    await sleep(1200);
    assert.equal(await countdown(page), '2');

    await show(page, { animalId: 'penguin', breakSec: 7, dim: false, snoozeMin: 15 });
    assert.equal(await page.locator('#card').getAttribute('data-animal'), 'penguin');
    assert.equal(await countdown(page), '7');
    assert.match(await bubbleText(page), /Cánh Cụt[\s\S]*7 giây/);
    assert.equal(await page.locator('[data-action="snooze"]').innerText(), 'Nhắc lại sau 15 phút');

    await sleep(2300);
    assert.equal(await countdown(page), '5');
    // By now the first break would have cheered, posted done and closed.
    await sleep(1200);
    assert.deepEqual(await messages(page), []);

    await page.locator('[data-action="skip"]').click();
    await expectFinalMessages(page, ['skip', 'closed']);
    await page.close();
  });

  test('during the exit animation: the old break never posts closed', async () => {
    const page = await openPage();
    await show(page, { animalId: 'bunny', breakSec: 20, dim: false, snoozeMin: 5 });
    await page.locator('[data-action="done"]').click();
    await show(page, { animalId: 'panda', breakSec: 9, dim: false, snoozeMin: 5 });
    assert.equal(await countdown(page), '9');
    assert.equal(await page.locator('#card').getAttribute('data-animal'), 'panda');
    await sleep(900);
    assert.deepEqual(await messages(page), ['done']);
    assert.ok(await page.locator('#card').isVisible());
    assert.equal(await page.locator('#card.leaving').count(), 0);

    await page.locator('[data-action="snooze"]').click();
    await expectFinalMessages(page, ['done', 'snooze', 'closed']);
    await page.close();
  });

  test('during the cheer: the old break never posts done', async () => {
    const page = await openPage();
    await show(page, { animalId: 'dog', breakSec: 1, dim: false, snoozeMin: 5 });
    await page.locator('.card.cheer').waitFor({ timeout: 3000 });
    await show(page, { animalId: 'frog', breakSec: 4, dim: false, snoozeMin: 5 });
    assert.equal(await page.locator('.card.cheer').count(), 0);
    assert.doesNotMatch(await bubbleText(page), /Giỏi quá/);
    await sleep(1800);
    assert.deepEqual(await messages(page), []);
    await page.close();
  });
});

describe('painting', () => {
  test('nothing is ever painted outside the 340 × 430 window', async () => {
    const page = await openPage({ width: 600, height: 700 });
    const snap = async (label) => {
      const png = decodePng(await page.screenshot({ omitBackground: true }));
      assert.equal(png.width, 600);
      assert.equal(outsideAlpha(png), 0, `painted outside the window while ${label}`);
      return png;
    };

    const idle = await snap('idle before the first break');
    assert.equal(alphaAt(idle, 170, 215), 0, 'nothing at all before the first break');

    await show(page, { animalId: 'bunny', breakSec: 1, dim: false, snoozeMin: 5 });
    await snap('arriving');
    await sleep(700);
    const shown = await snap('showing');
    assert.equal(alphaAt(shown, 170, 215), 255);
    await page.locator('.card.cheer').waitFor({ timeout: 3000 });
    await sleep(200);
    await snap('cheering');
    await waitForMessages(page, 1);
    await snap('leaving');
    await waitForMessages(page, 2);
    const closed = await snap('closed');
    assert.equal(alphaAt(closed, 170, 215), 0, 'nothing left after closed');
    await page.close();
  });

  test('card and contents fit the window even with long numbers', async () => {
    const page = await openPage();
    for (const animal of ANIMALS) {
      await show(page, { animalId: animal.id, breakSec: 300, dim: false, snoozeMin: 60 });
      // Measure once the arrival bounce has settled.
      await sleep(1000);
      const boxes = await page.evaluate(() =>
        ['#card', '.message', '.scene', '.stage', '.timer', '#countdown', '[data-action="done"]', '[data-action="snooze"]', '[data-action="skip"]'].map(
          (selector) => {
            const el = document.querySelector(selector);
            const r = el.getBoundingClientRect();
            return { selector, left: r.left, top: r.top, right: r.right, bottom: r.bottom, overflow: el.scrollWidth > el.clientWidth + 1 || el.scrollHeight > el.clientHeight + 1 };
          },
        ),
      );
      const [card, ...parts] = boxes;
      assert.ok(card.left >= 0 && card.top >= 0 && card.right <= WIDTH && card.bottom <= HEIGHT, `${animal.id}: card inside the window`);
      assert.ok(!card.overflow, `${animal.id}: card content fits`);
      for (const part of parts) {
        const inside = part.left >= card.left && part.top >= card.top && part.right <= card.right && part.bottom <= card.bottom;
        assert.ok(inside, `${animal.id}: ${part.selector} inside the card`);
        // The digits' glyphs are taller than their tight line box; their fit is checked against the ring below.
        if (part.selector !== '#countdown') assert.ok(!part.overflow, `${animal.id}: ${part.selector} content fits`);
      }
      const timer = boxes.find((b) => b.selector === '.timer');
      const digits = boxes.find((b) => b.selector === '#countdown');
      assert.ok(digits.left >= timer.left + 8 && digits.right <= timer.right - 8, `${animal.id}: 300 fits inside the ring`);
    }
    await page.close();
  });

  test('the page background is transparent', async () => {
    const page = await openPage();
    const backgrounds = await page.evaluate(() => [
      getComputedStyle(document.documentElement).backgroundColor,
      getComputedStyle(document.body).backgroundColor,
    ]);
    assert.deepEqual(backgrounds, ['rgba(0, 0, 0, 0)', 'rgba(0, 0, 0, 0)']);
    await page.close();
  });
});

describe('idle cost', () => {
  test('before the first break nothing runs', async () => {
    const page = await openPage();
    const before = await page.evaluate(() => window.__probe());
    await sleep(1000);
    const later = await page.evaluate(() => window.__probe());
    assert.deepEqual(later, before);
    assert.deepEqual(later.runningAnimations, []);
    assert.equal(later.pendingTimeouts + later.activeIntervals + later.pendingFrames, 0);
    await page.close();
  });

  test('after closed no timer, frame callback or animation is left running', async () => {
    const page = await openPage();
    await show(page, { animalId: 'penguin', breakSec: 20, dim: false, snoozeMin: 5 });
    await sleep(300);
    const during = await page.evaluate(() => window.__probe());
    assert.ok(during.runningAnimations.length > 0, 'the break itself is animated');

    await page.locator('[data-action="skip"]').click();
    await waitForMessages(page, 2);
    const atClose = await page.evaluate(() => window.__probe());
    await sleep(1000);
    const later = await page.evaluate(() => window.__probe());
    assert.deepEqual(later.runningAnimations, []);
    assert.equal(later.pendingTimeouts, 0);
    assert.equal(later.activeIntervals, 0);
    assert.equal(later.pendingFrames, 0);
    assert.deepEqual(later.calls, atClose.calls, 'no timers or frames requested while idle');
    assert.equal(later.calls.frames, 0, 'the countdown never needs animation frames');
    await page.close();
  });
});

describe('robustness', () => {
  test('works without the host bridge', async () => {
    const page = await openPage({ bridge: false });
    const logged = [];
    page.on('console', (msg) => logged.push(msg.text()));
    await show(page, { animalId: 'panda', breakSec: 20, dim: false, snoozeMin: 5 });
    await page.locator('[data-action="done"]').click();
    await page.locator('#card').waitFor({ state: 'hidden', timeout: 3000 });
    assert.deepEqual(page.errors, []);
    assert.ok(logged.some((line) => /done/.test(line)), 'outcome still logged');
    await page.close();
  });

  test('odd options fall back to sensible values', async () => {
    const page = await openPage();
    await show(page, { animalId: 'unicorn', breakSec: 'abc', dim: true, snoozeMin: -3 });
    assert.equal(await page.locator('#card').getAttribute('data-animal'), 'cat');
    assert.equal(await countdown(page), '20');
    assert.equal(await page.locator('[data-action="snooze"]').innerText(), 'Nhắc lại sau 5 phút');
    await page.evaluate(() => window.__lumioShow());
    assert.equal(await countdown(page), '20');
    assert.deepEqual(page.errors, []);
    await page.close();
  });

  test('reduced motion keeps only the ring, fades and blinking', async () => {
    const page = await openPage({ reducedMotion: true });
    await show(page, { animalId: 'bunny', breakSec: 1, dim: false, snoozeMin: 5 });
    await sleep(100);
    const names = new Set((await page.evaluate(() => window.__probe())).runningAnimations);
    for (const name of names) {
      assert.ok(['fade-in', 'ring-drain', 'blink'].includes(name), `unexpected animation ${name}`);
    }
    await page.locator('.card.cheer').waitFor({ timeout: 3000 });
    const cheering = (await page.evaluate(() => window.__probe())).runningAnimations;
    assert.ok(!cheering.includes('hop'), 'no hopping');
    await expectFinalMessages(page, ['done', 'closed']);
    await page.close();
  });
});
