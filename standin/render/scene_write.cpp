// A scene written to its file as one output.
#include "standin/files/output_files.h"
#include "standin/render/scene.h"

namespace standin {

void WriteSceneFile(const std::string& path, const Scene& scene) {
  WriteTextFile(path, FormatScene(scene));
}

}  // namespace standin
