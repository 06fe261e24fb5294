// The files a scene names, given as a hostile or careless user would:
// files that never end, sizes that do not hold, graphs that expand, faces
// and indices that do not read, bytes for the terminal, paths that leave
// the page's folder. Each is refused with the file, the fault and the key,
// or read as documented.
#include <sys/resource.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>
#include <zlib.h>

#include "standin/assets/asset_error.h"
#include "standin/assets/mesh.h"
#include "standin/assets/scene_assets.h"
#include "standin/json/utf8.h"
#include "tests/tools/cli_runner.h"

namespace {

namespace fs = std::filesystem;
using namespace standin;
using standin_test::RunLimited;
using standin_test::RunQuillane;
using standin_test::TempFolder;
using standin_test::WriteFile;

// Address limits cannot hold under the sanitizers, which reserve more
// address space than any; there the cases that need one are left out.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryLimits = false;
#else
constexpr bool kMemoryLimits = true;
#endif

std::string Replaced(std::string text, const std::string& dir) {
  for (size_t at; (at = text.find("DIR")) != std::string::npos;) text.replace(at, 3, dir);
  return text;
}

std::string MeshScene(const std::string& mesh) {
  return R"({"objects": [{"name": "Part", "shape": "mesh", "mesh": ")" + mesh + R"(", "uv": "planar"}]})";
}

std::string ImageScene(const std::string& image) {
  return R"({"objects": [{"name": "Ball", "shape": "sphere"}], "inputs": {"Color": {"image": ")" + image +
         R"("}}})";
}

