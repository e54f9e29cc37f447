// Extents of elements in the working HTML, shared by the whole-text passes
// of HTMLRTFConverter. All searches are case-insensitive, which is the same
// as searching the upper-cased text.
//
//   ElementLength(u"<td><table><td>x</td></table></td><td>", 1, u"TD")
//   // 34: the first cell with its nested table, through "</td>"
//
// A tag name matches only as a whole name: "<P" does not find "<PRE".
// They read the text only: the passes and the style sheets run before the
// walk, so nothing here looks at the table stack.
#pragma once

#include "text/text.hpp"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace skeinlet::detail::extent {

// Position of the next start tag "<" + name at or after `from`, 0 if none.
Pos FindStartTag(TextView text, Pos from, TextView name);
// Position of the next end tag "</" + name at or after `from`, 0 if none.
Pos FindEndTag(TextView text, Pos from, TextView name);

// Position of the "<" of the end tag that closes the element whose start
// tag is the first "<" + name at or after `start`; 0 when it is never
// closed or there is no such start tag.
Pos ClosingTag(TextView text, Pos start, TextView name);
// Length of the element whose start tag is the first "<" + name at or after
// `start`, counted from `start` through the ">" of the end tag that closes
// it (nested elements of the same name counted). An element that is never
// closed runs to the end of the text; 0 when there is no such start tag.
Pos ElementLength(TextView text, Pos start, TextView name);
// The text of that element from the start of `text`.
Text ExtractElement(TextView text, TextView name);

// The row that starts at `start` (its "<TR"): up to and including its
// "</TR>", else up to the next "<TR" or the end of the table; tables nested
// in its cells are stepped over. `limit` is the last position of the table.
Pos RowLength(TextView text, Pos start, Pos limit);
// The cell that starts at `start` (its "<TD"): through its "</TD>", else up
// to the next "<TD", the end of the row or of the table.
Pos CellLength(TextView text, Pos start, Pos limit);

// One tag of a text: a start tag "<" + letter or an end tag "</" + letter.
struct BodyTag {
  Pos Start;      // its "<"
  Pos End;        // its ">"
  TextView Name;  // upper case; held by the TagList the tag belongs to
  bool Closing;
};
// The tags of a text, each name held once for all the tags that share it
// (a long document has a million tags and a few dozen names). A tag is
// kept in 24 bytes, its name as a number, and handed out as a BodyTag.
class TagList {
 public:
  TagList() = default;
  TagList(TagList&&) = default;
  TagList& operator=(TagList&&) = default;
  TagList(const TagList&) = delete;  // the tags' names point into this list
  TagList& operator=(const TagList&) = delete;

  std::size_t size() const noexcept { return tags_.size(); }
  // The number of distinct names, and tag i's name as a number below it.
  std::size_t NameCount() const noexcept { return nameViews_.size(); }
  std::uint32_t NameIndex(std::size_t i) const noexcept { return tags_[i].Name; }
  BodyTag operator[](std::size_t i) const noexcept {
    const Packed& t = tags_[i];
    return {t.Start, t.End, nameViews_[t.Name], t.Closing};
  }

 private:
  friend TagList ReadTags(const Text& html);
  struct Packed {
    Pos Start;
    Pos End;
    std::uint32_t Name;  // index into nameViews_
    bool Closing;
  };
  static_assert(sizeof(Packed) == 24);
  std::vector<Packed> tags_;
  // Its elements keep their place when the map grows or the list moves.
  std::unordered_map<Text, std::uint32_t> names_;
  std::vector<TextView> nameViews_;  // the keys of names_, by index
};
// Every tag, left to right; reading stops at a "<" with no ">" after it.
TagList ReadTags(const Text& html);
// For each start tag of `tags`, the position of the "<" where its element
// ends: the end tag that pairs with it (start and end tags of one name
// paired as nested brackets), else the next start tag of its name, else
// "</BODY" when that comes later, else one past the end of the text. 0 for
// end tags.
std::vector<Pos> ElementEnds(const Text& html, const TagList& tags);
// The value of NAME= or NAME = in an upper-cased tag: double-quoted (or
// apostrophe-quoted when `apostrophes`), or up to the next blank or ">";
// "" when absent.
Text AttributeValue(TextView tag, TextView name, bool apostrophes = false);

}  // namespace skeinlet::detail::extent
