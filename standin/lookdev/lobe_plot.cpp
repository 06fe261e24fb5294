#include "standin/lookdev/lobe_plot.h"

#include <oneapi/tbb/blocked_range.h>
#include <oneapi/tbb/parallel_for.h>
#include <oneapi/tbb/task_arena.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <sstream>

namespace standin::lookdev {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs body(row) for rows 0..count-1 on the options' threads; throws
// RenderInterrupted once the options' `interrupted` answers true.
template <typename Body>
void ParallelRows(int count, const LobeOptions& options, const Body& body) {
  tbb::task_arena arena(std::max(1, options.threads));
  arena.execute([&] {
    tbb::parallel_for(tbb::blocked_range<int>(0, count), [&](const tbb::blocked_range<int>& r) {
      for (int row = r.begin(); row != r.end(); ++row) {
        if (options.interrupted && options.interrupted()) throw RenderInterrupted();
        body(row);
      }
    });
  });
}

Vec3 InAxes(const SpotAxes& a, Vec3 v) { return a.x * v.x + a.y * v.y + a.n * v.z; }

// A map of `size` x `size` samples of lobe(direction); returns the count.
template <typename Lobe>
long long SampleMap(const SpotAxes& axes, const LobeOptions& options, std::vector<double>* out,
                    const Lobe& lobe) {
  const int size = options.mapSize;
  out->assign(static_cast<size_t>(size) * static_cast<size_t>(size), kNaN);
  std::vector<long long> counts(static_cast<size_t>(size), 0);
  ParallelRows(size, options, [&](int j) {
    for (int i = 0; i < size; ++i) {
      Vec3 d;
      if (!MapDirection(axes, size, i, j, &d)) continue;
      (*out)[static_cast<size_t>(j) * static_cast<size_t>(size) + static_cast<size_t>(i)] =
          lobe(d);
      ++counts[static_cast<size_t>(j)];
    }
  });
  long long total = 0;
  for (long long c : counts) total += c;
  return total;
}

}  // namespace

SpotAxes AxesOf(const HostSpot& spot) {
  const double* m = spot.info.toWorld;
  const Vec3 n = Normalized(Load(spot.info.normal));
  // Local X across the normal, or local Y where X lies along it.
  Vec3 x = Vec3{m[0], m[3], m[6]};
  x = x - n * Dot(x, n);
  if (!(Length(x) > 1e-6)) {
    x = Vec3{m[1], m[4], m[7]};
    x = x - n * Dot(x, n);
  }
  x = Normalized(x);
  return {x, Cross(n, x), n};
}

// A unit direction across `n`: the spot's x axis with its part along n
// taken out, or its y axis where x lies along n.
Vec3 AcrossNormal(const SpotAxes& axes, Vec3 n) {
  const Vec3 x = axes.x - n * Dot(axes.x, n);
  return Normalized(Length(x) > 1e-6 ? x : axes.y - n * Dot(axes.y, n));
}

bool MapDirection(const SpotAxes& axes, int size, int i, int j, Vec3* direction) {
  const double x = 2.0 * (i + 0.5) / size - 1.0;
  const double y = 1.0 - 2.0 * (j + 0.5) / size;
  const double r2 = x * x + y * y;
  if (r2 > 1.0) return false;
  *direction = InAxes(axes, {x, y, std::sqrt(1.0 - r2)});
  return true;
}

