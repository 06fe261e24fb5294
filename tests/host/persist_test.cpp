#include "host/persist.h"

#include <algorithm>
#include <array>
#include <random>

#include <gtest/gtest.h>

#include "tests/doubles/fake_host.h"
#include "tests/host/fake_store.h"

using namespace quillane;

namespace {

constexpr std::uint32_t kBlockColor = BlockTag('C', 'O', 'L', '1');
constexpr std::uint32_t kBlockSpecular = BlockTag('S', 'P', 'C', '1');
constexpr std::uint32_t kBlockUGlossiness = BlockTag('U', 'R', 'G', '1');
constexpr std::uint32_t kBlockVGlossiness = BlockTag('V', 'R', 'G', '1');
constexpr std::uint32_t kBlockAxis = BlockTag('A', 'X', 'S', '1');
constexpr std::uint32_t kBlockTangentRotate = BlockTag('T', 'A', 'N', '1');
constexpr std::uint32_t kBlockLightType = BlockTag('L', 'I', 'G', '1');
constexpr std::uint32_t kBlockClassic = BlockTag('C', 'L', 'C', '1');

// The eight settings of a record, integers as doubles, for comparisons.
using Settings = std::array<double, 10>;

Settings SettingsOf(const NodeData& d) {
  return {d.color[0],
          d.color[1],
          d.color[2],
          d.specular,
          d.uGlossiness,
          d.vGlossiness,
          static_cast<double>(d.axis),
          d.tangentRotate,
          static_cast<double>(d.customLightType),
          static_cast<double>(d.classicMode)};
}

// Where the settings hold doubles that are stored as floats.
constexpr size_t kFloatSettings[] = {0, 1, 2, 3, 4, 5, 7};

double Narrowed(double value) { return static_cast<float>(value); }

// The settings as they come back from storage.
Settings Stored(Settings settings) {
  for (size_t i : kFloatSettings) settings[i] = Narrowed(settings[i]);
  return settings;
}

class PersistTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (NodeData* data : records_) DestroyNode(data);
  }
  NodeData* Fresh() { return records_.emplace_back(host_.CreateInstance()); }
  // A record whose settings all differ from create's defaults.
  NodeData* Customised() {
    NodeData* data = Fresh();
    data->color[0] = 0.25;
    data->color[1] = 0.5;
    data->color[2] = 0.75;
    data->specular = 0.8;
    data->uGlossiness = 0.3;
    data->vGlossiness = 0.05;
    data->axis = 2;
    data->tangentRotate = 0.5;
    data->customLightType = 1;
    data->classicMode = 1;
    return data;
  }

  FakeHost host_;
  std::vector<NodeData*> records_;
};

TEST_F(PersistTest, SaveWritesNineBlocksInOrderWithLeafFlags) {
  FakeSaver saver;
  EXPECT_EQ(SaveNode(Fresh(), saver.State()), nullptr);

  struct Expected {
    const char* id;
    const char* token;
    int leaf;
    std::vector<float> floats;
    std::vector<std::int32_t> ints;
  };
  const std::vector<Expected> expected = {
      {"HVER", "Version", 1, {}, {0}},
      {"COL1", "Color", 1, {1.0f, 1.0f, 1.0f}, {}},
      {"SPC1", "Specular", 1, {1.0f}, {}},
      {"URG1", "URough", 0, {0.5f}, {}},
      {"VRG1", "VRough", 0, {0.1f}, {}},
      {"AXS1", "Axis", 0, {}, {1}},
      {"TAN1", "TanRot", 0, {0.0f}, {}},
      {"LIG1", "LigType", 0, {}, {0}},
      {"CLC1", "Classic", 0, {}, {0}},
  };
  ASSERT_EQ(saver.blocks.size(), expected.size());
  EXPECT_EQ(saver.openBlocks, 0) << "every begun block is ended";
  for (size_t i = 0; i < expected.size(); ++i) {
    const FakeBlock& block = saver.blocks[i];
    SCOPED_TRACE("block " + std::to_string(i + 1) + " " + expected[i].id);
    EXPECT_EQ(BlockName(block.id), expected[i].id);
    EXPECT_STREQ(saver.entries[i]->token, expected[i].token);
    EXPECT_EQ(saver.entries[i], &kNodeBlocks[i]) << "entry of the block list";
    EXPECT_EQ(block.leaf, expected[i].leaf);
    EXPECT_EQ(block.floats, expected[i].floats);
    EXPECT_EQ(block.ints, expected[i].ints);
    // The colour goes in one call of three; everything else one value.
    const bool isFloat = !expected[i].floats.empty();
    const int count = isFloat ? static_cast<int>(expected[i].floats.size()) : 1;
    EXPECT_EQ(isFloat ? block.floatCounts : block.intCounts,
              std::vector<int>{count});
    EXPECT_TRUE((isFloat ? block.intCounts : block.floatCounts).empty());
  }
}

TEST_F(PersistTest, RoundTripKeepsSinglePrecision) {
  std::mt19937 rng(20261207);
  std::uniform_real_distribution<double> real(-4.0, 4.0);
  std::uniform_int_distribution<std::int32_t> integer(-5, 5);
  for (int trial = 0; trial < 50; ++trial) {
    NodeData* source = Fresh();
    for (double& c : source->color) c = real(rng);
    source->specular = real(rng);
    source->uGlossiness = real(rng);
    source->vGlossiness = real(rng);
    source->axis = integer(rng);
    source->tangentRotate = real(rng);
    source->customLightType = integer(rng);
    source->classicMode = integer(rng);

    FakeSaver saver;
    SaveNode(source, saver.State());
    FakeLoader loader(saver.blocks);
    NodeData* target = Fresh();
    EXPECT_EQ(LoadNode(target, loader.State()), nullptr);

    EXPECT_EQ(SettingsOf(*target), Stored(SettingsOf(*source)))
        << "trial " << trial;
  }
}

