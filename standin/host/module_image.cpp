#include "standin/host/module_image.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace standin {
namespace {

// Machine numbers of ELF (e_machine) and PE (COFF Machine) files.
constexpr std::uint32_t kElfX86 = 3, kElfArm = 40, kElfX86_64 = 62, kElfAArch64 = 183,
                        kElfRiscV = 243;
constexpr std::uint32_t kPeX86 = 0x14c, kPeArm = 0x1c4, kPeX86_64 = 0x8664, kPeAArch64 = 0xaa64;

struct Machine {
  std::uint32_t elf;
  std::uint32_t pe;
  const char* name;
};
const Machine kMachines[] = {
    {kElfX86_64, kPeX86_64, "x86-64"}, {kElfAArch64, kPeAArch64, "AArch64"},
    {kElfX86, kPeX86, "x86"},          {kElfArm, kPeArm, "ARM"},
    {kElfRiscV, 0, "RISC-V"},
};

#if defined(__x86_64__) || defined(_M_X64)
const Machine& kHost = kMachines[0];
#elif defined(__aarch64__) || defined(_M_ARM64)
const Machine& kHost = kMachines[1];
#else
#error "unknown host machine: add it to kMachines"
#endif

std::string MachineName(std::uint32_t number, bool elf) {
  for (const Machine& m : kMachines)
    if ((elf ? m.elf : m.pe) == number) return m.name;
  return "machine " + std::to_string(number);
}

// Reads little-endian numbers from the file; a read past its end gives 0,
// which the checks then find too small.
class Bytes {
 public:
  explicit Bytes(const std::string& path) : in_(path, std::ios::binary) {}
  bool open() const { return in_.is_open(); }

  std::uint64_t At(std::uint64_t offset, int size) {
    unsigned char b[8] = {};
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset));
    in_.read(reinterpret_cast<char*>(b), size);
    if (in_.gcount() != size) return 0;
    std::uint64_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = v << 8 | b[i];
    return v;
  }

 private:
  std::ifstream in_;
};

std::string Truncated(std::uint64_t size, const std::string& what, std::uint64_t end) {
  return "truncated or corrupt: the file has " + std::to_string(size) + " bytes, but " + what +
         " ends at byte " + std::to_string(end);
}

// A 64-bit little-endian ELF shared object for this machine, with its
// program headers and every segment's file bytes inside the file.
std::string CheckElf(Bytes& f, std::uint64_t size) {
  if (size < 64) return Truncated(size, "its ELF header", 64);
  const bool wide = f.At(4, 1) == 2;
  const std::uint32_t machine = static_cast<std::uint32_t>(f.At(18, 2));
  if (!wide || f.At(5, 1) != 1 || machine != kHost.elf)
    return "an ELF file for " + MachineName(machine, true) + (wide ? "" : " (32-bit)") +
           ", this host is " + kHost.name;
  if (f.At(16, 2) != 3) return "an ELF file but not a shared object";
  const std::uint64_t table = f.At(32, 8), entry = f.At(54, 2), count = f.At(56, 2);
  if (entry != 56 || table > size || count > (size - table) / entry)
    return Truncated(size, "its program header table", table + count * entry);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t header = table + i * entry;
    const std::uint64_t offset = f.At(header + 8, 8), bytes = f.At(header + 32, 8);
    if (offset > size || bytes > size - offset)
      return Truncated(size, "its segment " + std::to_string(i), offset + bytes);
  }
  return {};
}

// A PE32+ DLL for this machine with every section's raw data inside the file.
std::string CheckPe(Bytes& f, std::uint64_t size) {
  const std::uint64_t pe = f.At(0x3c, 4);
  if (pe > size || f.At(pe, 4) != 0x00004550) return Truncated(size, "its PE header", pe + 4);
  const std::uint32_t machine = static_cast<std::uint32_t>(f.At(pe + 4, 2));
  if (machine != kHost.pe)
    return "a PE file for " + MachineName(machine, false) + ", this host is " + kHost.name;
  const std::uint64_t sections = f.At(pe + 6, 2);
  const std::uint64_t table = pe + 24 + f.At(pe + 20, 2);
  if (table > size || sections > (size - table) / 40)
    return Truncated(size, "its section table", table + sections * 40);
  for (std::uint64_t i = 0; i < sections; ++i) {
    const std::uint64_t header = table + i * 40;
    const std::uint64_t bytes = f.At(header + 16, 4), offset = f.At(header + 20, 4);
    if (offset > size || bytes > size - offset)
      return Truncated(size, "its section " + std::to_string(i), offset + bytes);
  }
  return {};
}

}  // namespace

ImageFormat HostImageFormat() {
#ifdef _WIN32
  return ImageFormat::kPe;
#else
  return ImageFormat::kElf;
#endif
}

std::string CheckModuleImage(const std::string& path, ImageFormat format) {
  std::error_code error;
  const auto status = std::filesystem::status(path, error);
  if (error) return {};
  if (!std::filesystem::is_regular_file(status)) return "not a regular file";
  const std::uint64_t size = std::filesystem::file_size(path, error);
  Bytes f(path);
  if (error || !f.open()) return {};
  const bool elf = f.At(0, 4) == 0x464c457f;
  const bool pe = f.At(0, 2) == 0x5a4d;
  if (format == ImageFormat::kElf && elf) return CheckElf(f, size);
  if (format == ImageFormat::kPe && pe) return CheckPe(f, size);
  const char* wanted = format == ImageFormat::kElf ? "ELF shared objects" : "PE DLLs";
  if (elf) return std::string("an ELF file, this host loads ") + wanted;
  if (pe) return std::string("a PE file (a Windows DLL), this host loads ") + wanted;
  return std::string("not a module: neither an ELF nor a PE file (this host loads ") + wanted + ")";
}

}  // namespace standin
