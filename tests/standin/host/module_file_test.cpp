// Loading module files: the descriptor checks and their messages.
#include <gtest/gtest.h>

#include "standin/host/host.h"
#include "standin/host/module_file.h"
#include "tests/tools/cli_runner.h"

namespace {

using standin::CheckDescriptor;
using standin::ModuleError;
using standin::ModuleFile;

std::string LoadFailure(const std::string& path) {
  try {
    ModuleFile module(path);
  } catch (const ModuleError& e) {
    return e.what();
  }
  return "loaded";
}

TEST(ModuleFile, TheBuiltModuleLoadsAndOffersBothServers) {
  ModuleFile module(QUILLANE_MODULE);
  ASSERT_NE(module.FindServer("NodeHandler"), nullptr);
  ASSERT_NE(module.FindServer("NodeInterface"), nullptr);
  EXPECT_STREQ(module.FindServer("NodeHandler")->serverName, "Quillane");
  EXPECT_EQ(module.FindServer("ImageFilter"), nullptr);
}

TEST(ModuleFile, UnusableFilesAreRefusedWithTheirReason) {
  const std::string path = BAD_SYNC_MODULE;
  EXPECT_EQ(LoadFailure(path), path + ": wrong synchronisation word 0x12345678 (expected 0x04121994)");
  const std::string version = BAD_VERSION_MODULE;
  EXPECT_EQ(LoadFailure(version), version + ": unsupported system version 2 (expected 3)");
  const std::string machine = BAD_MACHINE_MODULE;
  EXPECT_EQ(LoadFailure(machine), machine + ": wrong machine type 0x00000200 (expected 0x00000300)");
  const std::string noExport = NO_DESCRIPTOR_MODULE;
  EXPECT_EQ(LoadFailure(noExport), noExport + ": not a module: no _mod_descrip export");
  const std::string text = standin_test::TempFolder() + "/text.p";
  standin_test::WriteFile(text, "not a library");
  EXPECT_EQ(LoadFailure(text), text + ": not a module: neither an ELF nor a PE file (this host "
                                     "loads ELF shared objects)");
  EXPECT_EQ(LoadFailure("/nonexistent/quillane.p").rfind("/nonexistent/quillane.p: cannot load", 0), 0u);
}

TEST(ModuleFile, DescriptorWithoutEntryPointsIsRefused) {
  ServerRecord none[] = {{nullptr, nullptr, nullptr, nullptr}};
  auto startup = []() -> void* { return nullptr; };
  ModuleDescriptor d{kModuleSyncWord, kModuleSystemVersion, kModuleMachineType,
                     startup, nullptr, none};
  EXPECT_EQ(CheckDescriptor(d), "");
  d.servers = nullptr;
  EXPECT_EQ(CheckDescriptor(d), "no server list");
  d.startup = nullptr;
  EXPECT_EQ(CheckDescriptor(d), "no start-up function");
}

TEST(ModuleFile, TheCommandRefusesABadModuleWithExitCode2) {
  const auto run = standin_test::RunQuillane({"--module", BAD_SYNC_MODULE, "eval"}, "{}\n");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("wrong synchronisation word"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
}

}  // namespace
