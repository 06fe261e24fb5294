// Eigen-decomposition of a symmetric 3x3 matrix by cyclic Jacobi rotations:
// accurate to a few ulps of the largest eigenvalue, no allocation.
#pragma once

#include "standin/render/vec3.h"

namespace standin::lookdev {

// m is symmetric, row by row. values[i] pairs with the unit vectors[i];
// the vectors are mutually orthogonal. Non-finite input gives non-finite
// output.
void SymmetricEigen3(const double m[3][3], double values[3], Vec3 vectors[3]);

}  // namespace standin::lookdev
