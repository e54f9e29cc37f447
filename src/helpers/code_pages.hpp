// The code-page character tables: "\'80" to "\'ff" escapes to characters
// or numeric character references, by the Western, Greek or Turkish table.
//
//   DecodeWesternEscapes(u"caf\\'e9")          -> u"café"
//   State().Language = u"greek";
//   DecodeHexEscapes(u"\\'e1\\'e2", u"")        -> u"&#945;&#946;"
//
// Each table is applied as one case-insensitive replace-all per escape, in
// ascending order from "\'80" to "\'ff".
#pragma once

#include "text/rules.hpp"
#include "text/text.hpp"

#include <span>

namespace skeinlet::detail {

// Chooses the table by State().Language and the language words of
// `context` and of `text` itself.
Text DecodeHexEscapes(Text text, TextView context);

// The Western table; "\'b7" stays when the text holds "\'b7\tab".
Text DecodeWesternEscapes(Text text);

// Applies rules that each find one escape ("\'" and two hexadecimal
// digits) as ApplyRules does, from one scan of the escapes the text holds
// instead of a search per rule. The tables above go through it.
void ApplyEscapeRules(Text& text, std::span<const Rule> rules);

}  // namespace skeinlet::detail
