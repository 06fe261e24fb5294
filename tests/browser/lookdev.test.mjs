// The look-dev page in Debian's chromium: the panel the module described,
// edits that reach the preview, wiring, scenes, errors and two tabs in step.
import assert from "node:assert/strict";
import {writeFileSync} from "node:fs";
import {join} from "node:path";
import {test} from "node:test";
import {canvasPixels as pixels, lobePicture, openPage, serveEachTest, settled} from "./harness.mjs";

const live = serveEachTest((folder) => writeFileSync(join(folder, "broken.json"), "{\"objects\": ["));

const row = (page, label) => page.locator(`.control[data-label="${label}"]`);

// Wires input `name` to the constant typed as `value` through its row.
async function wireConstant(page, name, value) {
  const input = page.locator(`.input[data-input="${name}"]`);
  await input.locator("select").selectOption("constant");
  await input.locator("input").fill(value);
  await input.locator("button").click();
}
const stateValue = (page, label) => page.evaluate(async (l) => {
  const state = await fetch("/api/state").then((r) => r.json());
  return state.panel.controls.find((c) => c.label === l).value;
}, label);

test("the page shows every control with the module's labels", async () => {
  const page = await openPage(live.browser, live.server.url);
  assert.equal(await page.locator("#panel-label").textContent(), "Quillane (1)");
  const labels = await page.locator(".control label").allTextContents();
  assert.deepEqual(labels, ["Color", "Specular", "U Glossiness", "V Glossiness", "Axis",
                            "Tangent Rotate", "Custom Light Type", "Classic Mode"]);
  const widgets = {
    "Color": "input[type=color]", "Specular": "input[type=range]",
    "Tangent Rotate": "input[type=range]", "Axis": "select", "Classic Mode": "input[type=checkbox]",
  };
  for (const [label, selector] of Object.entries(widgets))
    assert.ok(await row(page, label).locator(selector).isVisible(), `${label}: ${selector}`);
  assert.equal(await row(page, "Custom Light Type").locator("select").isVisible(), false,
               "the light type is hidden until Custom Light is wired");
  assert.equal(await row(page, "U Glossiness").locator("input[type=number]").inputValue(), "50");
});

test("moving U Glossiness changes the preview and the value read back", async () => {
  const page = await openPage(live.browser, live.server.url);
  await settled(page);
  const before = await pixels(page);
  await drag(page, 0.5, 0.1, 10);
  await settled(page);
  const shown = Number(await row(page, "U Glossiness").locator("input[type=number]").inputValue());
  assert.ok(shown < 20, `the field follows the drag: ${shown}`);
  assert.ok(Math.abs(await stateValue(page, "U Glossiness") - shown / 100) < 1e-9);
  const afterDrag = await pixels(page);
  const changed = afterDrag.filter((v, i) => v !== before[i]).length;
  assert.ok(changed > 1000, `preview bytes changed: ${changed}`);
  const undo = await page.evaluate(() => window.quillane.state.undo);
  assert.equal(undo, 1, "one drag is one undo step");
});

// Drags the U Glossiness slider from `from` to `to` (fractions of its
// width) in `steps` moves.
async function drag(page, from, to, steps = 6) {
  const box = await row(page, "U Glossiness").locator("input[type=range]").boundingBox();
  const y = box.y + box.height / 2;
  await page.mouse.move(box.x + box.width * from, y);
  await page.mouse.down();
  for (let i = 1; i <= steps; ++i) {
    await page.mouse.move(box.x + box.width * (from + (to - from) * i / steps), y);
  }
  await page.mouse.up();
}

// Waits until the server holds the U Glossiness value the slider shows.
function committed(page) {
  return page.waitForFunction(() => {
    const shown = Number(document.querySelector('.control[data-label="U Glossiness"] input[type=range]').value);
    return Math.abs(window.quillane.state.panel.controls[2].value * 100 - shown) < 1e-6;
  });
}

