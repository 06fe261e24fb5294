// `quillane render --aov`: the frame the node used at every pixel, read
// back from the module's output (see frame_recovery.h), with its widths,
// the mask of spots without a highlight and the mask of tangent jumps.
#pragma once

#include <string>
#include <vector>

#include "standin/host/host.h"
#include "standin/render/image.h"
#include "standin/files/output_files.h"
#include "standin/render/renderer.h"
#include "standin/render/scene.h"

namespace standin::lookdev {

// Per pixel, rows from the top; one spot at each pixel's centre.
struct AovImages {
  int width = 0, height = 0;
  std::vector<float> tangent, bitangent, normal;  // 3 per pixel; 0 where unknown
  std::vector<float> uWidth, vWidth;               // 0 where unknown
  std::vector<float> zeroTangent;  // 1: a surface where the node gives no highlight
  std::vector<float> isotropic;    // 1: equal widths, so the output fixes no tangent
  std::vector<float> zeroSteering; // 1: "UV" steered the tangent to zero: a normal alone
  std::vector<float> tangentJump;  // 1: the tangent turns sharply to a neighbour
  std::vector<int> object;         // the object hit, -1 for none
  std::vector<float> distance;     // along the pixel's ray to the hit
};

// A jump: neighbouring pixels on one object whose tangent lines differ by
// more than this (degrees).
inline constexpr double kJumpDegrees = 20.0;

// Probes every pixel of a width x height view of `scene` (six evaluations
// per surface pixel) on options.threads threads. Throws HostError or
// ContainerError for the scene's node.
AovImages ComputeAovs(Host& host, const Scene& scene, const std::string& sceneName, int width,
                      int height, const RenderOptions& options);

// Writes PREFIX.exr (layers tangent, bitangent, normal with X, Y, Z;
// width.U, width.V; mask.zeroTangent, mask.isotropic, mask.zeroSteering,
// mask.tangentJump) and
// false-colour PNGs PREFIX-tangent.png, -bitangent.png, -normal.png,
// -widths.png, -masks.png and -strokes.png (the tangent as short strokes
// over `beauty`, which has the same size, shown at `exposure`), as outputs
// of `files`, which must have been added to it (AovFileNames).
void WriteAovs(OutputFiles& files, const std::string& prefix, const AovImages& aovs,
               const Scene& scene, const Image& beauty, double exposure);

// The names WriteAovs writes for `prefix`, the EXR first.
std::vector<std::string> AovFileNames(const std::string& prefix);

}  // namespace standin::lookdev
