// `quillane make-map`, `quillane make-env` and `quillane compare`.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <utility>
#include <vector>

#include "tools/commands.h"
#include "tools/options.h"

#if QUILLANE_HAS_RENDER
#include "standin/assets/compare.h"
#include "standin/assets/environment_file.h"
#include "standin/assets/image_file.h"
#include "standin/assets/make_map.h"
#include "standin/assets/scene_assets.h"
#include "standin/host/scene_host.h"
#include "standin/render/environment_preset.h"
#include "standin/render/image.h"
#include "standin/files/output_files.h"
#include "standin/render/render_memory.h"
#endif

namespace quillane {
#if QUILLANE_HAS_RENDER

namespace {

std::string Extension(const std::string& path) {
  std::string e = std::filesystem::path(path).extension().string();
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

standin::MapKind ParseKind(const std::string& kind) {
  if (kind == "radial") return standin::MapKind::Radial;
  if (kind == "circular") return standin::MapKind::Circular;
  if (kind == "angle") return standin::MapKind::Angle;
  if (kind == "noise") return standin::MapKind::Noise;
  throw std::runtime_error("make-map: unknown kind \"" + kind +
                           "\" (expected radial, circular, angle or noise)");
}

// A linear image of a texture's first three channels (grey spread to all).
standin::Image ToImage(const standin::Texture& t) {
  standin::Image image = standin::MakeImage(t.width, t.height);
  for (int y = 0; y < t.height; ++y) {
    for (int x = 0; x < t.width; ++x) {
      for (int c = 0; c < 3; ++c) image.Pixel(x, y)[c] = standin::Texel(t, x, y, c);
    }
  }
  return image;
}

// A printed difference: "nan" whatever the NaN's sign bit.
std::string Figure(double value) {
  if (std::isnan(value)) return "nan";
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// One side of a comparison: an image file, or a scene rendered through
// `module`.
standin::Image Side(const std::string& path, const std::string& module, const CompareArgs& args) {
  // PNG renders hold sRGB display values: compared as linear, like EXR.
  const std::string extension = Extension(path);
  if (extension != ".json") {
    return ToImage(standin::ReadImageFile(
        path, extension == ".exr" ? standin::Encoding::Data : standin::Encoding::Color,
        standin::NonFinite::Keep));
  }
  standin::Scene scene = standin::LoadSceneFile(path);
  standin::LoadSceneAssets(scene);
  standin::ModuleFile loaded(module);
  standin::Host host(loaded);
  standin::SceneSession session(host, scene, path);
  standin::RenderOptions options;
  options.threads = args.threads;
  const int w = args.size ? args.size->first : scene.render.width;
  const int h = args.size ? args.size->second : scene.render.height;
  return session.Render(w, h, options);
}

// Refuses, before anything is read or rendered, a sheet that could not be
// written or that would overwrite a side (an image or a scene, its images
// and meshes, the module a scene is rendered through).
void AddCompareOutput(standin::OutputFiles& outputs, const CompareArgs& args,
                      const std::vector<std::pair<std::string, std::string>>& sides) {
  if (args.output == standin::kStandardOutput)
    throw std::runtime_error("-o -: standard output carries the figures; name a file");
  for (const auto& [side, module] : sides) {
    outputs.AddInput(side, "the compared file " + side);
    if (Extension(side) != ".json") continue;
    outputs.AddInput(module, "the module");
    for (const auto& [file, role] : standin::SceneAssetFiles(standin::LoadSceneFile(side)))
      outputs.AddInput(file, role);
  }
  outputs.AddOutput(args.output, "the sheet (-o)");
}

}  // namespace

int MakeMap(const MakeMapArgs& args) {
  return Guarded([&] {
    standin::MapOptions options;
    options.kind = ParseKind(args.kind);
    std::tie(options.width, options.height) = args.size.value_or(std::make_pair(512, 512));
    if (args.as != "direction" && args.as != "angle") {
      return Fail("make-map: --as: expected direction or angle, not \"" + args.as + "\"");
    }
    options.encoding = args.as == "angle" ? standin::MapEncoding::Angle : standin::MapEncoding::Direction;
    options.angle = args.angle;
    options.cells = args.cells;
    options.seed = args.seed;
    const std::string extension = Extension(args.output);
    if (extension != ".png" && extension != ".exr") {
      return Fail("make-map: " + args.output + ": expected a .png or .exr output");
    }
    standin::CheckMemory(standin::MapBytes(options),
                         "make-map: --size " + SizeText({options.width, options.height}) + ": a " +
                             SizeText({options.width, options.height}) + " map");
    standin::OutputFiles outputs;
    outputs.AddOutput(args.output, "the map (-o)");
    const standin::Texture map = standin::MakeMap(options);
    outputs.Write(args.output, [&](std::FILE* file) {
      if (extension == ".png") standin::WritePng16To(file, map);
      else standin::WriteExrTextureTo(file, map);
    });
    outputs.Commit();
    return 0;
  });
}

int MakeEnv(const MakeEnvArgs& args) {
  return Guarded([&] {
    const standin::EnvironmentPreset* preset = standin::FindEnvironmentPreset(args.preset);
    if (!preset) {
      return Fail("make-env: unknown preset \"" + args.preset + "\" (expected studio or sky)");
    }
    const auto size = args.size.value_or(std::make_pair(1024, 512));
    if (static_cast<long long>(size.first) * size.second > standin::kMaxEnvironmentTexels) {
      return Fail("make-env: --size: at most " +
                  std::to_string(standin::kMaxEnvironmentTexels) + " texels");
    }
    if (Extension(args.output) != ".exr") {
      return Fail("make-env: " + args.output + ": expected an .exr output");
    }
    standin::OutputFiles outputs;
    outputs.AddOutput(args.output, "the environment (-o)");
    if (!args.preview.empty()) outputs.AddOutput(args.preview, "the preview (--preview)");
    const standin::Texture map = preset->make(size.first, size.second);
    outputs.Write(args.output, [&](std::FILE* file) { standin::WriteExrTextureTo(file, map); });
    if (!args.preview.empty()) {
      const standin::Image image{map.width, map.height, map.data};
      outputs.Write(args.preview, [&](std::FILE* file) { standin::WritePngTo(file, image, 0.25); });
    }
    outputs.Commit();
    return 0;
  });
}

int Compare(const CompareArgs& args) {
  return Guarded([&] {
    const std::string b = args.b.empty() ? args.a : args.b;
    const std::string moduleA = args.moduleA.empty() ? args.module : args.moduleA;
    const std::string moduleB = args.moduleB.empty() ? args.module : args.moduleB;
    standin::OutputFiles outputs;
    if (!args.output.empty()) AddCompareOutput(outputs, args, {{args.a, moduleA}, {b, moduleB}});
    const standin::Image a = Side(args.a, moduleA, args);
    const standin::Image other = Side(b, moduleB, args);
    const standin::Difference d = standin::CompareImages(a, other);
    if (!args.output.empty()) {
      const double scale = args.scale.value_or(d.max > 0.0 && std::isfinite(d.max) ? d.max : 1.0);
      const standin::Image sheet = standin::CompareSheet(a, other, scale);
      outputs.Write(args.output, [&](std::FILE* file) { standin::WritePngTo(file, sheet, 1.0); });
      outputs.Commit();
    }
    std::printf("rms %s\nmax %s\n", Figure(d.rms).c_str(), Figure(d.max).c_str());
    if (d.nanChannels > 0)
      std::printf("channels NaN on one side only: %lld\n", d.nanChannels);
    if (args.maxError && !(d.max <= *args.maxError)) {
      std::printf("over the limit %.9g\n", *args.maxError);
      return 1;
    }
    return 0;
  });
}

#else

int MakeMap(const MakeMapArgs&) { return Fail(kRenderMissing); }
int MakeEnv(const MakeEnvArgs&) { return Fail(kRenderMissing); }
int Compare(const CompareArgs&) { return Fail(kRenderMissing); }

#endif

}  // namespace quillane
