// An environment light's latitude-longitude map and its importance
// sampling by luminance.
//
// Directions point from the scene toward the environment. A map of
// width W and height H covers the sphere: column u (0..1, left to right)
// is the azimuth, u = 0.5 + atan2(x, -z) / 2 pi (the map's centre lies
// toward -Z, behind the default camera's subject), and row v (0..1, top to
// bottom) the angle from +Y, v = acos(y) / pi. Radiance is constant over
// each texel.
//
// Sampling picks a texel from a 2-D piecewise-constant distribution
// (a row by the rows' sums, then a texel within the row) whose weights are
// the texels' luminance times sin(theta) at the row's centre, then a
// uniform point inside the texel.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "standin/render/texture.h"
#include "standin/render/vec3.h"

namespace standin {

struct EnvironmentMap {
  int width = 0;
  int height = 0;
  std::vector<float> rgb;          // width x height x 3, rows top to bottom
  std::vector<double> rowCdf;      // height + 1 entries, 0 .. 1
  std::vector<double> texelCdf;    // per row, width + 1 entries, 0 .. 1
  std::vector<double> rowWeight;   // per row, the sum of its weights
  double total = 0.0;              // sum of all weights
};

// The map of `texture` (1 channel: grey; 3 or 4: RGB, alpha ignored).
// Throws std::invalid_argument naming `name` for an empty texture or a
// negative or non-finite value (its texel).
std::shared_ptr<const EnvironmentMap> MakeEnvironmentMap(const Texture& texture,
                                                         const std::string& name);

struct EnvironmentSample {
  Vec3 direction;   // unit, from the scene toward the environment
  Vec3 radiance;    // the texel's value
  double pdf = 0.0; // per unit solid angle
};

// Draws one direction for (u1, u2) in [0, 1)^2. False when the map is
// black everywhere or the point lands on a pole (pdf undefined).
bool SampleEnvironment(const EnvironmentMap& map, double u1, double u2,
                       EnvironmentSample* sample);

// The density SampleEnvironment draws unit direction `direction` with,
// per unit solid angle, and the radiance there.
double EnvironmentPdf(const EnvironmentMap& map, Vec3 direction, Vec3* radiance = nullptr);

// Turns a direction by `degrees` about +Y (right-handed).
Vec3 RotateY(Vec3 v, double degrees);

}  // namespace standin
