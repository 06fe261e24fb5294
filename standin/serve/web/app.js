// The look-dev page: draws the node's panel from what the module described,
// sends every edit to the server (which sets it through the module as the
// host does), and shows the preview frames and the host calls each change
// caused. Server-sent events, one stream shared by every open tab
// (events.js), keep them all in step.
"use strict";

const $ = (id) => document.getElementById(id);

// What the page knows; window.quillane exposes it to tests and benchmarks.
const page = {
  state: null,
  controls: new Map(),  // control id -> {row, update(value)}
  drawnFrame: 0,         // id of the frame on the canvas
  frameVersion: 0,       // state version that frame shows
  framePass: "",          // "quick", "refining" or "refined"
  frameSamples: 0,        // samples per pixel of the frame on the canvas
  waiting: [],           // [{version, start}] changes awaiting their first image
  latencies: [],         // ms from a change to its first image
  frameTimes: [],        // performance.now() of the newest frames drawn
  views: null,           // the views beside the preview, as /api/views gives them
  stream: "connecting",  // the event stream: "live", "refused" or "dropped"
};
window.quillane = page;

// ---- talking to the server

function showError(message) {
  const box = $("error");
  box.textContent = message;
  box.hidden = !message;
}

async function post(path, body) {
  const response = await fetch(path, {
    method: "POST",
    headers: {"Content-Type": "application/json"},
    body: JSON.stringify(body ?? {}),
  });
  const answer = await response.json().catch(() => ({error: response.statusText}));
  if (!response.ok) {
    showError(answer.error || response.statusText);
    return null;
  }
  showError("");
  return answer;
}

// A change started at `start` (performance.now()); once its version is
// known, its first image closes the measurement.
async function change(path, body, start = performance.now()) {
  ++changesInFlight;
  const answer = await post(path, body).finally(() => --changesInFlight);
  if (answer && page.frameVersion >= answer.version) recordLatency(start);
  else if (answer) page.waiting.push({version: answer.version, start});
  refreshStateSoon(answer?.version ?? 0);
  return answer;
}

// While a change of this page is answered and waits for its first image,
// the state waits too (at most kStateDelay ms): fetching and applying it
// meanwhile took the machine from the quick pass the image comes from.
const kStateDelay = 250;
let changesInFlight = 0;
let stateDue = 0;  // the newest state version waiting so
let stateTimer = null;
function refreshStateSoon(version) {
  stateDue = Math.max(stateDue, version);
  if (page.waiting.length || changesInFlight) stateTimer ??= setTimeout(refreshDueState, kStateDelay);
  else refreshDueState();
}

function refreshDueState() {
  clearTimeout(stateTimer);
  stateTimer = null;
  const version = stateDue;
  stateDue = 0;
  if (version) refreshState(version);
}

function recordLatency(start) {
  const ms = performance.now() - start;
  page.latencies.push(ms);
  $("latency").textContent = `· first image ${ms.toFixed(0)} ms after the change`;
}

// The state, or null when the server refused it (the error is shown) or
// could not be reached (the stream's notice says so).
async function fetchState() {
  try {
    const response = await fetch("/api/state");
    const answer = await response.json();
    if (response.ok) return answer;
    showError(answer.error || response.statusText);
  } catch {
    // The server is gone: the stream's notice tells.
  }
  return null;
}

let stateFetch = null;
async function refreshState(atLeast = 0) {
  // A fetch already in flight may predate the change: then one more.
  for (let tries = 0; tries < 3; ++tries) {
    if (atLeast && page.state && page.state.version >= atLeast) return;
    if (!stateFetch) stateFetch = fetchState().finally(() => { stateFetch = null; });
    const state = await stateFetch;
    if (!state) return;
    if (!page.state || state.version >= page.state.version) applyState(state);
    if (!atLeast) return;
  }
}

// One frame fetch at a time; frames announced meanwhile make one more.
let frameFetch = null;
let frameAgain = false;
function refreshFrame() {
  if (frameFetch) {
    frameAgain = true;
    return frameFetch;
  }
  frameFetch = drawLatestFrame().catch(() => {}).finally(() => {
    frameFetch = null;
    if (frameAgain) {
      frameAgain = false;
      refreshFrame();
    }
  });
  return frameFetch;
}