// One triangle whose 36 bytes of positions sit in buffer `uri`, with
// `more` spliced into the top-level object.
std::string TriangleGltf(const std::string& uri, const std::string& more = "", const char* count = "3") {
  return std::string(R"({"asset": {"version": "2.0"}, "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
    "buffers": [{"byteLength": 36, "uri": ")") + uri + R"("}],
    "bufferViews": [{"buffer": 0, "byteLength": 36}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": )" + count + R"(, "type": "VEC3"}])" +
         more + "}";
}

std::string TriangleBytes() {
  const float p[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  return std::string(reinterpret_cast<const char*>(p), sizeof p);
}

// A PNG signature and header declaring width x height, 8-bit grey; what
// follows is never decoded when the header is refused.
std::string PngHeader(uint32_t width, uint32_t height) {
  std::string png = "\x89PNG\r\n\x1a\n";
  png += std::string("\0\0\0\x0dIHDR", 8);
  for (uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>(v >> shift & 0xff);
  png += std::string("\x08\0\0\0\0", 5);
  const uint32_t crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const unsigned char*>(png.data()) + 12, 17));
  for (int shift = 24; shift >= 0; shift -= 8) png += static_cast<char>(crc >> shift & 0xff);
  return png + std::string("\0\0\0\0IDAT", 8);
}

struct Refusal {
  const char* what;
  std::string scene;    // written as DIR/scene.json
  std::string message;  // standard error after "quillane: "; empty: renders
};

// Renders c.scene, with the memory the process may use limited to `memory`
// bytes when it is not 0 (a case that speaks of memory needs the limit).
void ExpectRender(const Refusal& c, const std::string& dir, unsigned long long memory = 0) {
  if (!kMemoryLimits && c.message.find(" memory") != std::string::npos) return;
  WriteFile(dir + "/scene.json", Replaced(c.scene, dir));
  const std::vector<std::string> args{"render", dir + "/scene.json", "-o", dir + "/out.png", "--size", "8x8"};
  const auto run = memory && kMemoryLimits ? RunLimited(args, RLIMIT_AS, memory) : RunQuillane(args);
  if (c.message.empty()) {
    EXPECT_EQ(run.exitCode, 0) << c.what << ": " << run.err;
  } else {
    EXPECT_EQ(run.exitCode, 2) << c.what;
    EXPECT_EQ(run.err, "quillane: " + Replaced(c.message, dir) + "\n") << c.what;
  }
}

// A FIFO, a device, a directory: refused before anything is read, named
// with the key; images of a glTF and OBJ material libraries are not read.
TEST(HostileFiles, OnlyRegularFilesAreRead) {
  const std::string dir = TempFolder();
  for (const char* fifo : {"fifo.png", "fifo.obj", "fifo.bin", "fifo.mtl"})
    ASSERT_EQ(mkfifo((dir + "/" + fifo).c_str(), 0644), 0);
  fs::create_directory(dir + "/folder.png");
  fs::create_directory(dir + "/folder.obj");
  WriteFile(dir + "/triangle.bin", TriangleBytes());
  WriteFile(dir + "/fifo-buffer.gltf", TriangleGltf("fifo.bin"));
  WriteFile(dir + "/fifo-image.gltf", TriangleGltf("triangle.bin", R"(, "images": [{"uri": "fifo.png"}])"));
  WriteFile(dir + "/material.obj", "mtllib fifo.mtl\nmtllib missing.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
  const Refusal cases[] = {
      {"image FIFO", ImageScene("fifo.png"),
       "DIR/fifo.png: not a regular file (a FIFO) (scene key inputs.Color.image)"},
      {"image device", ImageScene("/dev/zero"),
       "/dev/zero: not a regular file (a device) (scene key inputs.Color.image)"},
      {"image directory", ImageScene("folder.png"),
       "DIR/folder.png: not a regular file (a directory) (scene key inputs.Color.image)"},
      {"mesh FIFO", MeshScene("fifo.obj"),
       "DIR/fifo.obj: not a regular file (a FIFO) (scene key objects[0].mesh)"},
      {"mesh directory", MeshScene("folder.obj"),
       "DIR/folder.obj: not a regular file (a directory) (scene key objects[0].mesh)"},
      {"glTF buffer FIFO", MeshScene("fifo-buffer.gltf"),
       "DIR/fifo-buffer.gltf: buffer DIR/fifo.bin: not a regular file (a FIFO) (scene key objects[0].mesh)"},
      {"glTF image FIFO, not read", MeshScene("fifo-image.gltf"), ""},
      {"OBJ material libraries, not read", MeshScene("material.obj"), ""},
  };
  for (const Refusal& c : cases) ExpectRender(c, dir);
  // A scene in the working folder: its OBJ's folder is empty, not "/".
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  WriteFile("scene.json", MeshScene("material.obj"));
  EXPECT_EQ(RunQuillane({"render", "scene.json", "-o", "out.png", "--size", "8x8"}).exitCode, 0);
  fs::current_path(previous);
}

// Declared sizes against the bytes, and against the memory the process may
// use (1 GB here), before anything is allocated for them.
TEST(HostileFiles, DeclaredSizesAreCheckedFirst) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/triangle.bin", TriangleBytes());
  WriteFile(dir + "/count-1e8.gltf", TriangleGltf("triangle.bin", "", "100000000"));
  WriteFile(dir + "/count-1e15.gltf", TriangleGltf("triangle.bin", "", "1000000000000000"));
  std::string json = TriangleGltf("triangle.bin");
  json.replace(json.find("\"byteLength\": 36, \"uri\""), 16, "\"byteLength\": 40");
  WriteFile(dir + "/length.gltf", json);
  WriteFile(dir + "/wide.png", PngHeader(16385, 1));
  WriteFile(dir + "/huge.png", PngHeader(16384, 16384));
  const Refusal cases[] = {
      {"accessor count 1e8", MeshScene("count-1e8.gltf"),
       "DIR/count-1e8.gltf: POSITION reaches past the end of its buffer (the file is truncated) (scene key objects[0].mesh)"},
      {"accessor count 1e15", MeshScene("count-1e15.gltf"),
       "DIR/count-1e15.gltf: POSITION reaches past the end of its buffer (the file is truncated) (scene key objects[0].mesh)"},
      {"buffer byteLength", MeshScene("length.gltf"),
       "DIR/length.gltf: cannot read glTF: File size mismatch : DIR/triangle.bin, requestedBytes 40, but got 36 (scene key objects[0].mesh)"},
      {"PNG too wide", ImageScene("wide.png"),
       "DIR/wide.png: cannot read PNG: the image is 16385x1, more than 16384 pixels along a side (scene key inputs.Color.image)"},
      {"PNG beyond memory", ImageScene("huge.png"),
       "DIR/huge.png: the scene's files need 1.3 GB of memory with this one, more than the 1.0 GB this process may use (scene key inputs.Color.image)"},
  };
  for (const Refusal& c : cases) ExpectRender(c, dir, 1ull << 30);
  if (!kMemoryLimits) return;
  const auto map = RunLimited({"make-map", "radial", "--size", "16384x16384", "-o", dir + "/map.exr"},
                              RLIMIT_AS, 1ull << 30);
  EXPECT_EQ(map.exitCode, 2);
  EXPECT_EQ(map.err, "quillane: make-map: --size 16384x16384: a 16384x16384 map needs 6.0 GB of memory, "
                     "more than the 1.0 GB this process may use\n");
}

// A .glb file's header and chunks must match its bytes exactly.
TEST(HostileFiles, BinaryGltfLengthsMatchTheFile) {
  const std::string dir = TempFolder();
  std::string json = TriangleGltf("");
  json.replace(json.find(", \"uri\": \"\""), 11, "");
  json.resize((json.size() + 3) / 4 * 4, ' ');
  const std::string bin = TriangleBytes();
  auto word = [](uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); };
  auto glb = [&](uint32_t declared, uint32_t jsonLength, const std::string& tail) {
    return "glTF" + word(2) + word(declared) + word(jsonLength) + "JSON" + json + tail;
  };
  const std::string chunk = word(36) + "BIN" + std::string(1, '\0') + bin;
  const auto total = static_cast<uint32_t>(20 + json.size() + chunk.size());
  const struct {
    const char* what;
    std::string bytes;
    std::string message;  // empty: read
  } cases[] = {
      {"whole", glb(total, static_cast<uint32_t>(json.size()), chunk), ""},
      {"header 8 bytes short", glb(total - 8, static_cast<uint32_t>(json.size()), chunk),
       "cannot read glTF: the header declares " + std::to_string(total - 8) + " bytes, the file has " +
           std::to_string(total)},
      {"header past the end", glb(total + 4, static_cast<uint32_t>(json.size()), chunk),
       "cannot read glTF: the header declares " + std::to_string(total + 4) + " bytes, the file has " +
           std::to_string(total)},
      {"chunk past the end", glb(total, static_cast<uint32_t>(json.size()), word(40) + chunk.substr(4)),
       "cannot read glTF: chunk 1 declares 40 bytes, 36 follow"},
      {"chunk header cut short", glb(total - 40, static_cast<uint32_t>(json.size()), chunk.substr(0, 4)),
       "cannot read glTF: chunk 1 is cut short"},
  };
  for (const auto& c : cases) {
    WriteFile(dir + "/t.glb", c.bytes);
    if (c.message.empty()) {
      EXPECT_EQ(LoadMeshFile(dir + "/t.glb").TriangleCount(), 1u) << c.what;
      continue;
    }
    try {
      LoadMeshFile(dir + "/t.glb");
      ADD_FAILURE() << c.what << ": read";
    } catch (const AssetError& e) {
      EXPECT_EQ(e.what(), dir + "/t.glb: " + c.message) << c.what;
    }
  }
}

