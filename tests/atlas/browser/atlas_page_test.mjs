// The atlas page in Debian's chromium, driven by puppeteer-core (which never
// downloads a browser), over an atlas that the tools write from the sample
// world, checked against the --png pictures of the same runs.
//   node atlas_page_test.mjs --bin TOOL-DIR --work SCRATCH-DIR
// Status 77 (skipped) without chromium ($VORN_CHROMIUM or /usr/bin/chromium)
// or node_modules. VORN_ATLAS_SCREENSHOT=FILE also writes the README's picture.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import path from "node:path";

const chromium = process.env.VORN_CHROMIUM || "/usr/bin/chromium";
const modules = await Promise.all([import("puppeteer-core"), import("pngjs")]).catch(() => null);
if (!modules || !fs.existsSync(chromium)) {
  console.log(modules ? `skipped: no ${chromium}` : "skipped: no node_modules (npm ci in tests/atlas/browser)");
  process.exit(77);
}
const [{ default: puppeteer }, { PNG }] = modules;
const arg = (name) => path.resolve(process.argv[process.argv.indexOf(name) + 1]);
const [bin, work] = [arg("--bin"), arg("--work")];
const atlas = path.join(work, "atlas");
const VIEW = { width: 800, height: 600 };
const CLIP = { x: 100, y: 100, width: 600, height: 400 }; // no control covers it
// Tile sizes of the ports, and the pictures of the same runs with --png.
const LAYERS = {
  "world-pc-ega": { tile: [16, 16], top: 5, picture: "pc/ref.png" },
  "world-pc98": { tile: [32, 32], top: 5, picture: "pc98/ref.png" },
  "world-a2": { tile: [28, 32], top: 5, picture: "a2/ref.png" },
  "town-pc98-Wyrm's_Keep": { tile: [32, 32], top: 2, picture: "pc98/vorn.Wyrm's_Keep.png" },
};

