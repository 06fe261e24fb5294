#include "standin/lookdev/eigen3.h"

#include <cmath>

namespace standin::lookdev {
namespace {

// One Jacobi rotation in the (p, q) plane that zeroes a[p][q].
void Rotate(double a[3][3], double v[3][3], int p, int q) {
  if (a[p][q] == 0.0) return;
  const double theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q]);
  const double t = (theta >= 0.0 ? 1.0 : -1.0) /
                   (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
  const double c = 1.0 / std::sqrt(t * t + 1.0);
  const double s = t * c;
  // A' = Jᵀ A J, applied to the rows and columns p and q.
  for (int k = 0; k < 3; ++k) {
    const double akp = a[k][p], akq = a[k][q];
    a[k][p] = c * akp - s * akq;
    a[k][q] = s * akp + c * akq;
  }
  for (int k = 0; k < 3; ++k) {
    const double apk = a[p][k], aqk = a[q][k];
    a[p][k] = c * apk - s * aqk;
    a[q][k] = s * apk + c * aqk;
  }
  // The eigenvectors accumulate as the columns of V J.
  for (int k = 0; k < 3; ++k) {
    const double vkp = v[k][p], vkq = v[k][q];
    v[k][p] = c * vkp - s * vkq;
    v[k][q] = s * vkp + c * vkq;
  }
}

}  // namespace

void SymmetricEigen3(const double m[3][3], double values[3], Vec3 vectors[3]) {
  double a[3][3], v[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) a[i][j] = m[i][j];
  // Sweeps until the off-diagonal part is negligible; Jacobi converges
  // quadratically, so a handful suffices even for widely spread values.
  for (int sweep = 0; sweep < 32; ++sweep) {
    const double off = std::fabs(a[0][1]) + std::fabs(a[0][2]) + std::fabs(a[1][2]);
    const double diag = std::fabs(a[0][0]) + std::fabs(a[1][1]) + std::fabs(a[2][2]);
    if (!(off > 1e-300 && off > diag * 1e-22)) break;
    Rotate(a, v, 0, 1);
    Rotate(a, v, 0, 2);
    Rotate(a, v, 1, 2);
  }
  for (int i = 0; i < 3; ++i) {
    values[i] = a[i][i];
    vectors[i] = Normalized({v[0][i], v[1][i], v[2][i]});
  }
}

}  // namespace standin::lookdev
