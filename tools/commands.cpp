#include "tools/commands.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <memory>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "standin/host/eval_case.h"
#include "standin/json/utf8.h"
#include "standin/host/eval_input.h"
#include "standin/host/host.h"
#include "standin/host/panel_print.h"
#include "standin/host/scene_host.h"
#if QUILLANE_HAS_RENDER
#include "standin/assets/scene_assets.h"
#include "standin/lookdev/aov.h"
#include "standin/render/image.h"
#include "standin/files/output_files.h"
#include "standin/render/render_memory.h"
#endif

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace quillane {
namespace {

using standin::Host;
using standin::ModuleFile;
using standin::Scene;

Scene LoadScene(const std::string& path) {
  return path.empty() ? standin::DefaultScene() : standin::LoadSceneFile(path);
}

std::string SceneName(const std::string& path) {
  return path.empty() ? "default scene" : path;
}

// The module beside the program (a build folder, the Windows package), or,
// when there is none, where an installed program keeps it:
// ../lib/quillane/quillane.p.
std::string ModuleFor(const std::filesystem::path& program) {
  const auto beside = program.parent_path() / "quillane.p";
  const auto installed = program.parent_path().parent_path() / "lib" / "quillane" / "quillane.p";
  std::error_code error;
  if (!std::filesystem::exists(beside, error) && std::filesystem::exists(installed, error))
    return installed.string();
  return beside.string();
}

}  // namespace

int Fail(const std::string& message) {
  std::cerr << "quillane: " << standin::Printable(message) << "\n";
  return 2;
}

#ifdef _WIN32

std::string DefaultModulePath() {
  // Long paths are rare; a truncated name falls back to the working folder.
  std::wstring self(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, self.data(),
                                          static_cast<DWORD>(self.size()));
  if (length == 0 || length >= self.size()) return "quillane.p";
  self.resize(length);
  return ModuleFor(self);
}

#else

std::string DefaultModulePath() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "quillane.p";
  return ModuleFor(self);
}

#endif

std::optional<std::pair<int, int>> ParseSize(const std::string& text) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  auto whole = [](std::string_view s, int* out) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size() && *out >= 1 && *out <= 16384;
  };
  int w = 0, h = 0;
  const std::string_view all = text;
  if (!whole(all.substr(0, x), &w) || !whole(all.substr(x + 1), &h)) return std::nullopt;
  return std::make_pair(w, h);
}

#if QUILLANE_HAS_RENDER

namespace {

// Names every output, refusing before anything is rendered one that could
// not be written or that is an input (the scene, its images and meshes, the
// module) or another output.
void AddOutputs(standin::OutputFiles& outputs, const RenderArgs& args, const Scene& scene,
                const std::string& png) {
  outputs.AddInput(args.scene, "the scene");
  for (const auto& [file, role] : standin::SceneAssetFiles(scene)) outputs.AddInput(file, role);
  outputs.AddInput(args.module, "the module");
  if (!png.empty()) outputs.AddOutput(png, "the PNG output (-o)");
  if (!args.exr.empty()) outputs.AddOutput(args.exr, "the EXR output (--exr)");
  if (!args.saveScene.empty()) outputs.AddOutput(args.saveScene, "the saved scene (--save-scene)");
  if (args.aov.empty()) return;
  for (const std::string& name : standin::lookdev::AovFileNames(args.aov))
    outputs.AddOutput(name, "the AOV file " + name + " (--aov)");
}

// The option or scene key that set the render size, for messages.
std::string SizeSource(const RenderArgs& args) {
  if (args.size)
    return "--size " + std::to_string(args.size->first) + "x" + std::to_string(args.size->second);
  return SceneName(args.scene) + ": key render.width, render.height";
}

standin::Image RenderImage(standin::SceneSession& session, const RenderArgs& args, int width,
                           int height) {
  standin::RenderOptions options;
  options.threads = args.threads;
  options.progress = &std::cerr;
  try {
    return session.Render(width, height, options);
  } catch (const std::bad_alloc&) {
    throw std::runtime_error(SizeSource(args) + ": a " + std::to_string(width) + "x" +
                             std::to_string(height) + " render needs " +
                             standin::MemoryText(standin::RenderBytes(width, height)) +
                             " of memory, which the system could not give");
  }
}

// The frame read back at every pixel, written beside the render.
void WriteAovFiles(standin::OutputFiles& outputs, Host& host, const RenderArgs& args,
                   const Scene& scene, const standin::Image& image) {
  standin::RenderOptions options;
  options.threads = args.threads;
  options.progress = &std::cerr;
  const auto start = std::chrono::steady_clock::now();
  const auto aovs = standin::lookdev::ComputeAovs(host, scene, SceneName(args.scene),
                                                  image.width, image.height, options);
  standin::lookdev::WriteAovs(outputs, args.aov, aovs, scene, image,
                              args.exposure.value_or(scene.render.exposure));
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::cerr << "frame read back in " << took.count() << " s\n";
}

// Every output of the render to its temporary file.
void WriteOutputs(standin::OutputFiles& outputs, standin::SceneSession& session,
                  const RenderArgs& args, const Scene& scene, const standin::Image& image,
                  const std::string& png) {
  const double exposure = args.exposure.value_or(scene.render.exposure);
  if (!png.empty())
    outputs.Write(png, [&](std::FILE* file) { standin::WritePngTo(file, image, exposure); });
  if (!args.exr.empty())
    outputs.Write(args.exr, [&](std::FILE* file) { standin::WriteExrTo(file, image); });
  if (!args.saveScene.empty()) {
    Scene saved = scene;
    saved.nodeData = session.SaveNodeText();
    outputs.WriteBytes(args.saveScene, standin::FormatScene(saved));
  }
}

}  // namespace