let browser;
before(async () => {
  fs.rmSync(work, { recursive: true, force: true });
  const runs = {
    pc: [["vornpc_map", "--png", "-o", "ref.png"], ["vornpc_map"]],
    pc98: [["vornpc98map", "--png", "-o", "ref.png"], ["vornpc98map"], ["vornpc98towne", "--png"], ["vornpc98towne"]],
    a2: [["vorna2map", "--png", "-o", "ref.png"], ["vorna2map"]],
  };
  for (const [port, tools] of Object.entries(runs)) {
    execFileSync(path.join(bin, "vorn_sample"), [port, path.join(work, port)]);
    for (const [tool, ...args] of tools)
      execFileSync(path.join(bin, tool), args.length ? args : ["--atlas", atlas], { cwd: path.join(work, port) });
  }
  browser = await puppeteer.launch({
    executablePath: chromium,
    userDataDir: fs.mkdtempSync(path.join(work, "profile-")),
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
});
after(() => browser?.close());

// A page that notes failed requests and console errors in page.problems.
async function openPage() {
  const page = await browser.newPage();
  await page.setViewport(VIEW);
  page.problems = [];
  page.on("requestfailed", (r) => page.problems.push(`failed ${r.url()}`));
  page.on("console", (m) => m.type() === "error" && page.problems.push(m.text()));
  page.on("pageerror", (e) => page.problems.push(e.message));
  return page;
}

// Waits until every tile has come (or failed) and faded in; the address.
async function settle(page) {
  await page.waitForFunction(() => {
    const tiles = [...document.querySelectorAll(".atlas-tiles img.leaflet-tile")];
    return !document.querySelector(".leaflet-zoom-anim") && tiles.length && tiles.every((t) => t.style.opacity === "1");
  });
  await new Promise((resolve) => setTimeout(resolve, 100));
  return page.evaluate(() => decodeURIComponent(location.hash.slice(1)));
}

// Opens #hash fresh (as a link is followed) or in the page shown (as a user
// edits the address).
async function go(page, hash, fresh = true) {
  if (fresh) await page.goto("about:blank");
  await page.goto("file://" + path.join(atlas, "index.html") + (hash ? "#" + hash : ""));
  return settle(page);
}

test("a link opens on its place (the picture's pixels, the readout, the moon gates), from disk with no error", async () => {
  const page = await openPage();
  const refs = {};
  // With game tile (x, y) at the centre at zoom z, screen pixel (sx, sy)
  // shows picture pixel floor((x * tileWidth * s - width / 2 + sx) / s), s = 2^(z - top).
  for (const [name, z, x, y] of [["world-pc-ega", 5, 100.5, 60.25], ["world-pc98", 5, 100.5, 60.25],
    ["world-a2", 5, 150.25, 120.5], ["world-a2", 7, 150.25, 120.5], ["town-pc98-Wyrm's_Keep", 2, 16, 16]]) {
    assert.equal(await go(page, `${name}/${z}/${x}/${y}`), `${name}/${z}/${x}/${y}`);
    const shot = PNG.sync.read(Buffer.from(await page.screenshot({ clip: CLIP })));
    const { tile: [tw, th], top, picture } = LAYERS[name];
    const ref = (refs[picture] ??= PNG.sync.read(fs.readFileSync(path.join(work, picture))));
    const s = 2 ** (z - top);
    const wrong = [];
    for (let sy = 0; sy < CLIP.height; sy++) {
      for (let sx = 0; sx < CLIP.width; sx++) {
        const px = Math.floor((x * tw * s - VIEW.width / 2 + CLIP.x + sx) / s);
        const py = Math.floor((y * th * s - VIEW.height / 2 + CLIP.y + sy) / s);
        const [a, b] = [(sy * shot.width + sx) * 4, (py * ref.width + px) * 4];
        if ([0, 1, 2].some((c) => shot.data[a + c] !== ref.data[b + c])) wrong.push(`${px},${py}`);
      }
    }
    assert.equal(wrong.length, 0, `${name} at zoom ${z}: pictures pixels ${wrong.slice(0, 3)}... differ`);
  }
  // The readout over tiles of 28 x 32, the centre at 150.25, 120.5.
  await go(page, "world-a2/5/150.25/120.5");
  for (const [dx, dy, text] of [[0, 0, "150, 120"], [85, -65, "153, 118"], [-7, 15, "150, 120"], [-8, 16, "149, 121"]]) {
    await page.mouse.move(VIEW.width / 2 + dx, VIEW.height / 2 + dy);
    assert.equal(await page.$eval(".atlas-readout", (e) => e.textContent), text, `at ${dx}, ${dy}`);
  }
  // Moon gate 3, of phase 3, stands on column 38, row 224.
  await go(page, "world-pc98/3/38.5/224.5");
  assert.equal((await page.$$(".atlas-gate")).length, 8);
  assert.equal((await page.$$(".atlas-balloon")).length, 1);
  assert.deepEqual(await page.$$eval(".atlas-gate", (gates) => {
    const box = gates.find((g) => g.textContent === "3").getBoundingClientRect();
    return [box.x + box.width / 2, box.y + box.height / 2];
  }), [VIEW.width / 2, VIEW.height / 2]);
  // Past the corners of the maps, where Leaflet would ask for tiles that do not exist.
  for (const hash of ["world-pc98/5/1/1", "world-a2/6/255/255", "town-pc98-Wyrm's_Keep/3/31.5/0.5"])
    assert.equal(await go(page, hash, false), hash);
  assert.equal(await page.evaluate(() => document.compatMode), "CSS1Compat");
  assert.deepEqual(page.problems, [], "no failed request, no console error");
});

test("the switcher keeps the centre tile; a town opens whole, with no moon gate", async () => {
  const page = await openPage();
  await go(page, "world-pc98/5/100.5/60.25");
  const steps = [
    ["Apple II", "world-a2/5/100.5/60.25"],
    ["Wyrm's Keep (PC-98)", "town-pc98-Wyrm's_Keep/1/16/16"], // the centre lies outside the town
    ["PC-98", "world-pc98/4/16/16"], // the same tile, the same zoom below the top zoom
  ];
  for (const [title, hash] of steps) {
    await page.hover(".leaflet-control-layers");
    const labels = await page.$$(".leaflet-control-layers-base label");
    const texts = await Promise.all(labels.map((l) => l.evaluate((e) => e.textContent.trim())));
    await labels[texts.indexOf(title)].click();
    assert.equal(await settle(page), hash, `after ${title}`);
    assert.equal(await page.title(), `${title} - Atlas`);
    assert.equal((await page.$$(".atlas-site")).length, hash.startsWith("town-") ? 0 : 9);
  }
  assert.deepEqual(page.problems, []);
});

test("the README's picture of the page", { skip: !process.env.VORN_ATLAS_SCREENSHOT }, async () => {
  const page = await openPage();
  await page.setViewport({ width: 960, height: 600 });
  await go(page, "world-pc98/3/96/112");
  await page.mouse.move(500, 260);
  await page.hover(".leaflet-control-layers");
  await page.screenshot({ path: process.env.VORN_ATLAS_SCREENSHOT });
});