test("one drag is one undo step however it starts", async () => {
  const page = await openPage(live.browser, live.server.url);
  const drags = [
    {what: "from the thumb", from: 0.5, to: 0.3},
    {what: "on the track left of the thumb", from: 0.1, to: 0.2},
    {what: "on the track right of the thumb", from: 0.9, to: 0.7},
    {what: "a click on the track", from: 0.4, to: 0.4},
  ];
  const values = [await stateValue(page, "U Glossiness")];
  for (const [i, d] of drags.entries()) {
    await drag(page, d.from, d.to);
    await committed(page);
    assert.equal(await page.evaluate(() => window.quillane.state.undo), i + 1, d.what);
    values.push(await stateValue(page, "U Glossiness"));
  }
  for (let i = drags.length - 1; i >= 0; --i) {
    await page.locator("#undo").click();
    await page.waitForFunction((n) => window.quillane.state.undo === n, i);
    assert.equal(await stateValue(page, "U Glossiness"), values[i], `undo ${drags[i].what}`);
  }
});

// The machine's pace: the middle of three times from a lone change to its
// first image.
async function loneChange(page) {
  const field = row(page, "U Glossiness").locator("input[type=number]");
  const times = [];
  for (const value of ["30", "40", "50"]) {
    const count = await page.evaluate(() => window.quillane.latencies.length);
    await field.fill(value);
    await page.waitForFunction((n) => window.quillane.latencies.length > n, count);
    times.push(await page.evaluate(() => window.quillane.latencies.at(-1)));
    await settled(page);
  }
  return times.sort((a, b) => a - b)[1];
}

// While the slider is dragged, a move every 16-33 ms, images keep landing:
// each change waits for the quick pass in flight instead of interrupting
// it, which left the images 0.4-0.9 s apart. The bound follows the time a
// lone change takes to show, so that a busy machine does not fail it: the
// drag's images came a median 0.54-0.93 of it apart at load averages 7-11
// (0.8-1.3 the worst gap), and on a quiet 2-core machine, a lone change
// showing in 70-90 ms (BENCHMARKS.md), the bound is 100-180 ms. The moves
// are made in the page, at the pace of a hand (the browser driver alone
// takes longer than that per move on a busy machine).
test("images keep landing while dragging", async (t) => {
  const page = await openPage(live.browser, live.server.url);
  await settled(page);
  const lone = await loneChange(page);
  const {start, end, times, changes} = await page.evaluate(async () => {
    const range = document.querySelector('.control[data-label="U Glossiness"] input[type=range]');
    const version = window.quillane.state.version;
    range.dispatchEvent(new PointerEvent("pointerdown"));
    const begun = performance.now();
    for (let i = 0; performance.now() - begun < 3000; ++i) {
      range.value = String(50 - 40 * Math.sin(i / 20));
      range.dispatchEvent(new Event("input"));
      await new Promise((done) => setTimeout(done, 16 + (i % 3) * 8.5));
    }
    const ended = performance.now();
    range.dispatchEvent(new Event("change"));
    // From 300 ms in, the first change's image having landed, to the end.
    return {start: begun + 300, end: ended, changes: window.quillane.state.version - version,
            times: window.quillane.frameTimes.filter((t) => t > begun + 300 && t < ended)};
  });
  const marks = [start, ...times, end];
  const gaps = marks.slice(1).map((time, i) => time - marks[i]).sort((a, b) => a - b);
  const median = gaps[Math.floor(gaps.length / 2)];
  const worst = gaps[gaps.length - 1];
  const bound = Math.max(100, 2 * lone);
  t.diagnostic(`lone change ${lone.toFixed(0)} ms; ${changes} changes, ${times.length} images ` +
               `in ${(end - start).toFixed(0)} ms: median gap ${median.toFixed(0)} ms, ` +
               `worst ${worst.toFixed(0)} ms; bounds ${bound.toFixed(0)} and ${(3 * bound).toFixed(0)} ms`);
  assert.ok(median <= bound, `median gap ${median.toFixed(0)} ms`);
  assert.ok(worst <= 3 * bound, `worst gap ${worst.toFixed(0)} ms`);
});

