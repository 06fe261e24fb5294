// SHA-256 (FIPS 180-4), to name a file by its contents.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quillane {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, size_t size);
  // The digest as 64 lowercase hex digits. Ends the hashing.
  std::string HexDigest();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> state_;
  std::array<uint8_t, 64> buffer_{};
  size_t buffered_ = 0;
  uint64_t length_ = 0;  // bytes hashed so far
};

std::string Sha256Hex(const std::string& bytes);

}  // namespace quillane