// What the caption says of a frame's pass.
function passText(pass, samples, total, width) {
  if (pass === "quick") return `quick pass: 1 sample per pixel at ${width} pixels across`;
  if (pass === "refining") return `refining: ${samples} of ${total} samples per pixel`;
  return `refined: ${samples} samples per pixel`;
}

// Draws a frame's RGBA pixels over the whole canvas, scaled up when the
// frame is smaller (the quick pass) through a canvas kept for it.
const scratch = document.createElement("canvas");
function drawPixels(canvas, pixels, width, height) {
  const image = new ImageData(pixels, width, height);
  const context = canvas.getContext("2d");
  if (width === canvas.width && height === canvas.height) {
    context.putImageData(image, 0, 0);
    return;
  }
  if (scratch.width !== width || scratch.height !== height) Object.assign(scratch, {width, height});
  scratch.getContext("2d").putImageData(image, 0, 0);
  context.drawImage(scratch, 0, 0, canvas.width, canvas.height);
}

async function drawLatestFrame() {
  const response = await fetch(`/api/preview?after=${page.drawnFrame}`);
  if (response.status !== 200) return;  // 204: none newer
  const id = Number(response.headers.get("X-Frame-Id"));
  if (id <= page.drawnFrame) return;
  const header = (name) => Number(response.headers.get(name));
  const width = header("X-Frame-Width"), height = header("X-Frame-Height");
  const pixels = new Uint8ClampedArray(await response.arrayBuffer());
  const canvas = $("preview");
  const pass = response.headers.get("X-Frame-Pass");
  // The canvas keeps the full size; a first frame that is quick sets it
  // until the state says.
  const full = page.state?.preview ?? {width, height};
  if (canvas.width !== full.width || canvas.height !== full.height) {
    canvas.width = full.width;
    canvas.height = full.height;
  }
  drawPixels(canvas, pixels, width, height);
  page.drawnFrame = id;
  page.frameTimes.push(performance.now());
  if (page.frameTimes.length > 1000) page.frameTimes.shift();
  page.frameVersion = header("X-Frame-Version");
  page.framePass = pass;
  page.frameSamples = header("X-Frame-Samples");
  $("pass").textContent = passText(pass, page.frameSamples, header("X-Frame-Total-Samples"), width);
  const done = page.waiting.filter((w) => w.version <= page.frameVersion);
  page.waiting = page.waiting.filter((w) => w.version > page.frameVersion);
  for (const w of done) recordLatency(w.start);
  // The server refines once a page has drawn the quick pass.
  if (pass === "quick") {
    fetch("/api/drawn", {method: "POST", headers: {"Content-Type": "application/json"},
                         body: JSON.stringify({frame: id})}).catch(() => {});
  }
  if (!page.waiting.length) refreshDueState();
}

const streamNotices = {
  refused: "Live updates: the server refused the event stream; trying again…",
  dropped: "Live updates: the connection to the server was lost; reconnecting…",
};

// Whether the event stream is live; once it is again, the page catches up
// with whatever it missed, from a server that may have been restarted: its
// versions and frames may count from 1 again.
function showStream(status) {
  const lost = page.stream === "refused" || page.stream === "dropped";
  page.stream = status;
  const notice = $("stream");
  notice.textContent = streamNotices[status] || "";
  notice.hidden = !streamNotices[status];
  if (status === "live") {
    if (lost) Object.assign(page, {state: null, drawnFrame: 0, frameVersion: 0, views: null});
    refreshState();
    refreshFrame();
    showViews();
  }
}

function listen() {
  const worker = window.SharedWorker ? new SharedWorker("/events.js").port : new Worker("/events.js");
  const handlers = {
    state: (data) => refreshStateSoon(data.version),
    frame: () => refreshFrame(),
    views: () => showViews(),
    status: showStream,
  };
  worker.onmessage = (e) => handlers[e.data.type]?.(e.data.type === "status" ? e.data.status : e.data.data);
  addEventListener("pagehide", () => worker.postMessage("closed"));
}

// ---- the panel

const degrees = (radians) => radians * 180 / Math.PI;
const radians = (deg) => deg * Math.PI / 180;

