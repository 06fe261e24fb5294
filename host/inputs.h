// The node's nine inputs, each described once: the name the host shows, its
// connection type, its handle in NodeData and its place among the
// evaluation's questions. Creation walks the table in the host's order; the
// stand-in host reads it, as data, for the names scene files and eval lines
// use. The evaluation asks in question order: the inputs before "UV" as the
// host shows them, "Custom Light" before "UV".
#pragma once

#include <array>

#include "host/node_data.h"

namespace quillane {

// Question order; an input's bit in a set of wired inputs is
// 1 << its index.
enum InputIndex : unsigned {
  kColorInput,
  kSpecularInput,
  kUGlossinessInput,
  kVGlossinessInput,
  kAxisInput,
  kTangentRotateInput,
  kNormalInput,
  kCustomLightInput,
  kUVInput,
};

struct NodeInput {
  const char* name;
  int type;  // connection type: kConnectionColor, kConnectionScalar, ...
  InputHandle NodeData::*handle;
  InputIndex question;
};

// In the order the host creates and shows them.
inline constexpr std::array<NodeInput, 9> kNodeInputs{{
    {.name = "Color", .type = kConnectionColor, .handle = &NodeData::inColor, .question = kColorInput},
    {.name = "Specular", .type = kConnectionScalar, .handle = &NodeData::inSpecular, .question = kSpecularInput},
    {.name = "U Glossiness", .type = kConnectionScalar, .handle = &NodeData::inUGlossiness,
     .question = kUGlossinessInput},
    {.name = "V Glossiness", .type = kConnectionScalar, .handle = &NodeData::inVGlossiness,
     .question = kVGlossinessInput},
    {.name = "Axis", .type = kConnectionVector, .handle = &NodeData::inAxis, .question = kAxisInput},
    {.name = "Tangent Rotate", .type = kConnectionScalar, .handle = &NodeData::inTangentRotate,
     .question = kTangentRotateInput},
    {.name = "Normal", .type = kConnectionVector, .handle = &NodeData::inNormal, .question = kNormalInput},
    {.name = "UV", .type = kConnectionVector, .handle = &NodeData::inUV, .question = kUVInput},
    {.name = "Custom Light", .type = kConnectionVector, .handle = &NodeData::inCustomLight,
     .question = kCustomLightInput},
}};

// Each input's question is its own, and each question one input's.
constexpr bool QuestionsAreAPermutation() {
  unsigned seen = 0;
  for (const NodeInput& input : kNodeInputs) seen |= 1u << input.question;
  return seen == (1u << kNodeInputs.size()) - 1;
}
static_assert(QuestionsAreAPermutation());

// The inputs in question order: kQuestions[i].question == i.
constexpr std::array<NodeInput, kNodeInputs.size()> InQuestionOrder() {
  std::array<NodeInput, kNodeInputs.size()> order{};
  for (const NodeInput& input : kNodeInputs) order[input.question] = input;
  return order;
}
inline constexpr std::array<NodeInput, kNodeInputs.size()> kQuestions =
    InQuestionOrder();

// The last question before the specular amount is tested: with "Color" and
// "Specular" answered, an amount of 0 or less ends the evaluation in black.
inline constexpr InputIndex kLastBeforeAmountTest = kSpecularInput;

// How many numbers the host's value of an input of connection type `type`
// holds: one for a scalar, three for a colour or a vector.
constexpr int ValueCount(int type) { return type == kConnectionScalar ? 1 : 3; }

}  // namespace quillane
