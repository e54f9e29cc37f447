// The document model of the rich text control: what the RTF reader builds,
// what the RTF writer and the plain-text rendering read, and what plain text
// written into the control becomes.
//
// A document is a list of blocks; a block is a paragraph or a table row; a
// row holds cells, and a cell holds paragraphs. A paragraph is a list of
// inline pieces: runs of text in one character format, pictures, and
// hyperlink fields whose result is again a list of pieces (of text and
// pictures only, so nothing in the model nests deeper than that and every
// walk over it is a plain loop).
//
// Inside text runs a few characters stand for RTF constructs: TAB for \tab
// and kLineBreak for \line. Fonts and colours are values: a format names a
// font by its index into Document::fonts and carries colours as RGB.
#pragma once

#include "text/text.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace skeinlet::detail {

// The character that stands for a line break (\line) inside a text run.
inline constexpr char16_t kLineBreak = u'\v';

// Colours are 0xRRGGBB; kAutoColour is the "auto" colour (entry 0 of a
// colour table, or no colour at all).
using Rgb = std::uint32_t;
inline constexpr Rgb kAutoColour = 0xFFFFFFFFu;

enum class FontFamily : std::uint8_t { Nil, Roman, Swiss, Modern, Script, Decor, Tech, Bidi };

struct FontEntry {
  Text name;
  FontFamily family = FontFamily::Nil;
  int charset = -1;  // \fcharsetN; -1 when not given: the document's code page
  int pitch = 0;      // \fprqN, 0 when not given
  int codePage = 0;   // \cpgN, 0 when not given

  bool operator==(const FontEntry&) const = default;
};

enum class Underline : std::uint8_t { None, Single, Dotted, Double, Word };
enum class Script : std::uint8_t { None, Super, Sub };

struct CharFormat {
  int font = -1;         // index into Document::fonts; -1 for none
  int size = 24;         // half-points
  Rgb colour = kAutoColour;
  Rgb highlight = kAutoColour;
  // One bit each: a document holds a format for every run of text.
  bool bold : 1 = false;
  bool italic : 1 = false;
  bool strike : 1 = false;
  bool caps : 1 = false;
  bool hidden : 1 = false;
  Underline underline = Underline::None;
  Script script = Script::None;
  int lang = 0;          // 0: the document's default language

  bool operator==(const CharFormat&) const = default;
};

enum class Alignment : std::uint8_t { Left, Centre, Right, Justify };
enum class TabKind : std::uint8_t { Left, Centre, Right, Decimal, Bar };

struct TabStop {
  int position = 0;  // twips
  TabKind kind = TabKind::Left;

  bool operator==(const TabStop&) const = default;
};

// Paragraph numbering in the \pn form the control writes.
enum class NumberKind : std::uint8_t {
  None, Bullet, Decimal, LowerLetter, UpperLetter, LowerRoman, UpperRoman
};

struct Numbering {
  NumberKind kind = NumberKind::None;
  int font = -1;      // font of the number text
  int indent = 0;     // \pnindent
  int start = 1;      // \pnstart
  Text before;        // \pntxtb: the bullet, or text before a number
  Text after;         // \pntxta: text after a number

  bool operator==(const Numbering&) const = default;
};

struct ParaFormat {
  Alignment alignment = Alignment::Left;
  int leftIndent = 0;   // twips
  int rightIndent = 0;
  int firstIndent = 0;
  int spaceBefore = 0;
  int spaceAfter = 0;
  int lineSpacing = 0;  // \sl, 0 for single
  bool lineMultiple = false;  // \slmult1
  bool inTable = false;
  std::vector<TabStop> tabs;
  Numbering numbering;

  bool operator==(const ParaFormat&) const = default;
};

struct Picture {
  Text kind = u"pngblip";  // the control word that names the data format
  int kindParam = -1;      // its number (\wmetafile8), -1 when none
  int width = 0;           // \picw
  int height = 0;          // \pich
  int goalWidth = 0;       // \picwgoal
  int goalHeight = 0;      // \pichgoal
  int scaleX = 100;
  int scaleY = 100;
  std::string data;        // the picture's bytes

  bool operator==(const Picture&) const = default;
};

enum class InlineKind : std::uint8_t { Text, Picture, Field };

struct Inline;

struct Field {
  Text instruction;             // e.g. HYPERLINK "http://example.com/"
  std::vector<Inline> result;   // text and pictures only
};

// What a picture or a field piece holds besides its format: its kind and
// the one that names. Text pieces, most of a document, hold none.
struct Embedded {
  InlineKind kind = InlineKind::Picture;
  Picture picture;
  Field field;
};

