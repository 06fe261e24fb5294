// The preview as a stage: drag to orbit the camera about its target
// (shift-drag, or the right or middle button, pans), the wheel dollies, a
// click picks the spot the lobe plot shows; and the environment's map and
// rotation. Every move is sent as a change (app.js), the moves of one drag
// or one run of wheel turns as one gesture: one undo step.
"use strict";

// A press that moves less than this (CSS pixels) is a click.
const kClickSlop = 4;
// Radians of orbit per CSS pixel dragged; the wheel's dolly per unit.
const kOrbitRate = 0.008;
const kDollyRate = 0.0015;
// Wheel turns closer together than this (ms) are one gesture.
const kWheelGesture = 400;

const add = (a, b) => a.map((v, i) => v + b[i]);
const sub = (a, b) => a.map((v, i) => v - b[i]);
const scale = (a, s) => a.map((v) => v * s);
const dot = (a, b) => a.reduce((sum, v, i) => sum + v * b[i], 0);
const cross = (a, b) => [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
const unit = (a) => scale(a, 1 / Math.hypot(...a));

// `v` turned by `angle` radians about the unit axis `k` (Rodrigues).
function rotate(v, k, angle) {
  const c = Math.cos(angle), s = Math.sin(angle);
  return add(add(scale(v, c), scale(cross(k, v), s)), scale(k, dot(k, v) * (1 - c)));
}

// The camera `camera` orbited by (dx, dy) CSS pixels about its target:
// across about its up vector, up and down about its right one, stopping
// short of the poles.
function orbit(camera, dx, dy) {
  const up = unit(camera.up);
  let offset = sub(camera.position, camera.target);
  offset = rotate(offset, up, -dx * kOrbitRate);
  const right = unit(cross(up, offset));
  const turned = rotate(offset, right, -dy * kOrbitRate);
  const pole = Math.acos(Math.max(-1, Math.min(1, dot(unit(turned), up))));
  if (pole > 0.02 && pole < Math.PI - 0.02) offset = turned;
  return {...camera, position: add(camera.target, offset)};
}

// The camera moved across the view by (dx, dy) CSS pixels of a view
// `height` pixels high: the point under the pointer stays under it at the
// target's distance.
function pan(camera, dx, dy, height) {
  const forward = sub(camera.target, camera.position);
  const right = unit(cross(forward, camera.up));
  const up = unit(cross(right, forward));
  const perPixel = 2 * Math.hypot(...forward) * Math.tan(camera.fov * Math.PI / 360) / height;
  const move = add(scale(right, -dx * perPixel), scale(up, dy * perPixel));
  return {...camera, position: add(camera.position, move), target: add(camera.target, move)};
}

// The camera moved toward its target by the wheel's `delta`, never onto it.
function dolly(camera, delta) {
  const offset = sub(camera.position, camera.target);
  const distance = Math.max(1e-3, Math.hypot(...offset) * Math.exp(delta * kDollyRate));
  return {...camera, position: add(camera.target, scale(unit(offset), distance))};
}

const sendCamera = makeSender("/api/camera", (camera, gesture) => ({camera, gesture}));
const sendSpot = makeSender("/api/spot", (pixel) => pixel);
const sendEnvironment = makeSender("/api/environment", (body, gesture) => ({...body, gesture}));

function newGesture() {
  return `${Date.now()}-${Math.random()}`;
}

// The preview pixel under a pointer event.
function pixelAt(canvas, e) {
  const box = canvas.getBoundingClientRect();
  const {width, height} = page.state.preview;
  const x = Math.floor((e.clientX - box.left) / box.width * width);
  const y = Math.floor((e.clientY - box.top) / box.height * height);
  return {x: Math.min(width - 1, Math.max(0, x)), y: Math.min(height - 1, Math.max(0, y))};
}

function wireStage() {
  const canvas = $("preview");
  let press = null;  // {x, y, camera, panning, dragging, gesture}
  canvas.addEventListener("contextmenu", (e) => e.preventDefault());
  canvas.addEventListener("pointerdown", (e) => {
    if (!page.state) return;
    canvas.setPointerCapture(e.pointerId);
    press = {x: e.clientX, y: e.clientY, camera: page.state.camera, dragging: false,
             panning: e.shiftKey || e.button !== 0, gesture: newGesture()};
  });
  canvas.addEventListener("pointermove", (e) => {
    if (!press) return;
    const dx = e.clientX - press.x, dy = e.clientY - press.y;
    if (!press.dragging && Math.hypot(dx, dy) < kClickSlop) return;
    press.dragging = true;
    const camera = press.panning ? pan(press.camera, dx, dy, canvas.clientHeight)
                                 : orbit(press.camera, dx, dy);
    sendCamera(camera, press.gesture);
  });
  canvas.addEventListener("pointerup", (e) => {
    if (press && !press.dragging && e.button === 0) sendSpot(pixelAt(canvas, e));
    press = null;
  });
  canvas.addEventListener("pointercancel", () => { press = null; });
  let wheel = {gesture: "", last: 0, camera: null};
  canvas.addEventListener("wheel", (e) => {
    if (!page.state) return;
    e.preventDefault();
    const now = performance.now();
    if (now - wheel.last > kWheelGesture) wheel = {gesture: newGesture(), camera: page.state.camera};
    wheel.last = now;
    wheel.camera = dolly(wheel.camera, e.deltaY);
    sendCamera(wheel.camera, wheel.gesture);
  }, {passive: false});
}

// The marker over the chosen pixel, where the state has one.
function updateSpot(state) {
  const marker = $("spot-marker");
  marker.hidden = !state.spot;
  if (!state.spot) return;
  const [x, y] = state.spot;
  marker.style.left = `${(x + 0.5) / state.preview.width * 100}%`;
  marker.style.top = `${(y + 0.5) / state.preview.height * 100}%`;
}

function wireEnvironment() {
  const rotation = $("env-rotation"), number = $("env-rotation-value"), map = $("env-map");
  const rotationGesture = gestureOf(rotation);
  const numberGesture = gestureOf(number);
  rotation.addEventListener("input", () => {
    number.value = rotation.value;
    sendEnvironment({rotation: Number(rotation.value)}, rotationGesture());
  });
  number.addEventListener("input", () => {
    if (number.value === "" || !Number.isFinite(Number(number.value))) return;
    rotation.value = number.value;
    sendEnvironment({rotation: Number(number.value)}, numberGesture());
  });
  map.addEventListener("change", () => {
    const [kind, name] = [map.value.slice(0, map.value.indexOf(":")), map.value.slice(map.value.indexOf(":") + 1)];
    sendEnvironment({[kind]: name});
  });
}

function updateEnvironment(state) {
  const env = state.environment;
  $("environment").hidden = !env;
  if (!env) return;
  const map = $("env-map");
  const choices = [...env.presets.map((p) => `preset:${p}`), ...env.images.map((i) => `image:${i}`)];
  if (JSON.stringify(choices) !== map.dataset.choices) {
    map.replaceChildren(...choices.map((value) => element("option", {
      value, textContent: value.startsWith("preset:") ? `preset ${value.slice(7)}` : value.slice(6)})));
    map.dataset.choices = JSON.stringify(choices);
  }
  map.value = env.current.image ? `image:${env.current.image}` : `preset:${env.current.preset}`;
  const shown = String(Number(env.current.rotation.toFixed(2)));
  if (document.activeElement !== $("env-rotation")) $("env-rotation").value = shown;
  if (document.activeElement !== $("env-rotation-value")) $("env-rotation-value").value = shown;
}

wireStage();
wireEnvironment();
// For the latency benchmark: camera moves without a mouse.
Object.assign(page, {orbit, sendCamera});
