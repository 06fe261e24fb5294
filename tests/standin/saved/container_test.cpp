// The saved-data containers: both forms round-trip every setting through the
// module's own save and load; damaged containers are refused with their
// offset or line and leave the node as it was.
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "standin/saved/container.h"
#include "standin/host/host.h"

namespace {

using standin::ContainerError;
using standin::ContainerForm;
using standin::Host;
using standin::HostNode;
using standin::ModuleFile;

class ContainerTest : public testing::Test {
 protected:
  ContainerTest() : module_(QUILLANE_MODULE), host_(module_) {}

  // A node whose eight settings differ from the defaults; set through the
  // panel in double precision.
  HostNode& EditedNode() {
    HostNode& node = host_.CreateNode();
    host_.OpenPanel(node);
    const double color[3] = {0.2, 0.45, 0.7};
    const double specular = 0.8, u = 0.3, v = 0.05, rotate = -1.25;
    const std::int32_t axis = 2, lightType = 1, classic = 1;
    host_.SetPanelValue(node, "Color", color);
    host_.SetPanelValue(node, "Specular", &specular);
    host_.SetPanelValue(node, "UGlossiness", &u);
    host_.SetPanelValue(node, "VGlossiness", &v);
    host_.SetPanelValue(node, "Axis", &axis);
    host_.SetPanelValue(node, "TangentRotate", &rotate);
    host_.SetPanelValue(node, "CustomLightType", &lightType);
    host_.SetPanelValue(node, "ClassicMode", &classic);
    return node;
  }

  ModuleFile module_;
  Host host_;
};

TEST_F(ContainerTest, TextFormShowsEachBlockByItsToken) {
  const std::string text = host_.Save(host_.CreateNode(), ContainerForm::kText);
  EXPECT_EQ(text,
            "Version 0\nColor 1 1 1\nSpecular 1\n{ URough\n  0.5\n}\n{ VRough\n  0.1\n}\n"
            "{ Axis\n  1\n}\n{ TanRot\n  0\n}\n{ LigType\n  0\n}\n{ Classic\n  0\n}\n");
}

TEST_F(ContainerTest, BinaryFormIsBigEndianBlocks) {
  const std::string data = host_.Save(host_.CreateNode(), ContainerForm::kBinary);
  // Nine blocks of an 8-byte header and 4 bytes per value (colour: 3).
  ASSERT_EQ(data.size(), 9 * 8 + 11 * 4u);
  EXPECT_EQ(data.substr(0, 12), std::string("HVER\0\0\0\4\0\0\0\0", 12));
  EXPECT_EQ(data.substr(12, 8), std::string("COL1\0\0\0\x0c", 8));
  EXPECT_EQ(data.substr(20, 4), std::string("\x3f\x80\0\0", 4)) << "1.0f big-endian";
}

TEST_F(ContainerTest, BothFormsRoundTripEverySetting) {
  for (ContainerForm form : {ContainerForm::kBinary, ContainerForm::kText}) {
    const std::string saved = host_.Save(EditedNode(), form);
    HostNode& fresh = host_.CreateNode();
    host_.Load(fresh, saved, form, "saved");
    EXPECT_EQ(host_.Save(fresh, form), saved) << "form " << static_cast<int>(form);
    // The other form carries the same settings.
    const ContainerForm other =
        form == ContainerForm::kText ? ContainerForm::kBinary : ContainerForm::kText;
    EXPECT_EQ(host_.Save(fresh, other), host_.Save(EditedNode(), other));
  }
}

TEST_F(ContainerTest, UnknownBlocksAreSkippedAndOrderDoesNotMatter) {
  HostNode& node = host_.CreateNode();
  host_.Load(node,
             "# written by hand\n{ Extra\n  \"note\" 3\n  Inner 1 2\n}\nClassic 1\n"
             "Specular 0.25\nUnknown 7\n",
             ContainerForm::kText, "hand.txt");
  const std::string text = host_.Save(node, ContainerForm::kText);
  EXPECT_NE(text.find("Specular 0.25\n"), std::string::npos) << text;
  EXPECT_NE(text.find("{ Classic\n  1\n}"), std::string::npos) << text;

  std::string binary("XTRA\0\0\0\2ab", 10);
  binary += std::string("SPC1\0\0\0\4\x3e\x80\0\0", 12);
  HostNode& other = host_.CreateNode();
  host_.Load(other, binary, ContainerForm::kBinary, "hand.bin");
  EXPECT_NE(host_.Save(other, ContainerForm::kText).find("Specular 0.25\n"),
            std::string::npos);
}

// Loads `data` into an edited node and expects a refusal that mentions
// `where`, with the node's settings untouched.
void ExpectRefused(Host& host, HostNode& node, const std::string& data,
                   ContainerForm form, const std::string& where) {
  const std::string before = host.Save(node, ContainerForm::kBinary);
  try {
    host.Load(node, data, form, "data");
    ADD_FAILURE() << "accepted: " << testing::PrintToString(data);
  } catch (const ContainerError& e) {
    EXPECT_NE(std::string(e.what()).find(where), std::string::npos)
        << "message: " << e.what() << "\nfor: " << testing::PrintToString(data);
  }
  EXPECT_EQ(host.Save(node, ContainerForm::kBinary), before) << "node changed";
}

TEST_F(ContainerTest, MalformedTextIsRefusedWithItsLine) {
  HostNode& node = EditedNode();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Specular 0.5\nColor 1 1\n", "data: line 2: block \"Color\" holds 2 of the 3"},
      {"Specular 0.5\nColor 1 x 1\n", "data: line 2: \"x\" is not a number"},
      {"Specular 0.5\n{ Axis\n  1.5\n}\n", "data: line 3: \"1.5\" is not a 32-bit integer"},
      {"Specular 0.5\n{ Axis\n  2\n", "data: line 3: block \"Axis\" opened at line 2"},
      {"Specular 0.5\n}\n", "data: line 2: \"}\" closes no block"},
      {"Specular 0.5\n0.25\n", "data: line 2: \"0.25\" is not a block token"},
      {"Specular \"0.5\n", "data: line 1: string is not closed"},
      {"{ Axis 2\n}\n", "data: line 1: \"{\" must be followed by one block token"},
      {"Axis\nSpecular 2\n", "data: line 1: block \"Axis\" holds 0 of the 1"},
  };
  for (const auto& [text, where] : cases)
    ExpectRefused(host_, node, text, ContainerForm::kText, where);
}