// Sends values to `path`, one request at a time: while one is in flight
// only the newest value waits, so a drag never queues up stale renders.
// `body(value, gesture)` makes the request. The values of one gesture
// (see gestureOf) are one undo step; a value of no gesture ("") is a step
// of its own.
function makeSender(path, body) {
  let inFlight = false;
  let next = null;
  const send = async () => {
    if (inFlight || !next) return;
    inFlight = true;
    const {value, start, gesture} = next;
    next = null;
    await change(path, body(value, gesture), start);
    inFlight = false;
    send();
  };
  // The value keeps the gesture it was made in: a drag that ends while its
  // last value still waits for the one in flight stays one step.
  return (value, gesture = "") => {
    next = {value, start: performance.now(), gesture};
    send();
  };
}

function element(tag, props = {}, children = []) {
  const node = Object.assign(document.createElement(tag), props);
  for (const child of children) node.append(child);
  return node;
}

// The gesture on `input` a value made now belongs to. A gesture lasts from
// the first pointerdown or focus until the input reports its change (the
// slider let go, the field left): a drag is one gesture however it starts,
// on the thumb or on the track away from it, whose click moves the value
// before the slider takes focus.
function gestureOf(input) {
  let gesture = "";
  const begin = () => {
    if (!gesture) gesture = `${Date.now()}-${Math.random()}`;
  };
  const end = () => { gesture = ""; };
  input.addEventListener("pointerdown", begin);
  input.addEventListener("focus", begin);
  input.addEventListener("change", end);
  input.addEventListener("blur", end);
  return () => {
    begin();
    return gesture;
  };
}

// A slider with a number field, shown in the panel's units: percent as
// 0..100 %, angle in degrees.
function sliderWidget(control, sender) {
  const percent = control.dataType === "percent";
  const [min, max, step] = percent ? [0, 100, 0.1] : [-180, 180, 0.5];
  const toShown = percent ? (v) => v * 100 : degrees;
  const fromShown = percent ? (v) => v / 100 : radians;
  const range = element("input", {type: "range", min, max, step});
  const number = element("input", {type: "number", step});
  const unit = element("span", {textContent: percent ? "%" : "°"});
  range.setAttribute("aria-label", control.label);
  number.setAttribute("aria-label", `${control.label} value`);
  const send = (shown, gesture) => {
    const value = Number(shown);
    if (shown === "" || !Number.isFinite(value)) return;
    sender(fromShown(value), gesture);
  };
  const rangeGesture = gestureOf(range);
  const numberGesture = gestureOf(number);
  range.addEventListener("input", () => { number.value = range.value; send(range.value, rangeGesture()); });
  number.addEventListener("input", () => { range.value = number.value; send(number.value, numberGesture()); });
  const update = (value) => {
    if (typeof value !== "number") return;
    const shown = Number(toShown(value).toFixed(4));
    if (document.activeElement !== number) number.value = shown;
    if (document.activeElement !== range) range.value = shown;
  };
  return {nodes: [range, number, unit], update};
}

function hex(value) {
  const byte = Math.round(Math.min(1, Math.max(0, value)) * 255);
  return byte.toString(16).padStart(2, "0");
}

function colorWidget(control, sender) {
  const picker = element("input", {type: "color"});
  const text = element("span", {className: "numbers"});
  picker.setAttribute("aria-label", control.label);
  const gesture = gestureOf(picker);
  picker.addEventListener("input", () => {
    const v = picker.value;
    sender([1, 3, 5].map((i) => parseInt(v.slice(i, i + 2), 16) / 255), gesture());
  });
  const update = (value) => {
    if (!Array.isArray(value)) return;
    picker.value = "#" + value.map(hex).join("");
    text.textContent = value.map((v) => (typeof v === "number" ? v.toFixed(3) : v)).join(" ");
  };
  return {nodes: [picker, text], update};
}

function selectWidget(control, options, sender) {
  const select = element("select");
  select.setAttribute("aria-label", control.label);
  options.forEach((text, index) => select.append(element("option", {value: index, textContent: text})));
  select.addEventListener("change", () => sender(Number(select.value)));
  return {nodes: [select], update: (value) => { select.value = String(value); }};
}

