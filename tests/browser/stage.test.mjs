// The preview as a stage in Debian's chromium: orbit, pan and dolly the
// camera, pick the lobe's spot with a click, turn and change the
// environment, and the refining passes' sample count.
import assert from "node:assert/strict";
import {writeFileSync} from "node:fs";
import {join} from "node:path";
import {test} from "node:test";
import {canvasPixels as pixels, lobePicture, openPage, serveEachTest, settled} from "./harness.mjs";

// A 4 x 2 Radiance map, every texel 4.0 (mantissa 128, exponent 131).
const live = serveEachTest((folder) => writeFileSync(join(folder, "bright.hdr"), Buffer.concat([
  Buffer.from("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 4\n"),
  Buffer.from(Array(8).fill([128, 128, 128, 131]).flat())])));

const differs = (a, b) => a.filter((v, i) => v !== b[i]).length;

// Presses at (fx, fy) of the preview (fractions of its box), moves by
// (dx, dy) CSS pixels in a few steps and lets go.
async function dragPreview(page, fx, fy, dx, dy, options = {}) {
  const box = await page.locator("#preview").boundingBox();
  const [x, y] = [box.x + box.width * fx, box.y + box.height * fy];
  if (options.shift) await page.keyboard.down("Shift");
  await page.mouse.move(x, y);
  await page.mouse.down();
  for (let i = 1; i <= 5; ++i) await page.mouse.move(x + dx * i / 5, y + dy * i / 5);
  await page.mouse.up();
  if (options.shift) await page.keyboard.up("Shift");
}

const distance = (camera) => Math.hypot(...camera.position.map((v, i) => v - camera.target[i]));

test("dragging the preview orbits and pans, the wheel dollies, each one undo step", async () => {
  const page = await openPage(live.browser, live.server.url);
  await settled(page);
  const start = await page.evaluate(() => window.quillane.state.camera);
  const before = await pixels(page);
  const cases = [
    {what: "orbit", move: () => dragPreview(page, 0.5, 0.5, 120, 30),
     check: (c) => Math.abs(distance(c) - distance(start)) < 1e-6 && c.target.join() === start.target.join()},
    {what: "pan", move: () => dragPreview(page, 0.5, 0.5, 60, 0, {shift: true}),
     check: (c, last) => c.target.join() !== last.target.join()},
    {what: "dolly", move: () => page.mouse.wheel(0, -300),
     check: (c, last) => distance(c) < distance(last) - 0.1},
  ];
  let last = start;
  for (const [i, c] of cases.entries()) {
    const version = await page.evaluate(() => window.quillane.state.version);
    await page.locator("#preview").hover();
    await c.move();
    await page.waitForFunction((v) => window.quillane.state.version > v, version);
    await page.waitForTimeout(450);  // the wheel's gesture ends
    await page.waitForFunction(() => window.quillane.frameVersion === window.quillane.state.version);
    const camera = await page.evaluate(() => window.quillane.state.camera);
    assert.ok(c.check(camera, last), `${c.what}: ${JSON.stringify(camera)}`);
    assert.equal(await page.evaluate(() => window.quillane.state.undo), i + 1, `${c.what} is one step`);
    assert.equal(await page.evaluate(() => window.quillane.state.spot), null, `${c.what} picks no spot`);
    last = camera;
  }
  await settled(page);
  assert.ok(differs(await pixels(page), before) > 1000, "the preview follows the camera");
  const saved = await page.evaluate(() => fetch("/api/scene").then((r) => r.json()));
  assert.deepEqual(saved.camera, last, "the camera is saved with the scene");
});

test("a click picks the lobe's spot and marks it", async () => {
  const page = await openPage(live.browser, live.server.url);

  const before = await lobePicture(page);
  // The ball's upper part, away from the surface nearest the centre that
  // the plot shows first.
  const box = await page.locator("#preview").boundingBox();
  await page.locator("#preview").click({position: {x: 0.315 * box.width, y: 0.35 * box.height}});
  await page.waitForFunction(() => window.quillane.state.spot !== null);
  const spot = await page.evaluate(() => window.quillane.state.spot);
  assert.ok(Math.abs(spot[0] - 0.315 * 640) <= 2 && Math.abs(spot[1] - 0.35 * 360) <= 2, `spot ${spot}`);
  assert.ok(await page.locator("#spot-marker").isVisible());
  assert.notDeepEqual(await lobePicture(page), before, "the lobe is the spot's");
});

test("the environment's rotation and map change the preview", async () => {
  const page = await openPage(live.browser, live.server.url);
  const steps = [
    {what: "rotation", act: () => page.locator("#env-rotation-value").fill("120"),
     key: "rotation", value: 120},
    {what: "preset", act: () => page.locator("#env-map").selectOption("preset:sky"),
     key: "preset", value: "sky"},
    {what: "folder image", act: () => page.locator("#env-map").selectOption("image:bright.hdr"),
     key: "image", value: "bright.hdr"},
  ];
  for (const step of steps) {
    await settled(page);
    const before = await pixels(page);
    await step.act();
    await page.waitForFunction(({key, value}) =>
      window.quillane.state.environment.current[key] === value, {key: step.key, value: step.value});
    await settled(page);
    assert.ok(differs(await pixels(page), before) > 1000, step.what);
  }
});

test("the preview refines to the scene's samples and says how many", async () => {
  const page = await openPage(live.browser, live.server.url);
  const seen = await page.evaluate(async () => {
    const passes = [];
    const field = document.querySelector('.control[data-label="U Glossiness"] input[type=number]');
    field.value = "30";
    field.dispatchEvent(new Event("input"));
    const version = window.quillane.state.version + 1;
    while (!(window.quillane.frameVersion === version && window.quillane.framePass === "refined")) {
      const last = passes.at(-1);
      if (window.quillane.frameVersion === version && last?.pass !== window.quillane.framePass)
        passes.push({pass: window.quillane.framePass, samples: window.quillane.frameSamples});
      await new Promise((r) => setTimeout(r, 2));
    }
    passes.push({pass: "refined", samples: window.quillane.frameSamples});
    return passes;
  });
  const total = await page.evaluate(() => window.quillane.state.preview.samples);
  assert.equal(seen.at(-1).samples, total, JSON.stringify(seen));
  assert.ok(seen.every((p, i) => i === 0 || p.samples >= seen[i - 1].samples), JSON.stringify(seen));
  assert.equal(await page.locator("#pass").textContent(), `refined: ${total} samples per pixel`);
});
