// The views beside the preview: the lobe plot at the spot under one pixel
// of the preview, and the frame read back from the module's output at
// every pixel, shown as tangent strokes over the render. Probing calls the
// module and runs under the studio's lock; drawing needs only the probed
// values and runs outside it.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "standin/host/host.h"
#include "standin/lookdev/aov.h"
#include "standin/lookdev/lobe_plot.h"
#include "standin/render/image.h"
#include "standin/render/scene.h"

namespace standin {

// What the views need from one state of the node.
struct ViewProbe {
  std::uint64_t version = 0;
  std::optional<lookdev::LobeSamples> lobe;
  std::string lobeReason;  // why there is no lobe
  std::optional<lookdev::AovImages> frame;
  std::string frameReason;
  Scene scene;             // its camera places the strokes
  Image beauty;            // the preview at the frame's size
  double exposure = 1.0;
};

// The views as pictures (PNG bytes); an empty picture has its reason.
struct ViewImages {
  std::uint64_t id = 0;
  std::uint64_t version = 0;
  std::string lobePng, lobeReason;
  std::string framePng, frameReason;
};

// The pixel of a width x height view whose spot the lobe plot shows: the
// centre when a surface is there, else the surface pixel nearest to it on
// a coarse grid; nullopt when the view shows no surface.
std::optional<std::pair<int, int>> LobePixel(const Scene& scene, int width, int height);

// Probes both views of the node that `scene` (with its current node data)
// describes, through the module loaded in `host`, for a preview of
// width x height whose last image is `preview`; the lobe plot at the spot
// under pixel `spot` when one is chosen, else under LobePixel. `interrupted` is asked
// between tiles; once it answers true this returns nullopt. A view that
// cannot be made gets its reason instead.
std::optional<ViewProbe> ProbeViews(Host& host, const Scene& scene, const std::string& sceneName,
                                    const Image& preview,
                                    const std::optional<std::pair<int, int>>& spot, int threads,
                                    const std::function<bool()>& interrupted);

// Draws the probed views.
ViewImages DrawViews(const ViewProbe& probe);

// {"version", "lobe": {...}, "frame": {...}}, each {"available": bool,
// "reason": text, "url": where the picture is}; `views` null before the
// first views.
nlohmann::json ViewsJson(const ViewImages* views);

}  // namespace standin
