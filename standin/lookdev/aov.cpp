#include "standin/lookdev/aov.h"

#include <cmath>
#include <numbers>

#include "standin/lookdev/frame_recovery.h"
#include "standin/lookdev/probe_setup.h"
#include "standin/render/camera.h"

namespace standin::lookdev {
namespace {

void Put(std::vector<float>& v, size_t at, Vec3 d) {
  v[3 * at] = static_cast<float>(d.x);
  v[3 * at + 1] = static_cast<float>(d.y);
  v[3 * at + 2] = static_cast<float>(d.z);
}

Vec3 Get(const std::vector<float>& v, size_t at) {
  return {v[3 * at], v[3 * at + 1], v[3 * at + 2]};
}

void Allocate(AovImages* a, int width, int height) {
  const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height);
  a->width = width;
  a->height = height;
  for (auto* v : {&a->tangent, &a->bitangent, &a->normal}) v->assign(3 * n, 0.0f);
  for (auto* v : {&a->uWidth, &a->vWidth, &a->zeroTangent, &a->isotropic, &a->zeroSteering,
                  &a->tangentJump})
    v->assign(n, 0.0f);
  a->object.assign(n, -1);
  a->distance.assign(n, 0.0f);
}

// One pixel: the spot at its centre, six evaluations, the frame.
void ProbePixel(const Host& host, const ProbeNode& node, const Scene& scene, int x, int y,
                AovImages* a) {
  const Ray ray = PrimaryRay(scene.camera, a->width, a->height, x + 0.5, y + 0.5);
  Hit hit;
  if (!Intersect(scene, ray, &hit)) return;
  const size_t at = static_cast<size_t>(y) * static_cast<size_t>(a->width) + static_cast<size_t>(x);
  a->object[at] = hit.object;
  a->distance[at] = static_cast<float>(hit.distance);
  const HostSpot spot = SpotFromHit(host, hit, ray);
  const RecoveredFrame f = RecoverFrame(LobeProbe(host, node, spot), HintsAt(node, spot));
  if (!f.valid) {
    a->zeroTangent[at] = 1.0f;
    return;
  }
  Put(a->normal, at, f.normal);
  if (f.zeroSteering) {
    a->zeroSteering[at] = 1.0f;
    return;
  }
  a->uWidth[at] = static_cast<float>(f.uWidth);
  a->vWidth[at] = static_cast<float>(f.vWidth);
  a->isotropic[at] = f.isotropic ? 1.0f : 0.0f;
  Put(a->tangent, at, f.tangent);
  Put(a->bitangent, at, f.bitangent);
}

// Marks pixels whose tangent line turns by more than kJumpDegrees to a
// neighbour on the same object (the sign of a tangent means nothing).
void MarkJumps(AovImages* a) {
  const double limit = std::cos(kJumpDegrees * std::numbers::pi / 180.0);
  auto usable = [&](size_t at) {
    return a->object[at] >= 0 && a->zeroTangent[at] == 0.0f && a->isotropic[at] == 0.0f &&
           a->zeroSteering[at] == 0.0f;
  };
  for (int y = 0; y < a->height; ++y)
    for (int x = 0; x < a->width; ++x) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(a->width) + static_cast<size_t>(x);
      if (!usable(at)) continue;
      const int nx[2] = {x + 1, x}, ny[2] = {y, y + 1};
      for (int k = 0; k < 2; ++k) {
        if (nx[k] >= a->width || ny[k] >= a->height) continue;
        const size_t nb = static_cast<size_t>(ny[k]) * static_cast<size_t>(a->width) + static_cast<size_t>(nx[k]);
        if (!usable(nb) || a->object[nb] != a->object[at]) continue;
        if (std::fabs(Dot(Get(a->tangent, at), Get(a->tangent, nb))) < limit)
          a->tangentJump[at] = a->tangentJump[nb] = 1.0f;
      }
    }
}

}  // namespace

AovImages ComputeAovs(Host& host, const Scene& scene, const std::string& sceneName, int width,
                      int height, const RenderOptions& options) {
  ProbeSetup setup(host, scene, sceneName);
  const ProbeNode node = setup.AddNode({});
  AovImages a;
  Allocate(&a, width, height);
  host.BeginRender(*node.node);
  try {
    // The tiles of the renderer; each pixel writes only its own entries.
    RenderTiles(width, height, options, [&](int x, int y, float rgb[3]) {
      ProbePixel(host, node, scene, x, y, &a);
      rgb[0] = rgb[1] = rgb[2] = 0.0f;
    });
  } catch (...) {
    host.EndRender(*node.node);
    throw;
  }
  host.EndRender(*node.node);
  MarkJumps(&a);
  return a;
}

}  // namespace standin::lookdev
