// Reading JSON text for scenes and eval lines: one parser that refuses a key
// given twice in one object and reduces the parser's complaints to plain
// reasons, and the key paths ("objects[1].size", "inputs[\"U Glossiness\"]")
// that messages name a value by.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace standin {

// Text that is not JSON. what() is the reason alone; the caller adds where.
class JsonTextError : public std::runtime_error {
 public:
  enum class Kind {
    kSyntax,          // not JSON at `byte`
    kNumberOverflow,  // a number beyond a double's range, at `byte` if found
    kRepeatedKey,     // a key given twice in one object
  };
  JsonTextError(Kind what, std::size_t at, const std::string& reason)
      : std::runtime_error(reason), kind(what), byte(at) {}

  Kind kind;
  std::size_t byte;  // counted from 1; 0 when the place is not known
};

// Parses `text` as one JSON value. Throws JsonTextError.
nlohmann::json ParseJsonText(std::string_view text);

// Line and column (from 1) of the byte at offset `byte` (counted from 1).
std::pair<std::size_t, std::size_t> LineAndColumn(std::string_view text, std::size_t byte);

// path + "." + key, or path + "[\"key\"]" for keys that are not identifiers;
// the key alone at the top level.
std::string KeyPath(const std::string& path, const std::string& key);
// path + "[index]".
std::string IndexPath(const std::string& path, std::size_t index);

}  // namespace standin
