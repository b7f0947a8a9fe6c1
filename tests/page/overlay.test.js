'use strict';

// Drives resources/overlay.html in Debian's Chromium the way the tray program
// does: load once, call __lumioShow per break, read the posted messages.
const { test, before, after } = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');

const PAGE_URL = pathToFileURL(path.resolve(__dirname, '../../resources/overlay.html')).href;
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

let browser;
before(async () => {
  browser = await chromium.launch({
    executablePath: process.env.LUMIO_CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu'],
  });
});
after(() => browser.close());

// A page with a stand-in for the host's bridge, showing one break.
async function showBreak(options) {
  const page = await browser.newPage({ viewport: { width: 340, height: 430 } });
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error));
  await page.addInitScript(() => {
    window.posted = [];
    window.webkit = { messageHandlers: { lumio: { postMessage: (m) => window.posted.push(m) } } };
  });
  await page.goto(PAGE_URL);
  await page.evaluate((o) => window.__lumioShow(o), { dim: false, snoozeMin: 5, ...options });
  return page;
}

// The messages posted, once they number count and a while has passed for any late one.
async function posted(page, count) {
  await page.waitForFunction((n) => window.posted.length >= n, count, { timeout: 6000 });
  await sleep(800);
  return page.evaluate(() => window.posted);
}

const SHOWN = [
  { animalId: 'cat', breakSec: 20, name: 'Mèo Cam', shows: 'cat' },
  { animalId: 'dog', breakSec: 25, name: 'Cún Shiba', shows: 'dog' },
  { animalId: 'bunny', breakSec: 30, name: 'Thỏ Bông', shows: 'bunny' },
  { animalId: 'panda', breakSec: 15, name: 'Gấu Trúc', shows: 'panda' },
  { animalId: 'frog', breakSec: 45, name: 'Ếch Xanh', shows: 'frog' },
  { animalId: 'penguin', breakSec: 120, name: 'Cánh Cụt', shows: 'penguin' },
  // Unknown or odd values are harmless: the cat and the default length stand in.
  { animalId: 'unicorn', breakSec: 'abc', name: 'Mèo Cam', shows: 'cat', expectSec: 20 },
  { animalId: 'constructor', breakSec: -3, name: 'Mèo Cam', shows: 'cat', expectSec: 20 },
];

for (const { animalId, breakSec, name, shows, expectSec = breakSec } of SHOWN) {
  test(`${animalId} for ${breakSec} s shows ${shows} and its countdown`, async () => {
    const page = await showBreak({ animalId, breakSec });
    assert.equal(await page.locator('#card').getAttribute('data-animal'), shows);
    assert.ok(await page.locator(`svg.animal[data-id="${shows}"]`).isVisible());
    assert.equal(await page.locator('svg.animal:visible').count(), 1);
    assert.equal(await page.locator('#countdown').textContent(), String(expectSec));
    assert.match(await page.locator('.bubble').innerText(), new RegExp(name));
    assert.deepEqual(await page.evaluate(() => window.posted), []);
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

for (const action of ['done', 'skip', 'snooze']) {
  test(`${action} posts its answer once, then closes`, async () => {
    const page = await showBreak({ animalId: 'dog', breakSec: 20 });
    await page.locator(`[data-action="${action}"]`).click();
    // Further clicks belong to the finished break.
    await page.evaluate(() => document.querySelectorAll('[data-action]').forEach((b) => b.click()));
    assert.deepEqual(await posted(page, 2), [action, 'closed']);
    assert.ok(await page.locator('#card').isHidden());
    assert.deepEqual(page.errors, []);
    await page.close();
  });
}

test('the countdown runs down and ends with done', async () => {
  const page = await showBreak({ animalId: 'frog', breakSec: 2 });
  await sleep(1300);
  assert.equal(await page.locator('#countdown').textContent(), '1');
  assert.deepEqual(await posted(page, 2), ['done', 'closed']);
  await page.close();
});
