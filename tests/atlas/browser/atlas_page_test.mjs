// The atlas page in a real browser: Debian's chromium driven by puppeteer-core
// (which never downloads a browser), over an atlas that the tools write from
// the sample world, checked against the --png pictures of the same runs.
//
//   node atlas_page_test.mjs --bin DIR --work DIR
//
// DIR of --bin holds the tools and vorn_sample; --work is a scratch folder,
// made anew. Ends with status 77 (skipped) when chromium ($VORN_CHROMIUM, else
// /usr/bin/chromium) or node_modules is missing. With VORN_ATLAS_SCREENSHOT
// set to a file name it also writes the README's picture of the page there.
import { after, before, test } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import path from "node:path";

const args = Object.fromEntries(
  process.argv.slice(2).flatMap((arg, i, all) => (arg.startsWith("--") ? [[arg.slice(2), all[i + 1]]] : []))
);
const chromium = process.env.VORN_CHROMIUM || "/usr/bin/chromium";
let puppeteer, PNG;
try {
  ({ default: puppeteer } = await import("puppeteer-core"));
  ({ PNG } = await import("pngjs"));
} catch (e) {
  console.log("skipped: no node_modules (run npm ci in tests/atlas/browser)");
  process.exit(77);
}
if (!fs.existsSync(chromium)) {
  console.log(`skipped: no chromium at ${chromium}`);
  process.exit(77);
}

const bin = path.resolve(args.bin);
const work = path.resolve(args.work);
const atlas = path.join(work, "atlas");
const VIEW = { width: 800, height: 600 };
// The part of the screen that no control covers.
const CLIP = { x: 100, y: 100, width: 600, height: 400 };

// The layers the tests look at, with the tile sizes of their ports and the
// picture that the same tool writes with --png.
const LAYERS = {
  "world-pc-ega": { tile: [16, 16], picture: "pc/ref.png" },
  "world-pc98": { tile: [32, 32], picture: "pc98/ref.png" },
  "world-a2": { tile: [28, 32], picture: "a2/ref.png" },
  "town-pc98-Wyrm's_Keep": { tile: [32, 32], picture: "pc98/vorn.Wyrm's_Keep.png" },
};
const WORLD_TOP = 5;

function run(cwd, tool, ...toolArgs) {
  execFileSync(path.join(bin, tool), toolArgs, { cwd, stdio: ["ignore", "pipe", "inherit"] });
}

// The sample data of each port, its pictures and its layers.
function makeAtlas() {
  fs.rmSync(work, { recursive: true, force: true });
  fs.mkdirSync(work, { recursive: true });
  const port = (name, ...runs) => {
    const dir = path.join(work, name);
    run(work, "vorn_sample", name, dir);
    for (const [tool, ...toolArgs] of runs) run(dir, tool, ...toolArgs);
  };
  port("pc", ["vornpc_map", "--png", "-o", "ref.png"], ["vornpc_map", "--atlas", atlas]);
  port("pc98", ["vornpc98map", "--png", "-o", "ref.png"], ["vornpc98map", "--atlas", atlas],
    ["vornpc98towne", "--png"], ["vornpc98towne", "--atlas", atlas]);
  port("a2", ["vorna2map", "--png", "-o", "ref.png"], ["vorna2map", "--atlas", atlas]);
}

let browser;
let profile;
const requests = []; // every URL the pages asked for