int Render(const RenderArgs& args) {
  return Guarded([&] {
    Scene scene = LoadScene(args.scene);
    const std::string png = args.png.empty() && args.exr.empty() ? "quillane.png" : args.png;
    standin::OutputFiles outputs;
    AddOutputs(outputs, args, scene, png);
    const int width = args.size ? args.size->first : scene.render.width;
    const int height = args.size ? args.size->second : scene.render.height;
    standin::CheckRenderMemory(width, height, SizeSource(args));
    standin::LoadSceneAssets(scene);
    ModuleFile module(args.module);
    Host host(module);
    standin::SceneSession session(host, scene, SceneName(args.scene));
    const auto start = std::chrono::steady_clock::now();
    const standin::Image image = RenderImage(session, args, width, height);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    WriteOutputs(outputs, session, args, scene, image, png);
    if (!args.aov.empty()) WriteAovFiles(outputs, host, args, scene, image);
    outputs.Commit();
    std::cerr << "rendered " << width << "x" << height << " on " << args.threads
              << (args.threads == 1 ? " thread" : " threads") << " in " << took.count()
              << " s";
    if (!png.empty()) std::cerr << " -> " << png;
    if (!args.exr.empty()) std::cerr << " -> " << args.exr;
    if (!args.saveScene.empty()) std::cerr << " -> " << args.saveScene;
    if (!args.aov.empty()) std::cerr << " -> " << args.aov << ".exr, " << args.aov << "-*.png";
    std::cerr << "\n";
    return 0;
  });
}

#else

int Render(const RenderArgs&) { return Fail(kRenderMissing); }

#endif

int Eval(const std::string& module, const std::string& input) {
  return Guarded([&] {
    const bool standardInput = input == "-";
    const std::string name = standardInput ? "standard input" : input;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        standardInput ? stdin : std::fopen(input.c_str(), "r"),
        standardInput ? [](std::FILE*) { return 0; } : &std::fclose);
    if (!file) return Fail(input + ": cannot read: " + std::strerror(errno));
    ModuleFile loaded(module);
    Host host(loaded);
    std::ios::sync_with_stdio(false);
    try {
      const int status = standin::RunEvalFile(host, file.get(), name, std::cout);
      std::cout.flush();
      return status;
    } catch (const standin::InputError& e) {
      std::cout.flush();
      return Fail(e.what());
    }
  });
}

int Panel(const std::string& module, const std::string& scenePath) {
  return Guarded([&] {
    const Scene scene = LoadScene(scenePath);
    ModuleFile loaded(module);
    Host host(loaded);
    standin::SceneSession session(host, scene, SceneName(scenePath));
    std::cout << standin::PrintPanel(host, session.node());
    return 0;
  });
}

}  // namespace quillane
