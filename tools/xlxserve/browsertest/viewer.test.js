// The viewer page of xlxserve in a real browser: the system chromium, headless, driven by
// playwright-core (no browser download). Starts the server on a free port of 127.0.0.1, uploads
// corpus workbooks through the page and checks what a user sees.
//   node viewer.test.js BUILD_DIR CORPUS_DIR
"use strict";
const { chromium } = require("playwright-core");
const { spawn, execFileSync } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");

const build = path.resolve(process.argv[2] || "../../../build");
const corpus = path.resolve(process.argv[3] || "../../../../shared/corpus");
const xlxserve = path.join(build, "tools/xlxserve/xlxserve");
const xlxrender = path.join(build, "tools/xlxrender/xlxrender");
const WAIT = { timeout: 30000 };
let failures = 0;

function check(condition, what) {
  console.log((condition ? "ok   " : "FAIL ") + what);
  if (!condition) failures++;
}

function info(file, password) {
  const args = ["--info", "--json", file];
  if (password) args.unshift("--password", password);
  return JSON.parse(execFileSync(xlxrender, args, { encoding: "utf8" }));
}

function manifestPassword(local) {
  for (const line of fs.readFileSync(path.join(corpus, "MANIFEST.tsv"), "utf8").split("\n")) {
    const cols = line.split("\t");
    if (cols[0] === local) return cols[5];
  }
  return "";
}

// Starts the server on a free port; resolves with its address once it listens.
function startServer() {
  const server = spawn(xlxserve, ["--port", "0", "--quiet"], { stdio: ["ignore", "ignore", "pipe"] });
  return new Promise((resolve, reject) => {
    let text = "";
    const timer = setTimeout(() => reject(new Error("xlxserve did not start: " + text)), 10000);
    server.stderr.on("data", (chunk) => {
      text += chunk;
      const m = /listening on (http:\/\/127\.0\.0\.1:\d+\/)/.exec(text);
      if (m) {
        clearTimeout(timer);
        resolve({ server, url: m[1] });
      }
    });
    server.on("exit", (code) => reject(new Error("xlxserve exited with " + code + ": " + text)));
  });
}

async function naturalWidth(page, selector) {
  return page.$eval(selector, (img) => (img.complete ? img.naturalWidth : 0));
}

async function viewWorkbook(page, url, file) {
  const expected = info(file);
  await page.goto(url);
  await page.setInputFiles("#file", file);
  await page.waitForSelector('#thumbs[data-done="1"]', WAIT);
  const thumbs = await page.$$eval("#thumbs img", (imgs) => imgs.map((i) => i.naturalWidth));
  check(thumbs.length === expected.pages, `thumbnails: ${thumbs.length}, pages by --info: ${expected.pages}`);
  check(thumbs.every((w) => w > 0), "every thumbnail is drawn");
  const n = Math.min(2, expected.pages);
  await page.click(`#thumbs figure:nth-child(${n})`);
  await page.waitForFunction((n) => document.getElementById("page").src.includes(`/pages/${n}.png?dpi=96`) &&
                                     document.getElementById("page").complete, n, WAIT);
  const width = await naturalWidth(page, "#page");
  check(width === expected.page_sizes[n - 1][0], `page ${n} at 100%: ${width} px wide, --info says ${expected.page_sizes[n - 1][0]}`);
  await page.click("#zoomIn");
  await page.waitForFunction(() => document.getElementById("page").src.includes("dpi=120") &&
                                   document.getElementById("page").complete, null, WAIT);
  const zoomed = await naturalWidth(page, "#page");
  check(Math.abs(zoomed - width * 1.25) <= 2, `page ${n} at 125%: ${zoomed} px wide`);
  const [download] = await Promise.all([page.waitForEvent("download", WAIT), page.click("#pdf")]);
  const saved = path.join(os.tmpdir(), `xlxserve-browsertest-${process.pid}.pdf`);
  await download.saveAs(saved);
  const head = fs.readFileSync(saved).subarray(0, 5).toString("latin1");
  fs.unlinkSync(saved);
  check(head === "%PDF-", "the PDF downloads");
}

async function passwordFlow(page, url, local) {
  const file = path.join(corpus, local);
  const password = manifestPassword(local);
  await page.goto(url);
  await page.setInputFiles("#file", file);
  await page.waitForSelector('#passwordForm.shown[data-reason="required"]', WAIT);
  const asked = await page.textContent("#message");
  check(/protected/.test(asked), `a password is asked for: "${asked}"`);
  await page.fill("#password", password + "-wrong");
  await page.click("#passwordOk");
  await page.waitForSelector('#passwordForm.shown[data-reason="wrong"]', WAIT);
  const wrong = await page.textContent("#message");
  check(/Wrong password/.test(wrong) && wrong !== asked, `a wrong password is told apart: "${wrong}"`);
  await page.fill("#password", password);
  await page.click("#passwordOk");
  await page.waitForSelector('#thumbs[data-done="1"]', WAIT);
  const count = await page.$$eval("#thumbs img", (imgs) => imgs.length);
  check(count === info(file, password).pages, `the protected workbook opens with ${count} pages`);
}

async function main() {
  const { server, url } = await startServer();
  const browser = await chromium.launch({ executablePath: "/usr/bin/chromium", headless: true, args: ["--no-sandbox"] });
  try {
    const page = await (await browser.newContext({ acceptDownloads: true })).newPage();
    await viewWorkbook(page, url, path.join(corpus, "xlsx/calamine__any_sheets.xlsx"));
    await passwordFlow(page, url, "encrypted/edr__agile_AES128_SHA1_CBC_pwd_password.xlsx");
  } catch (e) {
    check(false, String(e));
  } finally {
    await browser.close();
    server.kill("SIGTERM");
  }
  console.log(failures ? `${failures} browser check(s) failed` : "browser test passed");
  process.exit(failures ? 1 : 0);
}

main();
