// Stratified sample points for sampled lights.
#include "standin/render/light_sample.h"

#include <cmath>

namespace standin {
namespace {

// The base-2 radical inverse of i: its bits mirrored about the point.
double RadicalInverse(uint32_t i) {
  i = (i << 16) | (i >> 16);
  i = ((i & 0x00ff00ffu) << 8) | ((i & 0xff00ff00u) >> 8);
  i = ((i & 0x0f0f0f0fu) << 4) | ((i & 0xf0f0f0f0u) >> 4);
  i = ((i & 0x33333333u) << 2) | ((i & 0xccccccccu) >> 2);
  i = ((i & 0x55555555u) << 1) | ((i & 0xaaaaaaaau) >> 1);
  return static_cast<double>(i) * 0x1p-32;
}

// A 64-bit mix (splitmix64's finaliser).
uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

// FNV-1a of a name.
uint64_t NameHash(std::string_view name) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (const char c : name) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return h;
}

double Wrap(double u) { return u >= 1.0 ? u - 1.0 : u; }

}  // namespace

void SamplePoint(const LightSample& sample, std::string_view light, double* u1, double* u2) {
  const int count = sample.count < 1 ? 1 : sample.count;
  const int parts = sample.parts < 1 ? 1 : sample.parts;
  const uint32_t n = static_cast<uint32_t>(count) * static_cast<uint32_t>(parts);
  const uint32_t i = (static_cast<uint32_t>(sample.index) * static_cast<uint32_t>(parts) +
                      static_cast<uint32_t>(sample.part)) % n;
  const uint64_t seed = Mix((static_cast<uint64_t>(static_cast<uint32_t>(sample.x)) << 32) ^
                            static_cast<uint32_t>(sample.y) ^
                            Mix(NameHash(light)));
  const double shift1 = static_cast<double>(seed >> 11) * 0x1p-53;
  const double shift2 = static_cast<double>(Mix(seed) >> 11) * 0x1p-53;
  *u1 = Wrap((i + 0.5) / n + shift1);
  *u2 = Wrap(RadicalInverse(i) + shift2);
}

}  // namespace standin
