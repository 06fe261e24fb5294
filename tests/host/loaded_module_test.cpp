// Tests of the built module file as the host sees it: opened with dlopen,
// found through its one exported symbol, and driven only through the tables
// it fills. The loaded file keeps its own module-wide service pointers,
// separate from those of this test program.
#include <elf.h>

#include <array>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"
#include "tests/doubles/opened_module.h"

using namespace quillane;

#ifndef QUILLANE_MODULE_PATH
#error "QUILLANE_MODULE_PATH must name the built quillane.p"
#endif

namespace {

constexpr const char* kModulePath = QUILLANE_MODULE_PATH;

// The names of the defined global and weak symbols in the file's dynamic
// symbol table, read straight from its ELF sections.
std::vector<std::string> DynamicExports(const std::string& path,
                                        std::string* error) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> file((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
  Elf64_Ehdr header;
  if (file.size() < sizeof header) {
    *error = path + ": too short for an ELF header";
    return {};
  }
  std::memcpy(&header, file.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
      header.e_ident[EI_CLASS] != ELFCLASS64) {
    *error = path + ": not a 64-bit ELF file";
    return {};
  }
  if (header.e_shoff + size_t{header.e_shnum} * sizeof(Elf64_Shdr) >
      file.size()) {
    *error = path + ": section headers past the end of the file";
    return {};
  }
  auto section = [&](size_t index) {
    Elf64_Shdr shdr;
    std::memcpy(&shdr, file.data() + header.e_shoff + index * sizeof shdr,
                sizeof shdr);
    return shdr;
  };
  std::vector<std::string> names;
  for (size_t i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr symtab = section(i);
    if (symtab.sh_type != SHT_DYNSYM) continue;
    if (symtab.sh_link >= header.e_shnum) {
      *error = path + ": dynamic symbols without a string table";
      return {};
    }
    const Elf64_Shdr strtab = section(symtab.sh_link);
    if (symtab.sh_offset + symtab.sh_size > file.size() ||
        strtab.sh_offset + strtab.sh_size > file.size()) {
      *error = path + ": dynamic symbols past the end of the file";
      return {};
    }
    for (size_t off = 0; off + sizeof(Elf64_Sym) <= symtab.sh_size;
         off += sizeof(Elf64_Sym)) {
      Elf64_Sym sym;
      std::memcpy(&sym, file.data() + symtab.sh_offset + off, sizeof sym);
      const unsigned bind = ELF64_ST_BIND(sym.st_info);
      if (sym.st_shndx == SHN_UNDEF || sym.st_name == 0) continue;
      if (bind != STB_GLOBAL && bind != STB_WEAK && bind != STB_GNU_UNIQUE)
        continue;
      if (sym.st_name >= strtab.sh_size) continue;
      names.emplace_back(file.data() + strtab.sh_offset + sym.st_name);
    }
  }
  if (names.empty()) *error = path + ": no dynamic symbol table entries";
  return names;
}

TEST(ModuleFile, ExportsOnlyTheDescriptor) {
  std::string error;
  const std::vector<std::string> exports = DynamicExports(kModulePath, &error);
  EXPECT_EQ(error, "");
  EXPECT_EQ(exports, std::vector<std::string>{"_mod_descrip"})
      << "unexpected dynamic exports of " << kModulePath;
}

class LoadedModule : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(module_.error(), ""); }

  const ServerRecord* Server(const char* className) const {
    return module_.Server(className);
  }
  // Activates "NodeHandler" of the loaded module into the host's tables.
  int ActivateNode(int version = 1) {
    return host_.Activate(Server("NodeHandler")->activate, nullptr, version);
  }
  // Creates an instance through the filled instance table.
  NodeData* Create() {
    NodeData* data = host_.Create(&host_.nodes.emplace_back());
    EXPECT_NE(data, nullptr);
    return data;
  }

  FakeHost host_;
  OpenedModule module_{kModulePath};
  const ModuleDescriptor* descriptor_ = module_.descriptor();
};

TEST_F(LoadedModule, DescriptorFields) {
  EXPECT_EQ(descriptor_->syncWord, 0x04121994u);
  EXPECT_EQ(descriptor_->systemVersion, 3u);
  EXPECT_EQ(descriptor_->machineType, 0x300u);
  ASSERT_NE(descriptor_->startup, nullptr);
  ASSERT_NE(descriptor_->shutdown, nullptr);
  void* serverData = descriptor_->startup();
  EXPECT_EQ(serverData, reinterpret_cast<void*>(std::uintptr_t{4}));
  descriptor_->shutdown(serverData);
}