// A piece of a paragraph: 64 bytes, a long document holding hundreds of
// thousands of them.
struct Inline {
  CharFormat format;
  Text text;                           // Text
  std::unique_ptr<Embedded> embedded;  // Picture, Field

  InlineKind kind() const noexcept { return embedded ? embedded->kind : InlineKind::Text; }
  // An empty one when the piece holds none.
  const Picture& picture() const noexcept { return embedded ? embedded->picture : kNone.picture; }
  const Field& field() const noexcept { return embedded ? embedded->field : kNone.field; }

 private:
  static const Embedded kNone;
};

inline const Embedded Inline::kNone{};
static_assert(sizeof(void*) != 8 || sizeof(Inline) <= 64, "a piece has grown past 64 bytes");

// A value held by many owners at once and never changed in place: a new
// value is assigned whole. The paragraphs of a document carry a handful of
// distinct formats between them, so each holds a pointer to a shared one
// rather than a copy of its own.
template <typename T>
class Shared {
 public:
  Shared() : value_(Default()) {}
  Shared(T value) : value_(std::make_shared<const T>(std::move(value))) {}  // a value converts

  const T& operator*() const noexcept { return *value_; }
  const T* operator->() const noexcept { return value_.get(); }
  bool SameAs(const Shared& other) const noexcept { return value_ == other.value_; }
  bool operator==(const Shared& other) const { return SameAs(other) || *value_ == *other.value_; }

 private:
  static const std::shared_ptr<const T>& Default() {
    static const std::shared_ptr<const T> value = std::make_shared<const T>();
    return value;
  }
  std::shared_ptr<const T> value_;
};

// The number text of a numbered paragraph (what \pntext or \listtext held,
// without its closing tab) and its format.
struct ListMark {
  Text text;
  CharFormat format;
};

struct Paragraph {
  Shared<ParaFormat> format;
  std::vector<Inline> inlines;
  // The format of the paragraph mark: what an empty paragraph is written in.
  CharFormat endFormat;
  // The number text, held apart: most paragraphs have none.
  std::unique_ptr<ListMark> list;

  TextView listText() const noexcept { return list ? TextView(list->text) : TextView(); }
  // The format of the number text; the default format when there is none.
  const CharFormat& listFormat() const noexcept { return list ? list->format : kNoFormat; }

 private:
  static inline const CharFormat kNoFormat{};
};

struct Cell {
  std::vector<Paragraph> paragraphs;
};

struct CellFormat {
  int right = 0;  // \cellx, twips from the row's left edge
  bool borderTop = false, borderLeft = false, borderBottom = false, borderRight = false;

  bool operator==(const CellFormat&) const = default;
};

struct RowFormat {
  int gap = 108;    // \trgaph
  int left = -108;  // \trleft
  Alignment alignment = Alignment::Left;
  std::vector<CellFormat> cells;

  bool operator==(const RowFormat&) const = default;
};

struct Row {
  RowFormat format;
  std::vector<Cell> cells;
};

enum class BlockKind : std::uint8_t { Paragraph, Row };

// A block holds its paragraph or its row on the heap, so that a long
// document's list of blocks is two pointers a block. The reader of a block
// as the other kind gets an empty one.
class Block {
 public:
  Block() = default;
  explicit Block(Paragraph&& paragraph) : paragraph_(std::make_unique<Paragraph>(std::move(paragraph))) {}
  explicit Block(Row&& row) : row_(std::make_unique<Row>(std::move(row))) {}

  BlockKind kind() const noexcept { return row_ ? BlockKind::Row : BlockKind::Paragraph; }
  const Paragraph& paragraph() const noexcept { return paragraph_ ? *paragraph_ : kNoParagraph; }
  const Row& row() const noexcept { return row_ ? *row_ : kNoRow; }

 private:
  static inline const Paragraph kNoParagraph{};
  static inline const Row kNoRow{};

  std::unique_ptr<Paragraph> paragraph_;
  std::unique_ptr<Row> row_;
};

// A page header or footer: read so that its text stays out of the body.
struct HeaderStory {
  Text kind;  // header, headerl, headerr, headerf, footer, ...
  std::vector<Block> blocks;
};

struct RtfDocument {
  int codePage = 1252;       // \ansicpg
  int defaultLanguage = 1033;
  int defaultFont = -1;      // index into fonts, -1 when none
  std::vector<FontEntry> fonts;
  std::vector<Block> body;
  std::vector<HeaderStory> headers;

  // The index of `font` in fonts, added when it is not there yet.
  int AddFont(const FontEntry& font);
};

}  // namespace skeinlet::detail
