// A real browser in the store's folders: Debian's chromium, headless, driven by puppeteer-core.
// It opens a folder from its row, uploads into it, makes a folder and deletes it (asked
// first), is refused deleting a folder that holds files, goes back up by the link, cancels an
// upload in progress (throttled so that it is in progress) and sees nothing kept, watches
// finished rows fold away, and deletes a file without JavaScript through the question page.
// Screenshots: a folder page at desktop and phone width, light and dark, and the question.
//
//   node browser_folders_test.mjs SERVER_BINARY SCREENSHOT_DIR
// Exit status 0: passed; 1: failed; 77: skipped (no chromium or no puppeteer-core).
import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const [serverBinary, screenshotDir] = process.argv.slice(2);
const chromium = process.env.OHMKIT_CHROMIUM || '/usr/bin/chromium';
const SKIP = 77;

let puppeteer;
try {
  puppeteer = (await import('puppeteer-core')).default;
} catch {
  console.log('SKIP: puppeteer-core is not installed (scripts/setup.sh installs it)');
  process.exit(SKIP);
}
if (!fs.existsSync(chromium)) {
  console.log(`SKIP: no browser at ${chromium}`);
  process.exit(SKIP);
}

function check(condition, what) {
  if (!condition) throw new Error(`check failed: ${what}`);
  console.log(`ok - ${what}`);
}
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'ohmkit-folders-'));
const store = path.join(root, 'store');
const sources = path.join(root, 'sources');
fs.mkdirSync(path.join(store, 'ICs', 'old'), { recursive: true });
fs.mkdirSync(sources);
fs.mkdirSync(screenshotDir, { recursive: true });
fs.writeFileSync(path.join(store, 'LM317 regulator.pdf'), '%PDF-1.4 LM317');
fs.writeFileSync(path.join(store, 'ICs', 'NE555 timer.pdf'), '%PDF-1.4 NE555');
fs.writeFileSync(path.join(store, 'ICs', 'old', 'LM741.pdf'), '%PDF-1.4 LM741');
const small = [1, 2, 3].map((n) => {
  const file = path.join(sources, `TL07${n}.pdf`);
  fs.writeFileSync(file, `%PDF-1.4 TL07${n}`);
  return file;
});
const big = path.join(sources, 'big scan.pdf');
fs.writeFileSync(big, Buffer.alloc(8 * 1024 * 1024, 7));