TEST_F(LoadedModule, ServersShareOneTagList) {
  const ServerRecord* servers = descriptor_->servers;
  ASSERT_NE(servers, nullptr);
  EXPECT_STREQ(servers[0].className, "NodeHandler");
  EXPECT_STREQ(servers[0].serverName, "Quillane");
  EXPECT_STREQ(servers[1].className, "NodeInterface");
  EXPECT_STREQ(servers[1].serverName, "Quillane");
  EXPECT_NE(servers[0].activate, nullptr);
  EXPECT_NE(servers[1].activate, nullptr);
  EXPECT_NE(servers[0].activate, servers[1].activate);
  EXPECT_EQ(servers[0].tags, servers[1].tags);
  EXPECT_EQ(servers[2].className, nullptr);
  EXPECT_EQ(servers[2].serverName, nullptr);
  EXPECT_EQ(servers[2].activate, nullptr);
  EXPECT_EQ(servers[2].tags, nullptr);

  const ServerTag* tags = servers[0].tags;
  ASSERT_NE(tags, nullptr);
  EXPECT_STREQ(tags[0].text, "Quillane");
  EXPECT_EQ(tags[0].code, 0u);
  EXPECT_STREQ(tags[1].text, "/Shaders/Specular");
  EXPECT_EQ(tags[1].code, 0x00070000u);
  EXPECT_EQ(tags[2].text, nullptr);
  EXPECT_EQ(tags[2].code, 0u);
}

TEST_F(LoadedModule, ActivationVersions) {
  EXPECT_EQ(ActivateNode(1), 0);
  for (int version : {2, 3}) EXPECT_EQ(ActivateNode(version), 1) << version;

  NodeData* data = Create();
  const ActivateFunc activate = Server("NodeInterface")->activate;
  for (int version : {2, 3}) {
    InterfaceRecord record{data, nullptr, nullptr, nullptr};
    EXPECT_EQ(activate(version, FakeHost::Lookup, &record, nullptr), 1)
        << version;
  }
  InterfaceRecord record{data, nullptr, nullptr, nullptr};
  EXPECT_EQ(activate(4, FakeHost::Lookup, &record, nullptr), 0);
  ASSERT_NE(record.panel, nullptr);
  const auto* panel = reinterpret_cast<const FakePanel*>(record.panel);
  EXPECT_EQ(panel->controls.size(), 8u);
  EXPECT_EQ(panel->instance, data);
  host_.instance().destroy(data);
}

TEST_F(LoadedModule, MissingRequiredServiceGivesTwo) {
  host_.offered["Instance Update"] = false;
  EXPECT_EQ(ActivateNode(), 2);
  EXPECT_EQ(host_.instance().create, nullptr);
  host_.offered["Instance Update"] = true;
  host_.offered["LW Light Info 4"] = false;
  EXPECT_EQ(ActivateNode(), 0) << "light info is optional";
}

TEST_F(LoadedModule, InstancesLiveThroughTheFilledTable) {
  ASSERT_EQ(ActivateNode(), 0);
  host_.trace.clear();
  NodeData* data = Create();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(host_.trace.front(), "setPreviewMode 0");
  EXPECT_EQ(host_.nodes.back().inputs.size(), 9u);
  EXPECT_EQ(host_.nodes.back().outputName, "Color");

  NodeData* copy = Create();
  data->specular = 0.25;
  EXPECT_EQ(host_.instance().copy(copy, data), nullptr);
  EXPECT_EQ(copy->specular, 0.25);
  host_.instance().destroy(copy);
  host_.instance().destroy(data);
}

// Worked example 1: a fresh record, nothing wired, no item info, so the
// fixed light shines on a spot at the origin seen from (0, 0, 5).
TEST_F(LoadedModule, WorkedExampleOneThroughTheEvaluationEntry) {
  host_.offered["LW Item Info 4"] = false;
  ASSERT_EQ(ActivateNode(), 0);
  ASSERT_NE(host_.evaluate(), nullptr);
  NodeData* data = Create();
  host_.trace.clear();
  host_.outputs.clear();
  host_.evaluate()(data, &host_.spot, data->outColor, nullptr);

  ASSERT_EQ(host_.outputs.size(), 1u);
  for (size_t c = 0; c < 3; ++c)
    EXPECT_NEAR(host_.outputs[0][c], 0.0242586367, 5e-11) << "channel " << c;
  // Only connection questions, "UV" last, then the one output.
  ASSERT_EQ(host_.trace.size(), 10u);
  for (size_t i = 0; i < 9; ++i)
    EXPECT_EQ(host_.trace[i].rfind("isConnected ", 0), 0u) << host_.trace[i];
  EXPECT_EQ(host_.trace[8], "isConnected UV");
  EXPECT_EQ(host_.trace[9], "setValue");
  host_.instance().destroy(data);
}

}  // namespace
