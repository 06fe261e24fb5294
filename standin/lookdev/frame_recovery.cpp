#include "standin/lookdev/frame_recovery.h"

#include <cmath>

#include "standin/lookdev/eigen3.h"
#include "standin/render/geometry.h"

namespace standin::lookdev {
namespace {

constexpr double kEqual = 1e-9;  // relative tolerance for equal eigenvalues
// Eigenvalues this small against the largest are zero: a width of 1e5 or
// more, or no tangent at all (1e-10 is far above the form's rounding).
constexpr double kFlat = 1e-10;

bool Close(double a, double b) {
  return std::fabs(a - b) <= kEqual * std::fmax(std::fabs(a), std::fabs(b));
}

// The probe basis: three orthonormal directions in general position, so
// that no probe lies exactly across a normal along a world axis or a
// diagonal of their planes (there |H·N| >= 0.08). Where "UV" steers the
// tangent to zero q = (H·N)², and a half vector exactly across the normal
// gives q = 0, which the node answers with the factor 1, not infinity.
const std::array<Vec3, 3>& ProbeBasis() {
  static const std::array<Vec3, 3> basis = [] {
    const Vec3 a = Normalized({0.21, 0.31, -0.64});
    const Vec3 c{-0.52, -0.16, -0.31};
    const Vec3 b = Normalized(c - a * Dot(c, a));
    return std::array<Vec3, 3>{a, b, Cross(a, b)};
  }();
  return basis;
}

// A vector given in the probe basis, in world space, and back.
Vec3 FromBasis(Vec3 v) {
  const auto& e = ProbeBasis();
  return (e[0] * v.x + e[1] * v.y) + e[2] * v.z;
}
Vec3 ToBasis(Vec3 v) {
  const auto& e = ProbeBasis();
  return {Dot(e[0], v), Dot(e[1], v), Dot(e[2], v)};
}

// The quadratic form's matrix in the probe basis, from q at the basis
// directions and the diagonals of their planes:
// q((ei + ej)/√2) = (Mii + Mjj)/2 + Mij.
void FormMatrix(const std::array<double, 6>& q, double m[3][3]) {
  for (int i = 0; i < 3; ++i) m[i][i] = q[static_cast<size_t>(i)];
  const int pairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (int k = 0; k < 3; ++k) {
    const int i = pairs[k][0], j = pairs[k][1];
    m[i][j] = m[j][i] = q[static_cast<size_t>(3 + k)] - 0.5 * (m[i][i] + m[j][j]);
  }
}

// gᵀ M h
double Form(const double m[3][3], Vec3 g, Vec3 h) {
  const Vec3 mh{(m[0][0] * h.x + m[0][1] * h.y) + m[0][2] * h.z,
                (m[1][0] * h.x + m[1][1] * h.y) + m[1][2] * h.z,
                (m[2][0] * h.x + m[2][1] * h.y) + m[2][2] * h.z};
  return Dot(g, mh);
}

// The normal: the eigenvector whose eigenvalue is 1. Where two or three
// eigenvalues equal 1 the output fixes only a plane or nothing, and the
// hint's normal projected into that space is taken.
Vec3 PickNormal(const double values[3], const Vec3 vectors[3], Vec3 hint) {
  int best = 0;
  for (int i = 1; i < 3; ++i)
    if (std::fabs(std::log(values[i])) < std::fabs(std::log(values[best]))) best = i;
  Vec3 n;
  int ones = 0;
  for (int i = 0; i < 3; ++i)
    if (Close(values[i], 1.0)) {
      n = n + vectors[i] * Dot(hint, vectors[i]);
      ++ones;
    }
  if (ones < 2 || !(Length(n) > 1e-6)) n = vectors[best];
  n = Normalized(n);
  return Dot(n, hint) < 0.0 ? -n : n;
}

// Width mismatch in log space against a hint; no hint costs nothing.
double Mismatch(double width, double hint) {
  const double h = std::fabs(hint);
  return h > 0.0 && std::isfinite(h) ? std::fabs(std::log(width / h)) : 0.0;
}

// Tangent and bitangent: the 2x2 restriction of the form to the plane
// across the normal, diagonalised in closed form (in the probe basis).
void SplitPlane(const double m[3][3], RecoveredFrame* frame, const FrameHints& hints) {
  const Vec3 n = frame->normal;
  const Vec3 seed = std::fabs(n.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  const Vec3 a = Normalized(Cross(n, Cross(seed, n)));
  const Vec3 b = Cross(n, a);
  const double maa = Form(m, a, a), mbb = Form(m, b, b), mab = Form(m, a, b);
  const double phi = 0.5 * std::atan2(2.0 * mab, maa - mbb);
  const Vec3 e1 = a * std::cos(phi) + b * std::sin(phi);
  const Vec3 e2 = Cross(n, e1);
  const double w1 = 1.0 / std::sqrt(Form(m, e1, e1));
  const double w2 = 1.0 / std::sqrt(Form(m, e2, e2));
  frame->isotropic = Close(w1, w2);
  if (frame->isotropic) {
    frame->uWidth = frame->vWidth = w1;
    return;
  }
  const bool swap = Mismatch(w1, hints.uGloss) + Mismatch(w2, hints.vGloss) >
                    Mismatch(w2, hints.uGloss) + Mismatch(w1, hints.vGloss);
  Vec3 t = swap ? e2 : e1;
  if (Dot(FromBasis(t), kTangentSignRef) < 0.0) t = -t;
  frame->tangent = t;
  frame->bitangent = Cross(n, t);
  frame->uWidth = swap ? w2 : w1;
  frame->vWidth = swap ? w1 : w2;
}

// The form of a tangent steered to zero, N Nᵀ: one eigenvalue 1, two
// zero. Sets the normal (the eigenvector of 1, on the hint's side).
bool ReadZeroSteering(const double values[3], const Vec3 vectors[3], Vec3 hint, RecoveredFrame* frame) {
  int top = 0;
  for (int i = 1; i < 3; ++i)
    if (std::fabs(values[i]) > std::fabs(values[top])) top = i;
  for (int i = 0; i < 3; ++i)
    if (i != top && !(std::fabs(values[i]) <= kFlat * std::fabs(values[top]))) return false;
  if (!Close(values[top], 1.0)) return false;
  const Vec3 n = Normalized(vectors[top]);
  frame->valid = frame->zeroSteering = true;
  frame->normal = Dot(n, hint) < 0.0 ? -n : n;
  frame->uWidth = frame->vWidth = std::nan("");
  return true;
}

}  // namespace

const std::array<Vec3, 6>& ProbeDirections() {
  static const std::array<Vec3, 6> directions = [] {
    const double r = std::sqrt(0.5);
    const Vec3 inBasis[6] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {r, r, 0}, {r, 0, r}, {0, r, r}};
    std::array<Vec3, 6> d{};
    for (size_t i = 0; i < 6; ++i) d[i] = FromBasis(inBasis[i]);
    return d;
  }();
  return directions;
}

RecoveredFrame FrameFromLobes(const std::array<double, 6>& f, const FrameHints& hints) {
  RecoveredFrame frame;
  std::array<double, 6> q{};
  for (size_t i = 0; i < 6; ++i) {
    if (!(f[i] > 0.0) || !std::isfinite(f[i])) return frame;
    q[i] = 1.0 / f[i];
  }
  double m[3][3], values[3];
  Vec3 vectors[3];
  FormMatrix(q, m);
  SymmetricEigen3(m, values, vectors);
  const Vec3 hint = ToBasis(hints.normal);
  if (!ReadZeroSteering(values, vectors, hint, &frame)) {
    for (double v : values)
      if (!(v > 0.0) || !std::isfinite(v)) return frame;
    frame.valid = true;
    frame.normal = PickNormal(values, vectors, hint);
    SplitPlane(m, &frame, hints);
  }
  frame.normal = FromBasis(frame.normal);
  frame.tangent = FromBasis(frame.tangent);
  frame.bitangent = FromBasis(frame.bitangent);
  return frame;
}

RecoveredFrame RecoverFrame(const LobeProbe& probe, const FrameHints& hints) {
  std::array<double, 6> f{};
  for (size_t i = 0; i < 6; ++i) f[i] = probe.AtHalf(ProbeDirections()[i]);
  return FrameFromLobes(f, hints);
}

FrameHints HintsAt(const ProbeNode& node, const HostSpot& spot) {
  FrameHints hints;
  hints.normal = Load(spot.info.normal);
  // The node's own setting, or what the host's wired source yields here;
  // the node reads an exact 0 as 0.001.
  auto gloss = [&](const char* dataName, const char* input) {
    if (const void* v = PanelSetting(*node.node, dataName)) {
      const double g = *static_cast<const double*>(v);
      return g == 0.0 ? 0.001 : g;
    }
    for (const HostInput& in : node.node->inputs) {
      if (in.name != input || !in.wired) continue;
      double out[3] = {in.source.value[0], 0.0, 0.0};
      if (in.source.kind != SourceKind::Number && spot.hit) EvaluateSource(in.source, *spot.hit, out);
      return out[0] == 0.0 ? 0.001 : out[0];
    }
    return 0.0;
  };
  hints.uGloss = gloss("UGlossiness", "U Glossiness");
  hints.vGloss = gloss("VGlossiness", "V Glossiness");
  return hints;
}

}  // namespace standin::lookdev