// Nodes that each list the next one twice, `depth` levels, the last
// holding the triangle: 2^depth placements from a few hundred bytes.
std::string SharedNodes(int depth, int last) {
  std::string nodes;
  for (int i = 0; i < depth; ++i)
    nodes += "{\"children\": [" + std::to_string(i + 1) + ", " + std::to_string(i + 1) + "]}, ";
  nodes += "{\"mesh\": 0" + (last >= 0 ? ", \"children\": [" + std::to_string(last) + "]" : std::string()) + "}";
  return TriangleGltf("triangle.bin", R"(, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [)" + nodes + "]");
}

// Shared children are sized before anything is built: the vertex limit
// and the memory the process may use (2 GB here) bound them, a cycle is
// refused, and a modest expansion is built.
TEST(HostileFiles, SharedNodesAreSizedBeforeBuilding) {
  const std::string dir = TempFolder();
  WriteFile(dir + "/triangle.bin", TriangleBytes());
  const struct {
    const char* what;
    int depth, last;
    std::string message;  // empty: read, with 2^depth triangles
  } cases[] = {
      {"depth 4", 4, -1, ""},
      {"depth 24, beyond memory", 24, -1,
       "the scene's files need 4.7 GB of memory with this one, more than the 2.0 GB this process may use"},
      {"depth 40, beyond 2^31 vertices", 40, -1,
       "the nodes place 3298534883328 vertices (shared children count each time), more than 2^31"},
      {"a cycle", 3, 0, "the node hierarchy is deeper than 64 levels or has a cycle"},
  };
  for (const auto& c : cases) {
    if (!kMemoryLimits && c.message.find(" memory") != std::string::npos) continue;
    WriteFile(dir + "/nodes.gltf", SharedNodes(c.depth, c.last));
    WriteFile(dir + "/scene.json", MeshScene("nodes.gltf"));
    const std::vector<std::string> args{"render", dir + "/scene.json", "-o", dir + "/out.png", "--size", "8x8"};
    const auto run = kMemoryLimits ? RunLimited(args, RLIMIT_AS, 2ull << 30) : RunQuillane(args);
    if (c.message.empty()) {
      EXPECT_EQ(run.exitCode, 0) << c.what << ": " << run.err;
      EXPECT_EQ(LoadMeshFile(dir + "/nodes.gltf").TriangleCount(), size_t{1} << c.depth) << c.what;
    } else {
      EXPECT_EQ(run.exitCode, 2) << c.what;
      EXPECT_EQ(run.err, "quillane: " + dir + "/nodes.gltf: " + c.message + " (scene key objects[0].mesh)\n")
          << c.what;
    }
  }
}

