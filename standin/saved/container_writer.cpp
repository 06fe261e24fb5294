#include <bit>
#include <cstring>
#include <vector>

#include "standin/saved/container.h"
#include "standin/saved/text_values.h"

namespace standin {
namespace {

struct WrittenBlock;

// One write call: its bytes for the binary form and its words for the text.
struct WrittenItem {
  std::string bytes;
  std::vector<std::string> words;
  std::unique_ptr<WrittenBlock> child;
};

struct WrittenBlock {
  std::uint32_t id = 0;
  std::string token;
  bool leaf = false;
  std::vector<WrittenItem> items;
};

void PutBigEndian(std::string* out, std::uint32_t value, int size) {
  for (int i = size - 1; i >= 0; --i)
    out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string Binary(const WrittenBlock& block) {
  std::string payload;
  for (const WrittenItem& item : block.items)
    payload += item.child ? Binary(*item.child) : item.bytes;
  std::string out;
  PutBigEndian(&out, block.id, 4);
  PutBigEndian(&out, static_cast<std::uint32_t>(payload.size()), 4);
  return out + payload;
}

void Text(const WrittenBlock& block, int depth, std::string* out) {
  const std::string indent(static_cast<size_t>(2 * depth), ' ');
  if (block.leaf) {
    *out += indent + block.token;
    for (const WrittenItem& item : block.items)
      for (const std::string& word : item.words) *out += " " + word;
    *out += "\n";
    return;
  }
  *out += indent + "{ " + block.token + "\n";
  for (const WrittenItem& item : block.items) {
    if (item.child) {
      Text(*item.child, depth + 1, out);
      continue;
    }
    if (item.words.empty()) continue;
    *out += indent + " ";
    for (const std::string& word : item.words) *out += " " + word;
    *out += "\n";
  }
  *out += indent + "}\n";
}

}  // namespace

struct ContainerWriter::Impl {
  ContainerForm form;
  WrittenBlock root;
  std::vector<WrittenBlock*> open{&root};
  std::string error;

  void Fail(const std::string& message) {
    if (error.empty()) error = message;
  }
  // The item a write appends to, or null (with a failure) outside blocks.
  WrittenItem* NewItem() {
    if (open.size() == 1) {
      Fail("a value was written outside any block");
      return nullptr;
    }
    return &open.back()->items.emplace_back();
  }
};

// The save record's operations. Each takes the record's `data` (the writer)
// first and copies what it is given; nothing is returned.
//   write, writeI1 .. writeU4, writeFloat: `count` values into the block
//     begun last (outside any block: kept as the writer's error).
//   writeString: a zero-ended string.
//   writeId: not part of either form; kept as an error.
//   beginBlock: opens a block for the list entry `id` (its identifier for the
//     binary form, its token for the text form) inside the block begun last;
//     `leaf` non-zero: the block holds values only.
//   endBlock: closes the block begun last.
//   depth: how many blocks are open.
struct WriterOps {
  static ContainerWriter::Impl& Of(void* data) {
    return *static_cast<ContainerWriter*>(data)->impl_;
  }
  template <typename T>
  static void Ints(void* d, const T* values, int count) {
    WrittenItem* item = Of(d).NewItem();
    for (int i = 0; item && i < count; ++i) {
      PutBigEndian(&item->bytes, static_cast<std::uint32_t>(values[i]),
                   static_cast<int>(sizeof(T)));
      item->words.push_back(std::to_string(values[i]));
    }
  }
  static void Floats(void* d, const float* values, int count) {
    WrittenItem* item = Of(d).NewItem();
    for (int i = 0; item && i < count; ++i) {
      PutBigEndian(&item->bytes, std::bit_cast<std::uint32_t>(values[i]), 4);
      item->words.push_back(FormatFloat(values[i]));
    }
  }
  static void Bytes(void* d, const char* bytes, int count) {
    WrittenItem* item = Of(d).NewItem();
    if (!item || count <= 0) return;
    item->bytes.assign(bytes, static_cast<size_t>(count));
    item->words.push_back(QuoteString(item->bytes));
  }
  static void String(void* d, const char* text) {
    WrittenItem* item = Of(d).NewItem();
    if (!item) return;
    const std::string s = text ? text : "";
    item->bytes = s + '\0';
    item->words.push_back(QuoteString(s));
  }
  static void Id(void* d, const BlockId*) {
    Of(d).Fail("identifier values cannot be written");
  }
  static void Begin(void* d, const BlockId* id, int leaf) {
    ContainerWriter::Impl& w = Of(d);
    if (!id || id->id == 0) return w.Fail("a block was begun without an identifier");
    if (w.open.back()->leaf)
      return w.Fail("block \"" + std::string(id->token ? id->token : "?") +
                    "\" was begun inside leaf block \"" + w.open.back()->token + "\"");
    if (w.form == ContainerForm::kText && (!id->token || !IsTokenWord(id->token)))
      return w.Fail("block has no token usable in the text form");
    auto child = std::make_unique<WrittenBlock>();
    child->id = id->id;
    child->token = id->token ? id->token : "";
    child->leaf = leaf != 0;
    WrittenBlock* raw = child.get();
    w.open.back()->items.push_back({{}, {}, std::move(child)});
    w.open.push_back(raw);
  }
  static void End(void* d) {
    ContainerWriter::Impl& w = Of(d);
    if (w.open.size() == 1) return w.Fail("a block was ended that was never begun");
    w.open.pop_back();
  }
  static int Depth(void* d) { return static_cast<int>(Of(d).open.size()) - 1; }
};

ContainerWriter::ContainerWriter(ContainerForm form)
    : impl_(std::make_unique<Impl>()) {
  impl_->form = form;
  state_.ioMode = form == ContainerForm::kBinary ? kIoBinary : kIoText;
  state_.data = this;
  state_.write = WriterOps::Bytes;
  state_.writeI1 = WriterOps::Ints<std::int8_t>;
  state_.writeI2 = WriterOps::Ints<std::int16_t>;
  state_.writeI4 = WriterOps::Ints<std::int32_t>;
  state_.writeU1 = WriterOps::Ints<std::uint8_t>;
  state_.writeU2 = WriterOps::Ints<std::uint16_t>;
  state_.writeU4 = WriterOps::Ints<std::uint32_t>;
  state_.writeFloat = WriterOps::Floats;
  state_.writeString = WriterOps::String;
  state_.writeId = WriterOps::Id;
  state_.beginBlock = WriterOps::Begin;
  state_.endBlock = WriterOps::End;
  state_.depth = WriterOps::Depth;
}

ContainerWriter::~ContainerWriter() = default;

std::string ContainerWriter::Finish() const {
  if (!impl_->error.empty()) throw ContainerError(impl_->error);
  if (impl_->open.size() > 1)
    throw ContainerError("block \"" + impl_->open.back()->token + "\" was left open");
  std::string out;
  for (const WrittenItem& item : impl_->root.items) {
    if (impl_->form == ContainerForm::kBinary) out += Binary(*item.child);
    else Text(*item.child, 0, &out);
  }
  return out;
}

}  // namespace standin