TEST_F(ContainerTest, TruncatedBinaryIsRefusedOrAWholePrefix) {
  HostNode& node = EditedNode();
  const std::string full = host_.Save(node, ContainerForm::kBinary);
  HostNode& target = host_.CreateNode();
  int loaded = 0;
  for (size_t length = 1; length < full.size(); ++length) {
    const std::string part = full.substr(0, length);
    const std::string before = host_.Save(target, ContainerForm::kBinary);
    try {
      host_.Load(target, part, ContainerForm::kBinary, "cut");
      ++loaded;
    } catch (const ContainerError& e) {
      EXPECT_NE(std::string(e.what()).find("cut: offset "), std::string::npos) << e.what();
      EXPECT_EQ(host_.Save(target, ContainerForm::kBinary), before)
          << "half loaded at length " << length;
    }
  }
  // Only the cuts between blocks form whole containers.
  EXPECT_EQ(loaded, 8);
  ExpectRefused(host_, target, full.substr(0, 20), ContainerForm::kBinary,
                "offset 12: block \"COL1\" claims 12 bytes but only 0 follow");
  ExpectRefused(host_, target, full.substr(0, 15), ContainerForm::kBinary,
                "offset 12: truncated block header (3 of 8 bytes)");
  // A block whose length is too short for its values.
  ExpectRefused(host_, target, std::string("COL1\0\0\0\x08\x3f\x80\0\0\x3f\x80\0\0", 16),
                ContainerForm::kBinary, "offset 8: block \"COL1\" ends after 2 of 3 values");
}

// Seeded random damage: every outcome is a clean load or a clean refusal.
TEST_F(ContainerTest, CorruptedContainersNeverLoadHalfWay) {
  const std::string binary = host_.Save(EditedNode(), ContainerForm::kBinary);
  const std::string text = host_.Save(EditedNode(), ContainerForm::kText);
  HostNode& target = host_.CreateNode();
  std::mt19937 rng(4121994);
  int refused = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const bool isText = trial % 2 == 1;
    std::string data = isText ? text : binary;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f)
      data[rng() % data.size()] = static_cast<char>(rng() % 256);
    const std::string before = host_.Save(target, ContainerForm::kBinary);
    try {
      host_.Load(target, data, isText ? ContainerForm::kText : ContainerForm::kBinary, "x");
    } catch (const ContainerError& e) {
      ++refused;
      EXPECT_EQ(host_.Save(target, ContainerForm::kBinary), before)
          << "trial " << trial << ": " << e.what();
    }
  }
  EXPECT_GT(refused, 0);
}

}  // namespace