// Faces of any number of corners, and every index a whole number in range
// of what the lines before it define, named by line as written.
TEST(HostileFiles, ObjFacesAndIndices) {
  const std::string dir = TempFolder();
  std::string polygon, face = "f";
  for (int i = 0; i < 300; ++i) {
    polygon += "v " + std::to_string(std::cos(i * 0.0209439510239)) + " " +
               std::to_string(std::sin(i * 0.0209439510239)) + " 0\n";
    face += " " + std::to_string(i + 1);
  }
  WriteFile(dir + "/polygon.obj", polygon + face + "\nv 5 5 1\nv 6 5 1\nv 5 6 1\nf -3 -2 -1\n");
  const Mesh mesh = LoadMeshFile(dir + "/polygon.obj");
  ASSERT_EQ(mesh.TriangleCount(), 299u);
  EXPECT_EQ(std::vector<float>(mesh.positions.end() - 9, mesh.positions.end()),
            (std::vector<float>{5, 5, 1, 6, 5, 1, 5, 6, 1}));

  const std::string head = "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\n";
  const struct {
    const char* face;
    const char* message;  // after "FILE: line 5: "
  } cases[] = {
      {"f 1 2 3.7", "\"3.7\" is not a vertex index"},
      {"f 1 2 3x", "\"3x\" is not a vertex index"},
      {"f 1 2 0", "\"0\" is not a vertex index"},
      {"f 1 2 4294967299", "vertex index 4294967299 is out of range (3 vertices before this line)"},
      {"f 1 2 4", "vertex index 4 is out of range (3 vertices before this line)"},
      {"f -1 -2 -7", "vertex index -7 is out of range (3 vertices before this line)"},
      {"f 1/1 2/2 3/1", "texture coordinate index 2 is out of range (1 texture coordinates before this line)"},
      {"f 1//1 2//1 3//1", "normal index 1 is out of range (0 normals before this line)"},
      {"f 1/1/1/1 2 3", "a corner has more than three indices"},
      {"v 1 \x1b[2J 0", "\"\x1b[2J\" is not a finite number"},
  };
  for (const auto& c : cases) {
    WriteFile(dir + "/bad.obj", head + c.face + "\n");
    try {
      LoadMeshFile(dir + "/bad.obj");
      ADD_FAILURE() << c.face << ": read";
    } catch (const AssetError& e) {
      EXPECT_EQ(e.what(), dir + "/bad.obj: line 5: " + c.message) << c.face;
    }
  }
  // On the terminal the file's bytes are escaped.
  WriteFile(dir + "/scene.json", MeshScene("bad.obj"));
  const auto run = RunQuillane({"render", dir + "/scene.json", "-o", dir + "/out.png"});
  EXPECT_EQ(run.err, "quillane: " + dir + "/bad.obj: line 5: \"\\x1b[2J\" is not a finite number "
                     "(scene key objects[0].mesh)\n");
}

