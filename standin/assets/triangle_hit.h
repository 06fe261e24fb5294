// Where a ray meets a triangle, watertight.
#pragma once

namespace standin {

struct TriangleHit {
  double t = 0.0;   // along the ray, in units of its direction
  double b1 = 0.0;  // barycentric weights of the second and third corners
  double b2 = 0.0;
};

// Whether the ray from `origin` along `direction` meets the triangle p0,
// p1, p2 (either face) at any t; `hit` gets where. The corners are moved
// into the ray's frame (origin at 0, direction along +z, sheared) one by
// one, and each edge's test is the same expression of its two corners
// whichever triangle asks, so that two triangles sharing an edge or a
// corner leave no gap between them for a ray to slip through (Woop,
// Benthin and Wald's watertight test, in double precision).
bool HitTriangle(const double origin[3], const double direction[3], const float* p0, const float* p1,
                 const float* p2, TriangleHit* hit);

}  // namespace standin