test("wiring an input hides its control", async () => {
  const page = await openPage(live.browser, live.server.url);
  await wireConstant(page, "Specular", "0.5");
  await row(page, "Specular").locator("input[type=range]").waitFor({state: "hidden"});
  assert.ok(await row(page, "Specular").locator(".note").isVisible());
  assert.match(await page.locator("#calls").textContent(), /input event.*LWXPanel view refresh/s);
});

test("wiring an input to a scene image changes the preview", async () => {
  const page = await openPage(live.browser, live.server.url);
  await settled(page);
  const before = await pixels(page);
  const input = page.locator('.input[data-input="UV"]');
  await input.locator("select").selectOption("image:maps/circular.png");
  await input.locator("button").click();
  await page.waitForFunction(() =>
    window.quillane.state.inputs.find((i) => i.name === "UV").source.kind === "image");
  assert.equal(await page.locator('.input[data-input="UV"] .source').textContent(),
               "image maps/circular.png");
  await settled(page);
  assert.notDeepEqual(await pixels(page), before, "the map steers the highlight");
});

test("the lobe view appears beside the preview and follows U Glossiness", async () => {
  const page = await openPage(live.browser, live.server.url);
  const before = await lobePicture(page);
  assert.ok(await page.locator("#frame-view img").isVisible(), "the frame read back is shown too");
  await row(page, "U Glossiness").locator("input[type=number]").fill("5");
  await page.waitForFunction(() => window.quillane.state.panel.controls[2].value === 0.05);
  assert.notDeepEqual(await lobePicture(page), before, "the lobe follows the setting");
});

test("choosing Point changes the light type", async () => {
  const page = await openPage(live.browser, live.server.url);
  await wireConstant(page, "Custom Light", "0 1 1");
  const select = row(page, "Custom Light Type").locator("select");
  await select.waitFor({state: "visible"});
  assert.deepEqual(await select.locator("option").allTextContents(), ["Distant", "Point"]);
  await settled(page);
  const before = await pixels(page);
  await select.selectOption({label: "Point"});
  await page.waitForFunction(() => window.quillane.state.lastChange?.what === "Custom Light Type");
  assert.equal(await stateValue(page, "Custom Light Type"), 1);
  await settled(page);
  assert.notDeepEqual(await pixels(page), before, "the preview shows the point light");
  assert.match(await page.locator("#calls").textContent(), /set.*change event.*Instance Update.*NodeFuncs/s);
});

test("save then reopen restores the settings", async () => {
  const page = await openPage(live.browser, live.server.url);
  const field = row(page, "U Glossiness").locator("input[type=number]");
  const setTo = async (text) => {
    await field.fill(text);
    await page.waitForFunction((v) => window.quillane.state.panel.controls[2].value === v,
                               Number(text) / 100);
  };
  await setTo("12.5");
  await page.locator("#save-name").fill("look.json");
  await page.locator("#save-scene").click();
  await page.waitForFunction(() => window.quillane.state.scenes.includes("look.json"));
  await setTo("80");
  await page.locator("#scene-list").selectOption("look.json");
  await page.locator("#open-scene").click();
  await page.waitForFunction(() => window.quillane.state.scene.name === "look.json");
  assert.equal(await field.inputValue(), "12.5");
});

test("a bad scene shows its error and keeps the scene open", async () => {
  const page = await openPage(live.browser, live.server.url);
  await page.locator("#scene-list").selectOption("broken.json");
  await page.locator("#open-scene").click();
  const error = page.locator("#error");
  await error.waitFor({state: "visible"});
  assert.match(await error.textContent(), /^broken\.json: /);
  assert.equal(await page.locator("#scene-name").textContent(), "default scene");
});

test("two tabs stay in step", async () => {
  const first = await openPage(live.browser, live.server.url);
  const second = await openPage(live.browser, live.server.url);
  await row(first, "Classic Mode").locator("input").check();
  await second.waitForFunction(() =>
    document.querySelector('.control[data-label="Classic Mode"] input').checked);
  await row(second, "Axis").locator("select").selectOption({label: "Z"});
  await first.waitForFunction(() =>
    document.querySelector('.control[data-label="Axis"] select').value === "2");
  await first.locator("#undo").click();
  await second.waitForFunction(() =>
    document.querySelector('.control[data-label="Axis"] select').value === "1");
});