const server = spawn(serverBinary, [store], { stdio: ['pipe', 'pipe', 'inherit'] });
const address = await new Promise((resolve, reject) => {
  const timer = setTimeout(() => reject(new Error('the server printed no address')), 10000);
  createInterface({ input: server.stdout }).once('line', (line) => {
    clearTimeout(timer);
    resolve(line.trim());
  });
  server.once('exit', (code) => reject(new Error(`the server ended (${code})`)));
});

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  // Loopback only: no proxy, whatever the environment says.
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-dev-shm-usage', '--no-proxy-server'],
});
const leftovers = (dir) => fs.readdirSync(dir).filter((name) => name.startsWith('.ohmkit-upload-'));
let failed = false;
try {
  const page = await browser.newPage();
  page.setDefaultTimeout(20000);
  const dialogs = [];
  page.on('dialog', async (dialog) => {
    dialogs.push(dialog.message());
    await dialog.accept();
  });
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(String(error)));
  const names = () => page.$$eval('#rows tr', (rows) => rows.map((row) => row.dataset.name));

  await page.setViewport({ width: 1280, height: 860 });
  await page.goto(address, { waitUntil: 'load' });
  check((await names()).join('|') === 'ICs|LM317 regulator.pdf', 'folders come first in the list');

  // A folder's row opens it: its files, the way back, the form into it.
  await Promise.all([page.waitForNavigation(), page.click('#rows tr[data-name="ICs"] td.name a')]);
  check(page.url() === `${address}files/ICs/`, `the folder has its own address ${page.url()}`);
  check((await names()).join('|') === 'old|NE555 timer.pdf', 'the folder lists what it holds');
  const crumbs = await page.$eval('#crumbs', (nav) => nav.textContent.replace(/\s+/g, ' ').trim());
  check(crumbs === 'Datasheets / ICs', `breadcrumbs: "${crumbs}"`);

  // Uploads go into the folder; the finished rows fold into one line.
  await (await page.$('#picker')).uploadFile(...small);
  await page.waitForFunction(() => document.querySelectorAll('#uploads li.done').length === 3);
  check(small.every((file) => fs.existsSync(path.join(store, 'ICs', path.basename(file)))), 'uploads land in the folder');
  await page.waitForSelector('#uploads.collapsed');
  const folded = await page.evaluate(() => ({
    summary: document.getElementById('summary').textContent,
    hidden: [...document.querySelectorAll('#uploads li.done')].every((li) => li.offsetParent === null),
  }));
  check(folded.hidden && folded.summary.startsWith('3 files uploaded.'), `finished rows fold: "${folded.summary}"`);
  await page.waitForFunction(() => document.querySelectorAll('#rows tr').length === 5);

  // Making a folder, and deleting it again once asked.
  await page.type('#folderName', 'Op amps');
  await page.click('#mkdir button');
  await page.waitForSelector('#rows tr[data-name="Op amps"]');
  check(fs.statSync(path.join(store, 'ICs', 'Op amps')).isDirectory(), 'a folder is made');
  await page.screenshot({ path: path.join(screenshotDir, 'browser-folder-desktop.png'), fullPage: true });
  await page.click('#rows tr[data-name="Op amps"] a.delete');
  await page.waitForFunction(() => !document.querySelector('#rows tr[data-name="Op amps"]'));
  check(dialogs.length === 1 && dialogs[0].includes('empty folder "Op amps"'), 'deleting a folder asks first');
  check(!fs.existsSync(path.join(store, 'ICs', 'Op amps')), 'the empty folder is gone');

  // A folder that holds a file is not deleted, and the page says why without asking.
  await page.click('#rows tr[data-name="old"] a.delete');
  const refusal = await page.$eval('#message', (p) => p.textContent);
  check(dialogs.length === 1 && refusal.includes('holds 1 item'), `a full folder is kept: "${refusal}"`);
  check(fs.existsSync(path.join(store, 'ICs', 'old', 'LM741.pdf')), 'and what it holds stays');

  // Cancel an upload in progress: nothing of it is kept.
  const cdp = await page.target().createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions', {
    offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: 512 * 1024,
  });
  await (await page.$('#picker')).uploadFile(big);
  await page.waitForFunction(() => /left/.test(document.querySelector('#uploads li:last-child .detail').textContent));
  const detail = await page.$eval('#uploads li:last-child .detail', (d) => d.textContent);
  check(/^[\d.]+ [kM]?B of 8\.4 MB · [\d.]+ [kM]?B\/s · .+ left$/.test(detail), `bytes, speed and time left: "${detail}"`);
  await page.screenshot({ path: path.join(screenshotDir, 'browser-folder-uploading.png') });
  await page.click('#uploads li:last-child button.cancel');
  await page.waitForSelector('#uploads li.failed');
  const cancelled = await page.$eval('#uploads li.failed .status', (s) => s.textContent);
  check(cancelled === 'Cancelled: nothing was saved.', `a cancelled upload says so: "${cancelled}"`);
  await cdp.send('Network.emulateNetworkConditions', { offline: false, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
  for (let i = 0; i < 50 && leftovers(path.join(store, 'ICs')).length > 0; i++) await pause(100);
  check(!fs.existsSync(path.join(store, 'ICs', 'big scan.pdf')) && leftovers(path.join(store, 'ICs')).length === 0,
        'the cancelled file is discarded');

  // Phone width, light and dark.
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.reload({ waitUntil: 'load' });
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  check(overflow <= 0, 'the folder page fits a phone screen');
  await page.screenshot({ path: path.join(screenshotDir, 'browser-folder-phone.png'), fullPage: true });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  await page.screenshot({ path: path.join(screenshotDir, 'browser-folder-phone-dark.png'), fullPage: true });

  // The link up returns to the top.
  await Promise.all([page.waitForNavigation(), page.click('#up')]);
  check(page.url() === address, 'the link up returns to the top');

  // Without JavaScript: Delete opens a question, its button deletes and returns to the folder.
  const plain = await browser.newPage();
  await plain.setJavaScriptEnabled(false);
  await plain.setViewport({ width: 390, height: 844 });
  await plain.goto(`${address}files/ICs/`, { waitUntil: 'load' });
  await Promise.all([plain.waitForNavigation(), plain.click('#rows tr[data-name="NE555 timer.pdf"] a.delete')]);
  check(fs.existsSync(path.join(store, 'ICs', 'NE555 timer.pdf')), 'the question deletes nothing');
  await plain.screenshot({ path: path.join(screenshotDir, 'browser-nojs-delete.png'), fullPage: true });
  await plain.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  const dark = await plain.evaluate(() => getComputedStyle(document.body).backgroundColor);
  check(dark === 'rgb(0, 0, 0)', 'the question follows the dark scheme');
  await plain.screenshot({ path: path.join(screenshotDir, 'browser-nojs-delete-dark.png'), fullPage: true });
  await Promise.all([plain.waitForNavigation(), plain.click('button[type=submit]')]);
  check(plain.url() === `${address}files/ICs/`, 'after the delete the folder page is back');
  check(!fs.existsSync(path.join(store, 'ICs', 'NE555 timer.pdf')), 'the file is deleted without script');

  check(pageErrors.length === 0, `no script errors ${pageErrors.join('; ')}`);
} catch (error) {
  failed = true;
  console.error(`FAIL: ${error.message}`);
} finally {
  await browser.close();
  server.stdin.end();
  await new Promise((resolve) => server.once('exit', resolve));
  fs.rmSync(root, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