function checkboxWidget(control, sender) {
  const box = element("input", {type: "checkbox"});
  box.setAttribute("aria-label", control.label);
  box.addEventListener("change", () => sender(box.checked ? 1 : 0));
  return {nodes: [box], update: (value) => { box.checked = Boolean(value); }};
}

function numberWidget(control, sender) {
  const number = element("input", {type: "number", step: "any"});
  number.setAttribute("aria-label", control.label);
  const gesture = gestureOf(number);
  number.addEventListener("input", () => {
    if (number.value !== "") sender(Number(number.value), gesture());
  });
  return {nodes: [number], update: (value) => { number.value = value; }};
}

// The widget the host draws for a control class.
function widgetFor(control) {
  const sender = makeSender("/api/set", (value, gesture) => ({id: control.id, value, gesture}));
  switch (control.class) {
    case "color": return colorWidget(control, sender);
    case "percent": case "angle": return sliderWidget(control, sender);
    case "axis": return selectWidget(control, ["X", "Y", "Z"], sender);
    case "iPopChoice": return selectWidget(control, control.choices || [], sender);
    case "iBoolean": return checkboxWidget(control, sender);
    default: return numberWidget(control, sender);
  }
}

function buildPanel(panel) {
  const box = $("controls");
  box.replaceChildren();
  page.controls.clear();
  for (const control of panel.controls) {
    const widget = widgetFor(control);
    const holder = element("div", {className: "widget"}, widget.nodes);
    const note = element("span", {className: "note"});
    const row = element("div", {className: "control"}, [
      element("label", {textContent: control.label}), holder, note]);
    row.dataset.id = control.id;
    row.dataset.label = control.label;
    box.append(row);
    page.controls.set(control.id, {row, holder, note, update: widget.update});
  }
}

// Why the module hides a control: its input is wired, when an input of the
// same name is; otherwise only the module knows.
function hiddenReason(label) {
  const input = page.state.inputs.find((i) => i.name === label);
  return input && input.source.kind !== "none" ? `hidden: input "${label}" is wired`
                                               : "hidden by the module";
}

function updatePanel(panel) {
  $("panel-label").textContent = panel.label;
  const same = panel.controls.length === page.controls.size &&
      panel.controls.every((c) => page.controls.has(c.id));
  if (!same) buildPanel(panel);
  for (const control of panel.controls) {
    const entry = page.controls.get(control.id);
    entry.row.classList.toggle("hidden", control.hidden);
    entry.holder.hidden = control.hidden;
    entry.note.hidden = !control.hidden;
    entry.note.textContent = control.hidden ? hiddenReason(control.label) : "";
    if (!control.hidden) entry.update(control.value);
  }
}

// ---- inputs and wiring

function describeSource(source) {
  if (source.kind === "none") return "not wired";
  if (source.kind === "constant") return `constant ${JSON.stringify(source.value)}`;
  if (source.kind === "image") return `image ${source.name}`;
  return source.kind;
}

function sourceChoices(input, state) {
  const choices = [["none", "not wired"], ["constant", "constant"]];
  for (const source of state.sources)
    if (source.scalar === input.scalar) choices.push([source.name, source.name === "uv" ? "object's UV" : source.name]);
  for (const image of state.images) choices.push([`image:${image}`, `image ${image}`]);
  return choices;
}

function parseConstant(text, scalar) {
  const numbers = text.trim().split(/[\s,]+/).map(Number);
  return scalar ? numbers[0] : numbers;
}