before(async () => {
  makeAtlas();
  profile = fs.mkdtempSync(path.join(work, "profile-"));
  browser = await puppeteer.launch({
    executablePath: chromium,
    userDataDir: profile,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
});

after(async () => {
  await browser?.close();
  if (profile) fs.rmSync(profile, { recursive: true, force: true });
});

// A new page that records its requests, failures and console errors.
async function openPage() {
  const page = await browser.newPage();
  await page.setViewport(VIEW);
  page.problems = [];
  page.on("request", (r) => requests.push(r.url()));
  page.on("requestfailed", (r) => page.problems.push(`failed ${r.url()}: ${r.failure()?.errorText}`));
  page.on("response", (r) => r.status() >= 400 && page.problems.push(`status ${r.status()} ${r.url()}`));
  page.on("console", (m) => m.type() === "error" && page.problems.push(`console: ${m.text()}`));
  page.on("pageerror", (e) => page.problems.push(`page error: ${e.message}`));
  return page;
}

const fileUrl = (hash) => "file://" + path.join(atlas, "index.html") + (hash ? "#" + hash : "");

// Waits until no zoom is under way and every tile shown has loaded (or
// failed, which the page's problems tell) and faded in.
async function settle(page) {
  await page.waitForFunction(() => {
    const tiles = [...document.querySelectorAll(".atlas-tiles img.leaflet-tile")];
    return !document.querySelector(".leaflet-zoom-anim") && tiles.length > 0 &&
      tiles.every((t) => t.style.opacity === "1");
  }, { timeout: 20000 });
  await new Promise((resolve) => setTimeout(resolve, 100));
}

// Opens the address: in the page shown when only the fragment changes (as a
// user edits it), else as a new page (as a link is followed).
async function go(page, url, { fresh = false } = {}) {
  if (fresh) await page.goto("about:blank");
  await page.goto(url, { waitUntil: "load" });
  await settle(page);
}

const hashOf = (page) => page.evaluate(() => decodeURIComponent(location.hash.slice(1)));

const pictures = new Map();
function picture(name) {
  if (!pictures.has(name)) pictures.set(name, PNG.sync.read(fs.readFileSync(path.join(work, LAYERS[name].picture))));
  return pictures.get(name);
}

// Screen pixels of the clip against the picture's: with the game tile (x, y)
// at the centre of the view at zoom z >= the top zoom, screen pixel (sx, sy)
// shows picture pixel floor((x * tileWidth * s - width / 2 + sx) / s), s = 2^(z - top).
async function expectPicture(page, name, zoom, x, y, top) {
  const shot = PNG.sync.read(Buffer.from(await page.screenshot({ clip: CLIP })));
  const ref = picture(name);
  const [tw, th] = LAYERS[name].tile;
  const s = 2 ** (zoom - top);
  let wrong = 0;
  let first = "";
  for (let sy = 0; sy < CLIP.height; sy++) {
    for (let sx = 0; sx < CLIP.width; sx++) {
      const px = Math.floor((x * tw * s - VIEW.width / 2 + CLIP.x + sx) / s);
      const py = Math.floor((y * th * s - VIEW.height / 2 + CLIP.y + sy) / s);
      const a = (sy * shot.width + sx) * 4;
      const b = (py * ref.width + px) * 4;
      if (shot.data[a] !== ref.data[b] || shot.data[a + 1] !== ref.data[b + 1] || shot.data[a + 2] !== ref.data[b + 2]) {
        if (!wrong++) first = `screen ${CLIP.x + sx},${CLIP.y + sy} picture ${px},${py}`;
      }
    }
  }
  assert.equal(wrong, 0, `${name} at zoom ${zoom}: ${wrong} pixels differ, the first at ${first}`);
}

// Serves the atlas folder on the loopback address.
function serve() {
  const types = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".png": "image/png" };
  const server = http.createServer((req, res) => {
    const file = path.join(atlas, decodeURIComponent(new URL(req.url, "http://x").pathname).replace(/\/$/, "/index.html"));
    if (!file.startsWith(atlas) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { "Content-Type": types[path.extname(file)] || "text/plain" }).end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

test("opens from disk and from a static server with no error and no failed request", async () => {
  const server = await serve();
  try {
    const base = `http://127.0.0.1:${server.address().port}/`;
    // The whole map, and views over its corners, where Leaflet would ask
    // for tiles outside the map.
    for (const root of [fileUrl(""), base]) {
      const page = await openPage();
      await go(page, root);
      assert.equal(await page.evaluate(() => document.compatMode), "CSS1Compat");
      for (const hash of ["world-pc98/5/1/1", "world-a2/6/255/255", "town-pc98-Wyrm's_Keep/3/31.5/0.5"]) {
        await go(page, root + "#" + hash);
        assert.equal(await hashOf(page), hash);
      }
      assert.deepEqual(page.problems, []);
      await page.close();
    }
  } finally {
    server.close();
  }
});

test("a link opens on its place, and the screen shows the picture's pixels there", async () => {
  const page = await openPage();
  const cases = [
    ["world-pc-ega", WORLD_TOP, 100.5, 60.25],
    ["world-pc98", WORLD_TOP, 100.5, 60.25],
    ["world-a2", WORLD_TOP, 150.25, 120.5], // tiles of 28 x 32
    ["world-a2", WORLD_TOP + 2, 150.25, 120.5], // 4 x, pixelated
    ["town-pc98-Wyrm's_Keep", 2, 16, 16],
  ];
  for (const [name, zoom, x, y] of cases) {
    const hash = `${name}/${zoom}/${x}/${y}`;
    await go(page, fileUrl(hash), { fresh: true });
    assert.equal(await hashOf(page), hash, "the address stays as given");
    await expectPicture(page, name, zoom, x, y, name.startsWith("town-") ? 2 : WORLD_TOP);
  }
  assert.deepEqual(page.problems, []);
  await page.close();
});

test("the switcher keeps the centre tile, and a town opens whole", async () => {
  const page = await openPage();
  await go(page, fileUrl("world-pc98/5/100.5/60.25"));
  const pick = async (title) => {
    await page.hover(".leaflet-control-layers");
    const labels = await page.$$(".leaflet-control-layers-base label");
    const texts = await Promise.all(labels.map((l) => l.evaluate((e) => e.textContent.trim())));
    assert.ok(texts.includes(title), `${title} among ${texts.join(" | ")}`);
    await labels[texts.indexOf(title)].click();
    await settle(page);
  };
  const steps = [
    ["Apple II", "world-a2/5/100.5/60.25"],
    // The centre lies outside the town: the whole town, at the zoom that holds it.
    ["Wyrm's Keep (PC-98)", "town-pc98-Wyrm's_Keep/1/16/16"],
    // Back on a world: the same tile, at the same zoom below the top zoom.
    ["PC-98", "world-pc98/4/16/16"],
  ];
  for (const [title, hash] of steps) {
    await pick(title);
    assert.equal(await hashOf(page), hash, `after ${title}`);
    assert.equal(await page.title(), `${title} - Atlas`);
  }
  assert.deepEqual(page.problems, []);
  await page.close();
});

test("the readout names the game tile under the pointer", async () => {
  const page = await openPage();
  await go(page, fileUrl("world-a2/5/150.25/120.5"));
  const cases = [
    // Screen offset from the centre in pixels; tiles are 28 x 32.
    [0, 0, "150, 120"],
    [3 * 28 + 1, -2 * 32 - 1, "153, 118"],
    [-7, 15, "150, 120"],
    [-8, 16, "149, 121"],
  ];
  for (const [dx, dy, text] of cases) {
    await page.mouse.move(VIEW.width / 2 + dx, VIEW.height / 2 + dy);
    assert.equal(await page.$eval(".atlas-readout", (e) => e.textContent), text, `at ${dx}, ${dy}`);
  }
  await page.close();
});

test("the moon gates and the balloon stand on their tiles, on world maps only", async () => {
  const page = await openPage();
  // Gate 3, of moon phase 3, lies at column 38, row 224.
  await go(page, fileUrl("world-pc98/3/38.5/224.5"));
  assert.equal((await page.$$(".atlas-gate")).length, 8);
  assert.equal((await page.$$(".atlas-balloon")).length, 1);
  const gate = await page.$$eval(".atlas-gate", (gates) => {
    const box = gates.find((g) => g.textContent === "3").getBoundingClientRect();
    return [box.x + box.width / 2, box.y + box.height / 2];
  });
  assert.deepEqual(gate, [VIEW.width / 2, VIEW.height / 2]);
  await go(page, fileUrl("town-pc98-Wyrm's_Keep/2/16/16"));
  assert.equal((await page.$$(".atlas-site")).length, 0);
  await page.close();
});

test("every request lies inside its map and at most its top zoom", () => {
  const tiles = requests.filter((url) => /\.png$/.test(url) && !url.includes("/leaflet/"));
  assert.ok(tiles.length > 100, `${tiles.length} tiles asked for`);
  for (const url of tiles) {
    const [, name, z, x, y] = decodeURIComponent(url).match(/\/([^/]+)\/(-?\d+)\/(-?\d+)\/(-?\d+)\.png$/);
    const top = name.startsWith("town-") ? 2 : WORLD_TOP;
    assert.ok(+z <= top && +x < 2 ** +z && +y < 2 ** +z, url);
    assert.ok(url.startsWith("file://" + atlas) || url.startsWith("http://127.0.0.1:"), url);
  }
});

test("the README's picture of the page", { skip: !process.env.VORN_ATLAS_SCREENSHOT }, async () => {
  const page = await openPage();
  await page.setViewport({ width: 960, height: 600 });
  await go(page, fileUrl("world-pc98/3/96/112"));
  await page.hover(".leaflet-control-layers");
  await page.mouse.move(500, 260);
  await page.hover(".leaflet-control-layers");
  await page.screenshot({ path: process.env.VORN_ATLAS_SCREENSHOT });
  await page.close();
});