TEST_F(PersistTest, LoadingOneBlockChangesOnlyItsSetting) {
  NodeData* data = Fresh();
  Settings expected = SettingsOf(*data);
  FakeLoader loader({FloatBlock(kBlockSpecular, {0.25f})});
  LoadNode(data, loader.State());
  expected[3] = 0.25;
  EXPECT_EQ(SettingsOf(*data), expected);
  EXPECT_EQ(loader.trace, (std::vector<std::string>{
                              "find SPC1", "readFloat 1", "end", "find none"}));
}

TEST_F(PersistTest, LoadTakesBlocksInAnyOrderAndSkipsUnknownOnes) {
  NodeData* source = Customised();
  FakeSaver saver;
  SaveNode(source, saver.State());
  std::vector<FakeBlock> reversed(saver.blocks.rbegin(), saver.blocks.rend());
  reversed.insert(reversed.begin() + 3,
                  FloatBlock(BlockTag('X', 'T', 'R', '1'), {9.0f, 9.0f}));
  reversed.push_back(IntBlock(BlockTag('Z', 'Z', 'Z', '9'), {7}));

  for (bool honourList : {true, false}) {
    SCOPED_TRACE(honourList ? "host filters by the list"
                            : "host hands back unknown blocks");
    FakeLoader loader(reversed, honourList);
    NodeData* target = Fresh();
    LoadNode(target, loader.State());
    EXPECT_EQ(SettingsOf(*target), Stored(SettingsOf(*source)));
    // An unknown block is entered and left without a read.
    if (!honourList) {
      const auto at = std::find(loader.trace.begin(), loader.trace.end(),
                                "find XTR1");
      ASSERT_NE(at, loader.trace.end());
      EXPECT_EQ(*(at + 1), "end");
    }
  }
}

TEST_F(PersistTest, RepeatedBlockLastOneWins) {
  NodeData* data = Fresh();
  FakeLoader loader({FloatBlock(kBlockUGlossiness, {0.75f}),
                     IntBlock(kBlockAxis, {0}),
                     FloatBlock(kBlockUGlossiness, {0.125f}),
                     IntBlock(kBlockAxis, {2})});
  LoadNode(data, loader.State());
  EXPECT_EQ(data->uGlossiness, 0.125);
  EXPECT_EQ(data->axis, 2);
}

TEST_F(PersistTest, FloatsAreWidenedNotReparsed) {
  NodeData* data = Fresh();
  FakeLoader loader({FloatBlock(kBlockVGlossiness, {0.1f})});
  LoadNode(data, loader.State());
  EXPECT_EQ(data->vGlossiness, static_cast<double>(0.1f));
  EXPECT_NE(data->vGlossiness, 0.1);
}

TEST_F(PersistTest, IntegersAreStoredWithoutRangeChecks) {
  NodeData* data = Fresh();
  FakeLoader loader({IntBlock(kBlockAxis, {7}), IntBlock(kBlockLightType, {-3}),
                     IntBlock(kBlockClassic, {42})});
  LoadNode(data, loader.State());
  EXPECT_EQ(data->axis, 7);
  EXPECT_EQ(data->customLightType, -3);
  EXPECT_EQ(data->classicMode, 42);
}

TEST_F(PersistTest, VersionBlockIsReadAndIgnored) {
  NodeData* data = Fresh();
  const Settings before = SettingsOf(*data);
  FakeLoader loader({IntBlock(kBlockVersion, {99})});
  LoadNode(data, loader.State());
  EXPECT_EQ(SettingsOf(*data), before);
  EXPECT_EQ(loader.trace[1], "readI4 1");
}

// A truncated block delivers fewer values than asked: what is missing keeps
// the setting the record had.
TEST_F(PersistTest, ShortReadsKeepCurrentSettings) {
  NodeData* data = Customised();
  Settings expected = SettingsOf(*data);
  FakeLoader loader({FloatBlock(kBlockColor, {0.125f}),
                     FloatBlock(kBlockSpecular, {}),
                     FloatBlock(kBlockTangentRotate, {}),
                     IntBlock(kBlockAxis, {}), IntBlock(kBlockLightType, {}),
                     IntBlock(kBlockClassic, {}), IntBlock(kBlockVersion, {})});
  LoadNode(data, loader.State());
  expected[0] = 0.125;
  // Values kept by a short read pass through single precision.
  expected[3] = Narrowed(expected[3]);
  expected[7] = Narrowed(expected[7]);
  EXPECT_EQ(SettingsOf(*data), expected);
  EXPECT_EQ(loader.trace[1], "readFloat 3") << "colour read in one call";
}

TEST_F(PersistTest, NullRecordOrStateDoesNothing) {
  FakeLoader loader({FloatBlock(kBlockSpecular, {0.5f})});
  EXPECT_EQ(LoadNode(nullptr, loader.State()), nullptr);
  EXPECT_TRUE(loader.trace.empty());
  EXPECT_EQ(LoadNode(Fresh(), nullptr), nullptr);
  EXPECT_EQ(SaveNode(Fresh(), nullptr), nullptr);
  FakeSaver saver;
  EXPECT_EQ(SaveNode(nullptr, saver.State()), nullptr);
  EXPECT_TRUE(saver.blocks.empty());
}

}  // namespace
