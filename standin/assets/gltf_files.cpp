#include "standin/assets/gltf_files.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <filesystem>
#include <set>

#include "standin/assets/asset_error.h"

namespace standin {
namespace {

// What tinygltf's file callbacks may read: the buffers the file names
// (their uris as tinygltf decodes them), from the glTF file's folder.
struct BufferFiles {
  AssetFiles& files;
  const std::string& gltf;
  std::string folder;
  std::set<std::string> uris;
  std::string refusal;  // why a buffer could not be read, reported as is
};

// The uri tinygltf joined onto the folder, or empty for another path (it
// also looks in the working folder).
std::string UriOf(const std::string& joined, const BufferFiles& buffers) {
  const std::string& folder = buffers.folder;
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  return joined.compare(0, prefix.size(), prefix) == 0 ? joined.substr(prefix.size()) : std::string();
}

bool BufferExists(const std::string& joined, void* data) {
  const auto& buffers = *static_cast<const BufferFiles*>(data);
  return buffers.uris.count(UriOf(joined, buffers)) != 0;
}

std::string SamePath(const std::string& path, void*) { return path; }

bool ReadBuffer(std::vector<unsigned char>* out, std::string* err, const std::string& joined, void* data) {
  auto& buffers = *static_cast<BufferFiles*>(data);
  try {
    *out = buffers.files.Read(buffers.files.Resolve(buffers.folder, UriOf(joined, buffers)));
    return true;
  } catch (const AssetError& e) {
    if (buffers.refusal.empty()) buffers.refusal = buffers.gltf + ": buffer " + e.what();
    *err = e.what();
    return false;
  }
}

bool WriteNothing(std::string*, const std::string&, const std::vector<unsigned char>&, void*) {
  return false;
}

bool SkipImages(tinygltf::Image*, const int, std::string*, std::string*, int, int,
                const unsigned char*, int, void*) {
  return true;
}

// The percent decoding tinygltf applies to a buffer's uri.
std::string UriDecoded(const std::string& uri) {
  std::string out;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '+') {
      out += ' ';
    } else if (uri[i] == '%' && i + 2 < uri.size()) {
      const auto hex = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 0;
      };
      out += static_cast<char>(hex(uri[i + 1]) << 4 | hex(uri[i + 2]));
      i += 2;
    } else {
      out += uri[i];
    }
  }
  return out;
}

// The external buffers' uris in the glTF's JSON; none when it does not
// parse (tinygltf then says why).
std::set<std::string> BufferUris(const unsigned char* json, size_t size) {
  std::set<std::string> uris;
  const nlohmann::json root = nlohmann::json::parse(json, json + size, nullptr, false);
  if (!root.is_object() || !root.contains("buffers") || !root["buffers"].is_array()) return uris;
  for (const nlohmann::json& buffer : root["buffers"]) {
    if (!buffer.is_object() || !buffer.contains("uri") || !buffer["uri"].is_string()) continue;
    const std::string uri = buffer["uri"].get<std::string>();
    if (uri.rfind("data:", 0) != 0) uris.insert(UriDecoded(uri));
  }
  return uris;
}

std::uint32_t LittleEndian(const std::vector<unsigned char>& bytes, size_t at) {
  return bytes[at] | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The 12-byte header and the chunks after it, which must fill the file
// exactly; the first is JSON. Returns the JSON chunk's length.
size_t CheckGlb(const std::vector<unsigned char>& bytes, const std::string& path) {
  const auto fail = [&](const std::string& what) { throw AssetError(path + ": cannot read glTF: " + what); };
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "glTF", 4) != 0) fail("not a binary glTF file");
  if (LittleEndian(bytes, 4) != 2) fail("binary glTF version " + std::to_string(LittleEndian(bytes, 4)) + ", not 2");
  if (LittleEndian(bytes, 8) != bytes.size())
    fail("the header declares " + std::to_string(LittleEndian(bytes, 8)) + " bytes, the file has " +
         std::to_string(bytes.size()));
  size_t at = 12, jsonLength = 0;
  for (int chunk = 0; at < bytes.size(); ++chunk) {
    if (bytes.size() - at < 8) fail("chunk " + std::to_string(chunk) + " is cut short");
    const size_t length = LittleEndian(bytes, at);
    if (length > bytes.size() - at - 8)
      fail("chunk " + std::to_string(chunk) + " declares " + std::to_string(length) + " bytes, " +
           std::to_string(bytes.size() - at - 8) + " follow");
    if (chunk == 0 && std::memcmp(bytes.data() + at + 4, "JSON", 4) != 0) fail("the first chunk is not JSON");
    if (chunk == 0) jsonLength = length;
    at += 8 + length;
  }
  if (at == 12) fail("the file has no JSON chunk");
  return jsonLength;
}

}  // namespace

tinygltf::Model LoadGltfModel(const std::string& path, bool binary, AssetFiles& files) {
  const std::vector<unsigned char> bytes = files.Read(path);
  if (bytes.size() > UINT32_MAX) throw AssetError(path + ": cannot read glTF: the file is larger than 4 GB");
  const std::string folder = std::filesystem::path(path).parent_path().string();
  BufferFiles buffers{files, path, folder.empty() ? "." : folder, {}, {}};
  if (binary) {
    buffers.uris = BufferUris(bytes.data() + 20, CheckGlb(bytes, path));
  } else {
    buffers.uris = BufferUris(bytes.data(), bytes.size());
  }
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(SkipImages, nullptr);
  loader.SetFsCallbacks({BufferExists, SamePath, ReadBuffer, WriteNothing, &buffers});
  tinygltf::Model model;
  std::string err, warn;
  const bool ok =
      binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, bytes.data(),
                                           static_cast<unsigned int>(bytes.size()), buffers.folder)
             : loader.LoadASCIIFromString(&model, &err, &warn, reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<unsigned int>(bytes.size()), buffers.folder);
  if (!buffers.refusal.empty()) throw AssetError(buffers.refusal);
  if (!ok) {
    const std::string reason = err.empty() ? warn : err;
    throw AssetError(path + ": cannot read glTF: " + reason.substr(0, reason.find('\n')));
  }
  return model;
}

}  // namespace standin
