// UTF-8 in text that comes from outside: file names, request bodies.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

// The length of the well-formed UTF-8 sequence starting at text[i] (lead
// byte 0x80 or above), or 0 when it is not one: no overlong forms, no
// surrogates, nothing above U+10FFFF.
size_t Utf8Sequence(std::string_view text, size_t i);

// Whether `text` is well-formed UTF-8 throughout.
bool IsUtf8(std::string_view text);

// `text` as it may be shown and quoted whole, on a terminal or a page:
// well-formed UTF-8 is kept; control characters (C0 and DEL as "\xhh", C1
// as "\u00hh") and bytes that are not UTF-8 ("\xhh") are escaped, so that
// bytes quoted from a file cannot move the cursor or clear the screen.
// Printable(Printable(t)) == Printable(t).
std::string Printable(std::string_view text);

}  // namespace standin
