// Loading the files a scene names: its images (bound to inputs) and its
// meshes (traced through Embree).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "standin/render/scene.h"

namespace standin {

// Loads every image bound to an input (each file and encoding once, shared
// by the bindings and by the render's threads), every environment light's
// map (environment_file.h) and every mesh object's
// file, and builds the tracer for the meshes. Relative files are read from
// scene.folder. With a `root` folder (the look-dev page's scene folder),
// every file, glTF buffers included, must lie inside it (see AssetFiles).
// Throws AssetError naming the file, what is wrong with it and the scene
// key that named it, also when a mesh without texture coordinates takes
// its UV from the file ("uv": "mesh") while an input reads the UV (a UV
// source or an image), or when the files together need more memory than
// the process may use. Calling it again reloads.
void LoadSceneAssets(Scene& scene, const std::string& root = "");

// The files LoadSceneAssets reads for `scene`, each with what it is to the
// scene ("the scene's image tex.png", "the scene's mesh cloth.obj"), so
// that a command can refuse to write over them.
std::vector<std::pair<std::string, std::string>> SceneAssetFiles(const Scene& scene);

// Whether any wired input reads the spot's UV (the uv, u and v sources and
// images).
bool InputsReadUv(const Scene& scene);

}  // namespace standin