namespace {

const BlockId kOuter = {0x4F555431, "Outer"};  // "OUT1"
const BlockId kInner = {0x494E4E31, "Inner"};  // "INN1"
const BlockId kNote = {0x4E4F5431, "Note"};    // "NOT1"
const BlockId kList[] = {kOuter, kInner, kNote, {0, nullptr}};

// Writes an outer non-leaf block holding a value, a nested leaf block and a
// string, then a top-level leaf block.
std::string WriteNested(ContainerForm form) {
  standin::ContainerWriter writer(form);
  const SaveState* s = writer.state();
  const std::int32_t count = 2;
  const float values[2] = {1.5f, -0.25f};
  const std::int16_t small = -7;
  s->beginBlock(s->data, &kOuter, 0);
  s->writeI4(s->data, &count, 1);
  s->beginBlock(s->data, &kInner, 1);
  s->writeFloat(s->data, values, 2);
  s->writeI2(s->data, &small, 1);
  s->endBlock(s->data);
  s->writeString(s->data, "say \"hi\"\n");
  s->endBlock(s->data);
  s->beginBlock(s->data, &kNote, 1);
  s->writeString(s->data, "end");
  s->endBlock(s->data);
  return writer.Finish();
}

TEST(ContainerNesting, NonLeafBlocksNestInBothForms) {
  EXPECT_EQ(WriteNested(ContainerForm::kText),
            "{ Outer\n  2\n  Inner 1.5 -0.25 -7\n  \"say \\\"hi\\\"\\n\"\n}\nNote \"end\"\n");
  for (ContainerForm form : {ContainerForm::kBinary, ContainerForm::kText}) {
    const auto reader = standin::ContainerReader::Open(WriteNested(form), form, "nested");
    const LoadState* l = reader->state();
    std::int32_t count = 0;
    float values[2] = {0, 0};
    std::int16_t small = 0;
    char text[32] = {};
    ASSERT_EQ(l->findBlock(l->data, kList), kOuter.id);
    EXPECT_EQ(l->readI4(l->data, &count, 1), 1);
    ASSERT_EQ(l->findBlock(l->data, kList), kInner.id);
    EXPECT_EQ(l->depth(l->data), 2);
    EXPECT_EQ(l->readFloat(l->data, values, 2), 2);
    EXPECT_EQ(l->readI2(l->data, &small, 1), 1);
    l->endBlock(l->data);
    EXPECT_EQ(l->readString(l->data, text, sizeof text), 9);
    l->endBlock(l->data);
    ASSERT_EQ(l->findBlock(l->data, kList), kNote.id);
    l->endBlock(l->data);
    EXPECT_EQ(l->findBlock(l->data, kList), 0u);
    EXPECT_EQ(reader->error(), "");
    EXPECT_EQ(count, 2);
    EXPECT_EQ(values[0], 1.5f);
    EXPECT_EQ(values[1], -0.25f);
    EXPECT_EQ(small, -7);
    EXPECT_STREQ(text, "say \"hi\"\n");
  }
}

TEST(ContainerNesting, WritesThatFormNoContainerAreRefused) {
  standin::ContainerWriter loose(ContainerForm::kText);
  const std::int32_t one = 1;
  loose.state()->writeI4(loose.state()->data, &one, 1);
  EXPECT_THROW(loose.Finish(), ContainerError);

  standin::ContainerWriter open(ContainerForm::kBinary);
  open.state()->beginBlock(open.state()->data, &kOuter, 0);
  EXPECT_THROW(open.Finish(), ContainerError);

  standin::ContainerWriter inLeaf(ContainerForm::kBinary);
  inLeaf.state()->beginBlock(inLeaf.state()->data, &kNote, 1);
  inLeaf.state()->beginBlock(inLeaf.state()->data, &kInner, 1);
  EXPECT_THROW(inLeaf.Finish(), ContainerError);
}

}  // namespace