LobeSamples SampleLobe(const std::vector<std::pair<std::string, LobeProbe>>& probes,
                       const FrameHints& hints, const LobeOptions& options) {
  LobeSamples s;
  const LobeProbe& main = probes.front().second;
  s.axes = AxesOf(main.spot());
  s.viewer = main.ToViewer();
  s.mapSize = options.mapSize;
  s.log = options.log;
  s.evaluations += SampleMap(s.axes, options, &s.half,
                             [&](Vec3 h) { return main.AtHalf(h); });
  s.evaluations += SampleMap(s.axes, options, &s.light,
                             [&](Vec3 l) { return main.AtLight(l); });

  // The slices lie in the planes of the first node's recovered frame;
  // where the output fixes no tangent, the spot's x axis laid across the
  // recovered normal stands in.
  const RecoveredFrame frame = RecoverFrame(main, hints);
  s.evaluations += 6;
  s.normal = frame.valid ? frame.normal : s.axes.n;
  s.zeroSteering = frame.zeroSteering;
  s.frameKnown = frame.valid && !frame.isotropic && !frame.zeroSteering;
  if (s.frameKnown) {
    s.tangent = frame.tangent;
    s.bitangent = frame.bitangent;
  } else {
    s.tangent = AcrossNormal(s.axes, s.normal);
    s.bitangent = Cross(s.normal, s.tangent);
  }

  const int count = std::max(2, options.polarSamples);
  for (int k = 0; k < count; ++k) s.angles.push_back(-90.0 + 180.0 * k / (count - 1));
  s.curves.resize(probes.size());
  ParallelRows(static_cast<int>(probes.size()), options, [&](int c) {
    LobeCurve& curve = s.curves[static_cast<size_t>(c)];
    const LobeProbe& probe = probes[static_cast<size_t>(c)].second;
    curve.label = probes[static_cast<size_t>(c)].first;
    for (double degrees : s.angles) {
      const double a = degrees * std::numbers::pi / 180.0;
      curve.tn.push_back(probe.AtHalf(s.normal * std::cos(a) + s.tangent * std::sin(a)));
      curve.bn.push_back(probe.AtHalf(s.normal * std::cos(a) + s.bitangent * std::sin(a)));
    }
  });
  s.evaluations += 2LL * count * static_cast<long long>(probes.size());
  return s;
}

std::string LobeCsv(const LobeSamples& s) {
  std::ostringstream out;
  out.precision(17);
  out << "plot,curve,angle,x,y,z,value\n";
  auto row = [&](const char* plot, const std::string& curve, double angle, Vec3 d, double v) {
    out << plot << ',' << curve << ',';
    if (!std::isnan(angle)) out << angle;
    out << ',' << Dot(d, s.axes.x) << ',' << Dot(d, s.axes.y) << ',' << Dot(d, s.axes.n) << ','
        << v << '\n';
  };
  const std::string first = s.curves.empty() ? "" : s.curves.front().label;
  for (int j = 0; j < s.mapSize; ++j)
    for (int i = 0; i < s.mapSize; ++i) {
      Vec3 d;
      if (!MapDirection(s.axes, s.mapSize, i, j, &d)) continue;
      const size_t at = static_cast<size_t>(j) * static_cast<size_t>(s.mapSize) + static_cast<size_t>(i);
      row("half", first, kNaN, d, s.half[at]);
      row("light", first, kNaN, d, s.light[at]);
    }
  for (const LobeCurve& c : s.curves)
    for (size_t k = 0; k < s.angles.size(); ++k) {
      const double a = s.angles[k] * std::numbers::pi / 180.0;
      row("slice-tn", c.label, s.angles[k], s.normal * std::cos(a) + s.tangent * std::sin(a), c.tn[k]);
      row("slice-bn", c.label, s.angles[k], s.normal * std::cos(a) + s.bitangent * std::sin(a), c.bn[k]);
    }
  return out.str();
}

EnergyReport CosineIntegral(const LobeProbe& probe, const SpotAxes& axes, int n, int threads) {
  // u = sin² of the angle from the normal is uniform in cos-weighted
  // measure, as is the azimuth: midpoints of an n x n grid in (u, phi).
  std::vector<double> rows(static_cast<size_t>(n), 0.0);
  LobeOptions options;
  options.threads = threads;
  ParallelRows(n, options, [&](int a) {
    const double u = (a + 0.5) / n;
    double sum = 0.0;
    for (int b = 0; b < n; ++b) {
      const double phi = 2.0 * std::numbers::pi * (b + 0.5) / n;
      const Vec3 l = InAxes(axes, {std::sqrt(u) * std::cos(phi), std::sqrt(u) * std::sin(phi),
                                   std::sqrt(1.0 - u)});
      sum += probe.AtLight(l);
    }
    rows[static_cast<size_t>(a)] = sum;
  });
  double total = 0.0;
  for (double r : rows) total += r;
  const double count = static_cast<double>(n) * n;
  return {std::numbers::pi * (total / count), static_cast<long long>(n) * n};
}

}  // namespace standin::lookdev
