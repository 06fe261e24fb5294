// Square roots and divisions two to an instruction. SSE2 is part of every
// x86-64 processor; each lane is rounded exactly as the scalar instruction
// rounds it, so two independent operations done together give the same bits
// as done one after the other, in half the divider's time.
#pragma once

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace quillane {

// The results of one paired operation, first and second lane.
struct Pair {
  double a, b;
};

// sqrt(x), without the library call made for a negative argument only to
// set errno (a negative or NaN argument gives NaN either way).
inline double Sqrt(double x) {
#if defined(__SSE2__)
  const __m128d v = _mm_set_sd(x);
  return _mm_cvtsd_f64(_mm_sqrt_sd(v, v));
#else
  return std::sqrt(x);
#endif
}

// sqrt(a) and sqrt(b).
inline Pair SqrtPair(double a, double b) {
#if defined(__SSE2__)
  const __m128d r = _mm_sqrt_pd(_mm_setr_pd(a, b));
  return {_mm_cvtsd_f64(r), _mm_cvtsd_f64(_mm_unpackhi_pd(r, r))};
#else
  return {std::sqrt(a), std::sqrt(b)};
#endif
}

// a / c and b / d.
inline Pair DividePair(double a, double b, double c, double d) {
#if defined(__SSE2__)
  const __m128d r = _mm_div_pd(_mm_setr_pd(a, b), _mm_setr_pd(c, d));
  return {_mm_cvtsd_f64(r), _mm_cvtsd_f64(_mm_unpackhi_pd(r, r))};
#else
  return {a / c, b / d};
#endif
}

}  // namespace quillane
