// node render_model.mjs CITYJSON OUT_PREFIX [--id BUILDING_ID] [--lod LOD]
// Writes OUT_PREFIX-oblique.png and OUT_PREFIX-top.png (800 x 600) of one
// building, drawn by index.html in headless Chromium (CHROMIUM, default
// /usr/bin/chromium). The page is served from this folder through the
// browser's request routing, so no server or port is needed.
import { readFileSync } from "node:fs";
import { dirname, extname, join } from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";
import { readBuilding } from "./cityjson_surfaces.mjs";

const here = dirname(fileURLToPath(import.meta.url));
const origin = "http://model-view.invalid";

function usage(message) {
  console.error(`render_model: ${message}`);
  console.error("usage: render_model.sh CITYJSON OUT_PREFIX [--id BUILDING_ID] [--lod 2.2]");
  process.exit(2);
}

function parseArguments(argv) {
  const positional = [];
  const options = {};
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--id" || argv[i] === "--lod") {
      if (i + 1 >= argv.length) usage(`${argv[i]} needs a value`);
      options[argv[i].slice(2)] = argv[++i];
    } else if (argv[i].startsWith("--")) {
      usage(`unknown option ${argv[i]}`);
    } else {
      positional.push(argv[i]);
    }
  }
  if (positional.length !== 2) usage("give a CityJSON file and an output prefix");
  return { input: positional[0], prefix: positional[1], ...options };
}

const types = { ".html": "text/html", ".js": "text/javascript", ".mjs": "text/javascript" };

function serve(route) {
  const path = new URL(route.request().url()).pathname;
  const file = path.startsWith("/three/")
    ? join(here, "node_modules", path.slice(1))
    : join(here, path === "/" ? "index.html" : path.slice(1));
  try {
    const body = readFileSync(file);
    return route.fulfill({ status: 200, body, contentType: types[extname(file)] || "application/octet-stream" });
  } catch {
    return route.fulfill({ status: 404, body: "" });
  }
}

async function main() {
  const args = parseArguments(process.argv.slice(2));
  let model;
  try {
    model = readBuilding(args.input, { id: args.id, lod: args.lod ?? "2.2" });
  } catch (error) {
    console.error(`render_model: ${error.message}`);
    process.exit(1);
  }
  const browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    // No GPU here: WebGL runs on the software rasteriser.
    args: ["--use-angle=swiftshader", "--enable-unsafe-swiftshader", "--ignore-gpu-blocklist"],
  });
  try {
    const page = await browser.newPage({ viewport: { width: 800, height: 600 }, deviceScaleFactor: 1 });
    const problems = [];
    page.on("pageerror", (error) => problems.push(error.message));
    page.on("console", (message) => {
      if (message.type() === "error") problems.push(message.text());
    });
    await page.route(`${origin}/**`, serve);
    await page.goto(`${origin}/index.html`);
    try {
      await page.waitForFunction(() => window.modelViewReady === true, null, { timeout: 30000 });
    } catch (error) {
      throw new Error(`the page did not start: ${problems.join("; ") || error.message}`);
    }
    for (const view of ["oblique", "top"]) {
      const drawn = await page.evaluate(([m, v]) => window.drawModel(m, v), [model, view]);
      const file = `${args.prefix}-${view}.png`;
      await page.screenshot({ path: file });
      if (view === "oblique") {
        const c = drawn.counts;
        console.log(`${model.id}: lod ${model.lod}, ${c.roof} roof, ${c.wall} wall, ${c.ground} ground, ` +
          `${c.other} other surfaces, ${drawn.triangles} triangles` +
          (drawn.degenerate > 0 ? `, ${drawn.degenerate} without area (not drawn)` : ""));
      }
      console.log(file);
    }
    if (problems.length > 0) console.error(`render_model: the page said: ${problems.join("; ")}`);
  } finally {
    await browser.close();
  }
}

main().catch((error) => {
  console.error(`render_model: ${error.message}`);
  process.exit(1);
});
