#include "tables/cell_boundaries.hpp"

#include "text/numeric.hpp"
#include "text/rules.hpp"

namespace skeinlet::detail {

Text MarkCellBoundaries(Text rtf) {
  constexpr TextView kWord = u"\\cellx";
  // A "\cellx" whose word does not give a number that can be replaced stays,
  // and the search steps past it; otherwise it would be found again for
  // ever. That covers a word that is not numeric ("\cellx\cell") and one
  // that is numeric only after its blanks are stripped ("\cellx9690 2" gives
  // "96902", and "\cellx96902" does not occur).
  Pos from = 1;
  while (from <= Len(rtf)) {
    const Pos p = InStr(from, rtf, kWord, Compare::Text);
    if (p == 0) break;
    Pos q = InStr(p + 1, rtf, u"\\", Compare::Text);
    if (q - p > 15) q = InStr(p + 1, rtf, u" ", Compare::Text);
    Text word;
    if (q == 0) {
      if (Len(rtf) >= p + 10) break;
      word = Mid(rtf, p);
    } else {
      word = Mid(rtf, p, q - p);
    }
    ReplaceIn(word, u"\\cellx", u"");
    ReplaceIn(word, u"cellx", u"");
    ReplaceIn(word, u"\\", u"");
    ReplaceIn(word, u" ", u"");
    word = Trim(word);
    if (IsNumeric(word) &&
        ReplaceIn(rtf, Text(kWord) + word, CellBoundaryMark, Compare::Text) > 0) {
      from = 1;
    } else {
      from = p + 1;
    }
  }
  return rtf;
}

}  // namespace skeinlet::detail