// Messages quote files' bytes for a terminal: controls and stray bytes
// escaped, well-formed text kept.
TEST(HostileFiles, QuotedBytesAreEscapedForTheTerminal) {
  const std::pair<std::string, std::string> cases[] = {
      {"plain \"3.7\" \\ caf\xc3\xa9 \xe2\x86\x92", "plain \"3.7\" \\ caf\xc3\xa9 \xe2\x86\x92"},
      {"\x1b[2J\r\n\t\x7f", "\\x1b[2J\\x0d\\x0a\\x09\\x7f"},
      {"C1 \xc2\x9b" "2J", "C1 \\u009b2J"},
      {"stray \xff\xc3 \xed\xa0\x80", "stray \\xff\\xc3 \\xed\\xa0\\x80"},
  };
  for (const auto& [text, printed] : cases) EXPECT_EQ(standin::Printable(text), printed) << printed;
}

// The page's scenes read only files inside their folder: relative names
// without "..", no link leading outside, glTF buffers included.
TEST(HostileFiles, ThePageReadsOnlyInsideItsFolder) {
  const std::string outside = TempFolder();
  const std::string root = TempFolder();
  const std::string obj = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  WriteFile(outside + "/part.obj", obj);
  WriteFile(outside + "/triangle.bin", TriangleBytes());
  fs::create_directory(root + "/sub");
  WriteFile(root + "/sub/part.obj", obj);
  WriteFile(root + "/triangle.bin", TriangleBytes());
  fs::create_symlink(outside + "/part.obj", root + "/out-link.obj");
  fs::create_symlink(root + "/sub/part.obj", root + "/in-link.obj");
  fs::create_symlink(outside + "/triangle.bin", root + "/out-link.bin");
  WriteFile(root + "/up.gltf", TriangleGltf("../" + fs::path(outside).filename().string() + "/triangle.bin"));
  WriteFile(root + "/absolute.gltf", TriangleGltf(outside + "/triangle.bin"));
  WriteFile(root + "/link.gltf", TriangleGltf("out-link.bin"));
  WriteFile(root + "/inside.gltf", TriangleGltf("triangle.bin"));
  const std::string up = "../" + fs::path(outside).filename().string() + "/part.obj";
  const struct {
    std::string mesh;
    std::string message;  // empty: read
  } cases[] = {
      {"sub/part.obj", ""},
      {"in-link.obj", ""},
      {"inside.gltf", ""},
      {outside + "/part.obj", outside + "/part.obj: the page reads only files inside its scene folder, "
                                        "named relative to the scene (no absolute paths)"},
      {up, up + ": the page reads only files inside its scene folder (no \"..\")"},
      {"out-link.obj", root + "/out-link.obj: leads outside the scene folder through a symbolic link"},
      {"up.gltf", root + "/up.gltf: buffer ../" + fs::path(outside).filename().string() +
                      "/triangle.bin: the page reads only files inside its scene folder (no \"..\")"},
      {"absolute.gltf", root + "/absolute.gltf: buffer " + outside +
                            "/triangle.bin: the page reads only files inside its scene folder, named "
                            "relative to the scene (no absolute paths)"},
      {"link.gltf", root + "/link.gltf: buffer " + root +
                        "/out-link.bin: leads outside the scene folder through a symbolic link"},
  };
  for (const auto& c : cases) {
    Scene scene = ParseScene(MeshScene(c.mesh), "scene.json", root);
    try {
      LoadSceneAssets(scene, root);
      EXPECT_TRUE(c.message.empty()) << c.mesh << ": read";
    } catch (const AssetError& e) {
      EXPECT_EQ(e.what(), c.message + " (scene key objects[0].mesh)") << c.mesh;
    }
  }
}

}  // namespace
