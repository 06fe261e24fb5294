// Scene images as sources for the node's inputs: the PNG and EXR files in
// the scene's folder and in the folders directly inside it ("maps/..."),
// and the images the scene already binds. An input wired to one samples it
// at the spot's UV as data, with the channels the input takes.
#pragma once

#include <string>
#include <vector>

#include "standin/render/scene.h"

namespace standin {

// The scene's images by the names the scene would write ("maps/a.png"),
// sorted. Files whose real path leaves the scene's folder are left out;
// so are names that are not UTF-8, each with a note added to `notes`.
std::vector<std::string> SceneImageNames(const Scene& scene,
                                         std::vector<std::string>* notes = nullptr);

// The lat-long maps an environment light may take from the scene's folder:
// its EXR and Radiance (.hdr) files, named and found as SceneImageNames
// finds images (names that are not UTF-8 left out).
std::vector<std::string> EnvironmentImageNames(const Scene& scene);

// The source that reads image `name` for an input that is `scalar` (the
// red channel) or not (red, green, blue), loaded now. Throws RequestError
// for a name not in SceneImageNames or a file that cannot be read.
InputSource SceneImageSource(const Scene& scene, const std::string& name, bool scalar);

}  // namespace standin
