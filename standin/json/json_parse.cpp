// The one JSON parser of the stand-in host, and key paths.
#include "standin/json/json_parse.h"

#include <cctype>
#include <set>
#include <vector>

namespace standin {
namespace {

using nlohmann::json;

// The parser's own message without its "[json.exception...] " prefix and,
// for syntax errors, without its "parse error at line L, column C: ".
std::string ParserReason(const std::string& what) {
  std::string reason = what;
  const size_t bracket = reason.find("] ");
  if (!reason.empty() && reason[0] == '[' && bracket != std::string::npos) {
    reason = reason.substr(bracket + 2);
  }
  const size_t colon = reason.find(": ");
  if (reason.rfind("parse error", 0) == 0 && colon != std::string::npos) {
    reason = reason.substr(colon + 2);
  }
  return reason;
}

// Where the number the parser quotes ('1e400') first stands in `text`,
// counted from 1, or 0.
size_t QuotedNumberAt(std::string_view text, const std::string& reason) {
  const size_t open = reason.find('\'');
  const size_t close = reason.rfind('\'');
  if (!(open < close)) return 0;
  const size_t at = text.find(reason.substr(open + 1, close - open - 1));
  return at == std::string_view::npos ? 0 : at + 1;
}

bool IsIdentifier(const std::string& key) {
  if (key.empty() || std::isdigit(static_cast<unsigned char>(key[0]))) return false;
  for (char c : key) {
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
  }
  return true;
}

}  // namespace

json ParseJsonText(std::string_view text) {
  // A key given twice in one object would silently lose one of its values.
  std::vector<std::set<std::string>> keys;
  const json::parser_callback_t rejectDuplicates = [&](int, json::parse_event_t event,
                                                       json& parsed) {
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
    if (event == json::parse_event_t::key && !keys.empty() &&
        !keys.back().insert(parsed.get<std::string>()).second) {
      throw JsonTextError(JsonTextError::Kind::kRepeatedKey, 0,
                          "key " + parsed.dump() + " appears twice in one object");
    }
    return true;
  };
  try {
    return json::parse(text, rejectDuplicates);
  } catch (const json::parse_error& e) {
    throw JsonTextError(JsonTextError::Kind::kSyntax, e.byte, ParserReason(e.what()));
  } catch (const json::out_of_range& e) {
    const std::string reason = ParserReason(e.what());
    throw JsonTextError(JsonTextError::Kind::kNumberOverflow, QuotedNumberAt(text, reason),
                        reason);
  }
}

std::pair<size_t, size_t> LineAndColumn(std::string_view text, size_t byte) {
  size_t line = 1, column = 1;
  for (size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return {line, column};
}

std::string KeyPath(const std::string& path, const std::string& key) {
  if (!IsIdentifier(key)) return path + "[" + json(key).dump() + "]";
  return path.empty() ? key : path + "." + key;
}

std::string IndexPath(const std::string& path, size_t index) {
  return path + "[" + std::to_string(index) + "]";
}

}  // namespace standin
