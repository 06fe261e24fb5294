#include <cstring>
#include <limits>

#include "standin/saved/container_readers.h"
#include "standin/saved/text_values.h"

namespace standin {
namespace {

std::string At(int line) { return "line " + std::to_string(line) + ": "; }

// Splits a line into words; a double-quoted string is one word. Returns
// false for a string left open.
bool SplitWords(const std::string& line, std::vector<std::string>* words) {
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    size_t j = i;
    if (line[i] == '"') {
      for (++j; j < line.size() && line[j] != '"'; ++j)
        if (line[j] == '\\') ++j;
      if (j >= line.size()) return false;
      ++j;
    } else {
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r')
        ++j;
    }
    words->push_back(line.substr(i, j - i));
    i = j;
  }
  return true;
}

// The range of an integer value of `size` bytes.
std::int64_t Low(int size, bool isSigned) {
  return isSigned ? -(std::int64_t{1} << (8 * size - 1)) : 0;
}
std::int64_t High(int size, bool isSigned) {
  return isSigned ? (std::int64_t{1} << (8 * size - 1)) - 1
                  : (std::int64_t{1} << (8 * size)) - 1;
}

void StoreInt(void* values, int index, int size, std::int64_t v) {
  auto* dest = static_cast<unsigned char*>(values) + static_cast<ptrdiff_t>(index) * size;
  if (size == 1) *dest = static_cast<unsigned char>(v);
  if (size == 2) {
    const auto n = static_cast<std::uint16_t>(v);
    std::memcpy(dest, &n, 2);
  }
  if (size == 4) {
    const auto n = static_cast<std::uint32_t>(v);
    std::memcpy(dest, &n, 4);
  }
}

}  // namespace

TextReader::TextReader(const std::string& text, const std::string& source) {
  blocks_.push_back({"", false, 0, {}});
  std::vector<size_t> open{0};
  int line = 0;
  size_t start = 0;
  try {
    while (start < text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      ++line;
      std::vector<std::string> words;
      if (!SplitWords(text.substr(start, end - start), &words))
        throw ContainerError(At(line) + "string is not closed");
      if (!words.empty() && words[0][0] != '#') ParseLine(words, line, &open);
      start = end + 1;
    }
    if (open.size() > 1) {
      const Block& b = blocks_[open.back()];
      throw ContainerError(At(line) + "block \"" + b.token + "\" opened at line " +
                           std::to_string(b.line) + " is not closed");
    }
  } catch (const ContainerError& e) {
    throw ContainerError(source + ": " + e.what());
  }
  frames_.push_back({0, 0});
}

void TextReader::ParseLine(const std::vector<std::string>& words, int line,
                           std::vector<size_t>* open) {
  const std::string& first = words[0];
  if (first == "}") {
    if (open->size() == 1) throw ContainerError(At(line) + "\"}\" closes no block");
    if (words.size() > 1) throw ContainerError(At(line) + "text after \"}\"");
    open->pop_back();
    return;
  }
  if (first == "{" || IsTokenWord(first)) {
    const bool leaf = first != "{";
    if (!leaf && (words.size() != 2 || !IsTokenWord(words[1])))
      throw ContainerError(At(line) + "\"{\" must be followed by one block token");
    Block block{leaf ? first : words[1], leaf, line, {}};
    if (leaf) {
      for (size_t i = 1; i < words.size(); ++i) {
        if (!IsValueWord(words[i]))
          throw ContainerError(At(line) + "\"" + words[i] +
                               "\" is not a number or a quoted string");
        block.items.push_back({line, words[i], 0});
      }
    }
    blocks_.push_back(std::move(block));
    blocks_[open->back()].items.push_back({line, "", blocks_.size() - 1});
    if (!leaf) open->push_back(blocks_.size() - 1);
    return;
  }
  if (open->size() == 1)
    throw ContainerError(At(line) + "\"" + first + "\" is not a block token");
  for (const std::string& word : words) {
    if (!IsValueWord(word))
      throw ContainerError(At(line) + "\"" + word +
                           "\" is not a number or a quoted string");
    blocks_[open->back()].items.push_back({line, word, 0});
  }
}

void TextReader::Rewind() {
  ContainerReader::Rewind();
  frames_.assign(1, {0, 0});
}

const TextReader::Item* TextReader::NextValue() {
  Frame& frame = frames_.back();
  const Block& block = blocks_[frame.block];
  if (frame.next >= block.items.size() || block.items[frame.next].child != 0)
    return nullptr;
  return &block.items[frame.next++];
}

void TextReader::ShortRead(int wanted, int got) {
  const Block& block = blocks_[frames_.back().block];
  if (frames_.size() == 1) {
    Fail("value read outside any block");
    return;
  }
  Fail(At(block.line) + "block \"" + block.token + "\" holds " +
       std::to_string(got) + " of the " + std::to_string(wanted) +
       " values asked for");
}

template <typename Store>
int TextReader::ReadEach(int count, Store store) {
  int n = 0;
  for (; n < count; ++n) {
    const Item* item = NextValue();
    if (!item) {
      ShortRead(count, n);
      break;
    }
    const std::string refused = store(n, item->word);
    if (!refused.empty()) {
      Fail(At(item->line) + "\"" + item->word + "\" is not a " + refused);
      break;
    }
  }
  return n > 0 ? n : -1;
}

int TextReader::ReadInts(void* values, int count, int size, bool isSigned) {
  return ReadEach(count, [&](int n, const std::string& word) -> std::string {
    const auto v = ParseInteger(word, Low(size, isSigned), High(size, isSigned));
    if (!v) return std::to_string(8 * size) + "-bit " + (isSigned ? "" : "unsigned ") + "integer";
    StoreInt(values, n, size, *v);
    return "";
  });
}

int TextReader::ReadFloats(float* values, int count) {
  return ReadEach(count, [&](int n, const std::string& word) -> std::string {
    const auto v = ParseFloat(word);
    if (!v) return "number";
    values[n] = *v;
    return "";
  });
}

int TextReader::ReadString(char* text, int capacity) {
  const Item* item = NextValue();
  if (!item) {
    ShortRead(1, 0);
    return -1;
  }
  const auto s = UnquoteString(item->word);
  if (!s) {
    Fail(At(item->line) + item->word + " is not a quoted string");
    return -1;
  }
  if (capacity <= 0) return -1;
  const size_t length = std::min(s->size(), static_cast<size_t>(capacity - 1));
  std::memcpy(text, s->data(), length);
  text[length] = '\0';
  return static_cast<int>(length);
}

// Raw bytes are read from a quoted string.
int TextReader::Read(char* bytes, int count) {
  const Item* item = NextValue();
  const auto s = item ? UnquoteString(item->word) : std::nullopt;
  if (!s || s->size() < static_cast<size_t>(std::max(count, 0))) {
    ShortRead(count, s ? static_cast<int>(s->size()) : 0);
    return -1;
  }
  std::memcpy(bytes, s->data(), static_cast<size_t>(count));
  return count;
}

std::uint32_t TextReader::FindBlock(const BlockId* list) {
  Frame& frame = frames_.back();
  const Block& block = blocks_[frame.block];
  while (frame.next < block.items.size()) {
    const Item& item = block.items[frame.next++];
    if (item.child == 0) continue;
    for (const BlockId* entry = list; entry->id != 0; ++entry) {
      if (!entry->token || blocks_[item.child].token != entry->token) continue;
      frames_.push_back({item.child, 0});
      return entry->id;
    }
  }
  return 0;
}

void TextReader::EndBlock() {
  if (frames_.size() > 1) frames_.pop_back();
}

}  // namespace standin
