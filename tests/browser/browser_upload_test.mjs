// A real browser against the browser upload page: Debian's chromium, headless, driven by
// puppeteer-core. It uploads two files through the file picker, waits for both progress bars,
// checks the files in the store byte for byte, deletes one through the page (confirming the
// question), shows a refused name's message, uploads with JavaScript off through the plain
// form, and saves screenshots at desktop and phone width, light and dark.
//
//   node browser_upload_test.mjs SERVER_BINARY SCREENSHOT_DIR
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

const root = fs.mkdtempSync(path.join(os.tmpdir(), 'ohmkit-browser-'));
const store = path.join(root, 'store');
const sources = path.join(root, 'sources');
fs.mkdirSync(store);
fs.mkdirSync(sources);
fs.mkdirSync(screenshotDir, { recursive: true });
fs.writeFileSync(path.join(store, 'LM317 regulator.pdf'), '%PDF-1.4 existing');

// Two files to send: a binary one large enough to show progress, and one with a UTF-8 name.
const alpha = path.join(sources, 'alpha.pdf');
const beta = path.join(sources, 'Beta \u03a9 \u00e4.txt');
const alphaBytes = Buffer.alloc(3 * 1024 * 1024);
for (let i = 0; i < alphaBytes.length; i++) alphaBytes[i] = (i * 131 + (i >> 9)) & 0xff;
fs.writeFileSync(alpha, alphaBytes);
fs.writeFileSync(beta, 'Widerstand \u03a9\n');

const server = spawn(serverBinary, [store], { stdio: ['pipe', 'pipe', 'inherit'] });
const address = await new Promise((resolve, reject) => {
  const timer = setTimeout(() => reject(new Error('the server printed no address')), 10000);
  createInterface({ input: server.stdout }).once('line', (line) => {
    clearTimeout(timer);
    resolve(line.trim());
  });
  server.once('exit', (code) => reject(new Error(`the server ended (${code})`)));
});
check(/^http:\/\/127\.0\.0\.1:\d+\/[a-z0-9]{6}\/$/.test(address), `server address ${address}`);

const browser = await puppeteer.launch({
  executablePath: chromium,
  headless: true,
  // Loopback only: no proxy, whatever the environment says.
  args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-dev-shm-usage', '--no-proxy-server'],
});
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

  await page.setViewport({ width: 1280, height: 860 });
  await page.goto(address, { waitUntil: 'load' });
  check((await page.title()) === 'Ohmkit datasheets', 'the page opens');
  const names = () => page.$$eval('#rows tr', (rows) => rows.map((row) => row.dataset.name));
  check((await names()).join('|') === 'LM317 regulator.pdf', 'the store is listed');

  // Two files through the picker, each with a progress bar.
  const picker = await page.$('#picker');
  await picker.uploadFile(alpha, beta);
  await page.waitForFunction(() => document.querySelectorAll('#uploads li.done').length === 2);
  const bars = await page.$$eval('#uploads progress', (list) => list.map((bar) => bar.value));
  check(bars.length === 2 && bars.every((value) => value === 1), 'both progress bars finished');
  check(fs.readFileSync(path.join(store, 'alpha.pdf')).equals(alphaBytes), 'alpha.pdf arrived byte for byte');
  check(fs.readFileSync(path.join(store, path.basename(beta))).equals(fs.readFileSync(beta)),
        'the UTF-8 name arrived byte for byte');
  await page.waitForFunction(() => document.querySelectorAll('#rows tr').length === 3);
  check((await names()).join('|') === `alpha.pdf|${path.basename(beta)}|LM317 regulator.pdf`, 'the list shows them');
  check(!fs.readdirSync(store).some((name) => name.startsWith('.ohmkit-upload-')), 'no temporary file is left');

  // A download link carries the name.
  const href = await page.$eval(`#rows tr[data-name="alpha.pdf"] a`, (a) => a.href);
  const download = await page.evaluate(async (url) => {
    const response = await fetch(url);
    return { disposition: response.headers.get('content-disposition'), size: (await response.arrayBuffer()).byteLength };
  }, href);
  check(download.size === alphaBytes.length && download.disposition.includes("filename*=UTF-8''alpha.pdf"),
        'a download link returns the file under its name');

  // A refused name says why, next to its file.
  const reserved = path.join(sources, '.ohmkit-upload-abc123');
  fs.writeFileSync(reserved, 'x');
  await picker.uploadFile(reserved);
  await page.waitForFunction(() => document.querySelectorAll('#uploads li.failed').length === 1);
  const refusal = await page.$eval('#uploads li.failed .status', (status) => status.textContent);
  check(refusal === 'This name is kept for uploads in progress.', `a refused name is explained: "${refusal}"`);

  await page.screenshot({ path: path.join(screenshotDir, 'browser-desktop.png'), fullPage: true });

  // Delete with confirmation.
  await page.click('#rows tr[data-name="alpha.pdf"] a.delete');
  await page.waitForFunction(() => !document.querySelector('#rows tr[data-name="alpha.pdf"]'));
  check(dialogs.length === 1 && dialogs[0].includes('alpha.pdf'), 'deleting asks first');
  check(!fs.existsSync(path.join(store, 'alpha.pdf')), 'the file is gone from the store');

  // Phone width, light and dark.
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
  await page.reload({ waitUntil: 'load' });
  const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
  check(overflow <= 0, 'nothing is wider than a phone screen');
  await page.screenshot({ path: path.join(screenshotDir, 'browser-phone.png'), fullPage: true });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
  const background = await page.evaluate(() => getComputedStyle(document.body).backgroundColor);
  check(background === 'rgb(0, 0, 0)', 'the dark scheme is followed');
  await page.screenshot({ path: path.join(screenshotDir, 'browser-phone-dark.png'), fullPage: true });
  await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'light' }]);

  // Without JavaScript the plain form uploads.
  const plain = await browser.newPage();
  await plain.setJavaScriptEnabled(false);
  await plain.setViewport({ width: 390, height: 844 });
  await plain.goto(address, { waitUntil: 'load' });
  await plain.screenshot({ path: path.join(screenshotDir, 'browser-phone-nojs.png'), fullPage: true });
  const plainPicker = await plain.$('#picker');
  await plainPicker.uploadFile(alpha);
  await Promise.all([plain.waitForNavigation({ waitUntil: 'load' }), plain.click('button[type=submit]')]);
  check(fs.readFileSync(path.join(store, 'alpha.pdf')).equals(alphaBytes), 'the form without script uploads');
  check((await plain.$$('#rows tr[data-name="alpha.pdf"]')).length === 1, 'and returns to the list');

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