function inputRow(input, state) {
  const select = element("select");
  select.setAttribute("aria-label", `${input.name} source`);
  for (const [value, text] of sourceChoices(input, state))
    select.append(element("option", {value, textContent: text}));
  const current = input.source.kind === "image" ? `image:${input.source.name}` : input.source.kind;
  select.value = current;
  const constant = element("input", {type: "text", placeholder: input.scalar ? "0.5" : "1 1 1"});
  constant.setAttribute("aria-label", `${input.name} constant`);
  if (input.source.kind === "constant") {
    constant.value = [].concat(input.source.value).join(" ");
  }
  const apply = element("button", {type: "button", textContent: "Wire"});
  apply.setAttribute("aria-label", `Wire ${input.name}`);
  apply.addEventListener("click", () => {
    const kind = select.value;
    let source = {kind};
    if (kind === "constant") source.value = parseConstant(constant.value, input.scalar);
    if (kind.startsWith("image:")) source = {kind: "image", name: kind.slice(6)};
    change("/api/wire", {input: input.name, source});
  });
  const row = element("div", {className: "input"}, [
    element("div", {className: "name"}, [
      element("span", {textContent: input.name}),
      element("span", {className: "source", textContent: describeSource(input.source)})]),
    element("div", {className: "wiring"}, [select, constant, apply])]);
  row.dataset.input = input.name;
  return row;
}

let shownInputs = "";  // what the input rows were last built from
function updateInputs(state) {
  const box = $("inputs");
  // Most changes leave the wiring alone: then the rows stay as they are.
  const wiring = JSON.stringify([state.inputs, state.sources, state.images]);
  if (wiring === shownInputs) return;
  // While the user is in a row, keep the rows and update what they show.
  if (box.contains(document.activeElement) && box.children.length === state.inputs.length) {
    for (const input of state.inputs)
      box.querySelector(`.input[data-input="${input.name}"] .source`).textContent = describeSource(input.source);
    return;
  }
  box.replaceChildren(...state.inputs.map((input) => inputRow(input, state)));
  shownInputs = wiring;
}

function updateCalls(lastChange) {
  if (!lastChange) return;
  $("calls-what").textContent = lastChange.what;
  $("calls").replaceChildren(...lastChange.calls.map((c) =>
      element("li", {}, [c.call, " ", element("span", {textContent: c.detail})])));
}

// ---- scenes, undo

function updateScenes(state) {
  $("scene-name").textContent = state.scene.name;
  const list = $("scene-list");
  const chosen = list.value;
  list.replaceChildren(...state.scenes.map((name) => element("option", {value: name, textContent: name})));
  if (state.scenes.includes(chosen)) list.value = chosen;
  for (const id of ["scene-list", "open-scene", "save-name", "save-scene"])
    $(id).disabled = !state.sceneFolder;
  $("undo").disabled = state.undo === 0;
  $("redo").disabled = state.redo === 0;
}

// Files of the folder the page cannot list, each named escaped.
function updateNotes(notes) {
  $("notes").replaceChildren(...(notes || []).map((note) => element("li", {textContent: note})));
  $("notes").hidden = !notes?.length;
}

function applyState(state) {
  page.state = state;
  updateNotes(state.notes);
  updatePanel(state.panel);
  updateInputs(state);
  updateCalls(state.lastChange);
  updateScenes(state);
  updateSpot(state);
  updateEnvironment(state);
}

// The lobe plot and the frame read back, made by the server after each
// change's quick pass; each picture links to itself at full size.
async function showViews() {
  const views = await fetch("/api/views").then((r) => r.json());
  if (page.views && views.version < page.views.version) return;
  page.views = views;
  for (const [name, id] of [["lobe", "lobe-view"], ["frame", "frame-view"]]) {
    const view = views[name];
    const box = $(id);
    const link = box.querySelector("a");
    box.querySelector(".missing").textContent = view.available ? "" : view.reason;
    link.hidden = !view.available;
    if (view.available && link.getAttribute("href") !== view.url) {
      link.href = view.url;
      box.querySelector("img").src = view.url;
    }
  }
}

function wireHeader() {
  $("open-scene").addEventListener("click", () => {
    if ($("scene-list").value) change("/api/open", {name: $("scene-list").value});
  });
  $("save-scene").addEventListener("click", () => change("/api/save", {name: $("save-name").value}));
  $("undo").addEventListener("click", () => change("/api/undo"));
  $("redo").addEventListener("click", () => change("/api/redo"));
  document.addEventListener("keydown", (e) => {
    if (!(e.ctrlKey || e.metaKey) || e.key.toLowerCase() !== "z") return;
    if (e.target.matches("input[type=text], input[type=number]")) return;
    e.preventDefault();
    change(e.shiftKey ? "/api/redo" : "/api/undo");
  });
}

wireHeader();
listen();
refreshState().then(refreshFrame);
