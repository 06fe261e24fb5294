// The views beside the preview: the lobe plot and the frame read-back
// (the shading frame's vectors per pixel). They come from the look-dev
// library once it is part of the stand-in host; until then the page shows
// their places empty with the reason given here. This is the one place to
// connect them.
#pragma once

#include <nlohmann/json.hpp>

namespace standin {

// {"lobe": {...}, "frame": {...}}, each {"available": bool, "reason": text}.
nlohmann::json LookdevViews();

}  // namespace standin
