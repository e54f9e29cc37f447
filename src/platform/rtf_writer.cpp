#include "platform/rtf_writer.hpp"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/code_page.hpp"
#include "platform/rtf_reader.hpp"

#include <limits>
#include <map>
#include <memory>
#include <tuple>

namespace skeinlet::detail {
namespace {

constexpr TextView kLineEnd = u"\r\n";
constexpr std::size_t kHexLine = 128;

TextView FamilyWord(FontFamily family) {
  switch (family) {
    case FontFamily::Roman: return u"froman";
    case FontFamily::Swiss: return u"fswiss";
    case FontFamily::Modern: return u"fmodern";
    case FontFamily::Script: return u"fscript";
    case FontFamily::Decor: return u"fdecor";
    case FontFamily::Tech: return u"ftech";
    case FontFamily::Bidi: return u"fbidi";
    case FontFamily::Nil: break;
  }
  return u"fnil";
}

// The control word the control writes for a character, if any.
TextView SpecialWord(char16_t c) {
  switch (c) {
    case u'\t': return u"tab";
    case kLineBreak: return u"line";
    case 0x2014: return u"emdash";
    case 0x2013: return u"endash";
    case 0x2018: return u"lquote";
    case 0x2019: return u"rquote";
    case 0x201C: return u"ldblquote";
    case 0x201D: return u"rdblquote";
    case 0x2022: return u"bullet";
    default: return {};
  }
}

char16_t SpecialSymbol(char16_t c) {
  switch (c) {
    case 0x00A0: return u'~';
    case 0x00AD: return u'-';
    case 0x2011: return u'_';
    case u'\\': case u'{': case u'}': return c;
    default: return 0;
  }
}

bool NeedsDelimiter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         c == u' ' || c == u'-';
}

Text LetterNumber(int n, bool upper) {
  Text t;
  if (n < 1) n = 1;
  while (n > 0) {
    --n;
    t.insert(t.begin(), static_cast<char16_t>((upper ? u'A' : u'a') + n % 26));
    n /= 26;
  }
  return t;
}

Text RomanNumber(int n, bool upper) {
  static constexpr std::pair<int, const char*> kParts[] = {
      {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
      {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
  Text t;
  if (n < 1) n = 1;
  if (n > 3999) n = 3999;
  for (const auto& [value, letters] : kParts)
    while (n >= value) {
      for (const char* l = letters; *l != 0; ++l)
        t.push_back(static_cast<char16_t>(upper ? *l - 'a' + 'A' : *l));
      n -= value;
    }
  return t;
}

// Room for about `expected` characters, and an eighth over. A large
// buffer's pages are committed only as they are written, so room that goes
// unused is nearly free, while a text grown by doubling held its old and
// its new buffer at once.
void ReserveAbout(Text& text, std::size_t expected) {
  if (expected <= text.max_size() / 2) text.reserve(expected + expected / 8);
}

class RtfWriter {
 public:
  explicit RtfWriter(const RtfDocument& doc);
  Text Write(std::size_t expectedLength);

 private:
  struct OutFont {
    FontEntry entry;
    int charset = 0;
    int codePage = kDefaultCodePage;
  };

  // Tables.
  int ModelFont(int font) const;
  int UseFont(int font);
  int UseColour(Rgb colour);
  void CollectFormat(const CharFormat& format);
  void CollectParagraph(const Paragraph& p);
  void CollectTables();

  // Output primitives.
  void Word(TextView name);
  void Word(TextView name, long long value);
  void Raw(TextView text) {
    out_.append(text);
    delimit_ = false;
  }
  void Chars(TextView text, int outFont, bool upperHex);
  void Hex(unsigned char byte, bool upper);
  CodePageEncoder& Encoder(int codePage);

  // Structure.
  void WriteHeader();
  void WriteParagraph(const Paragraph& p, bool lastInCell, bool markFormat = true);
  void WriteParagraphFormat(const Paragraph& p);
  void WriteListText(const Paragraph& p);
  void WriteNumbering(const Paragraph& p);
  void WriteCharFormat(const CharFormat& format);
  void WriteInlines(const std::vector<Inline>& inlines);
  void WritePicture(const Picture& picture);
  void WriteField(const Inline& piece);
  void WriteRow(const Row& row);

  const RtfDocument& doc_;
  std::vector<FontEntry> fonts_;  // the document's fonts and the control's default
  int fallbackFont_ = 0;
  std::vector<int> fontNumbers_;  // model font -> output number, -1 unused
  std::vector<OutFont> outFonts_;
  std::map<std::tuple<Text, int, int, int>, int> outFontIndex_;
  std::vector<Rgb> colours_;
  std::map<Rgb, int> colourIndex_;
  std::map<int, std::unique_ptr<CodePageEncoder>> encoders_;

  Text out_;
  bool delimit_ = false;  // a control word waits for its delimiter
  CharFormat cur_;        // font as output number, lang resolved
  bool curKnown_ = false;
  Shared<ParaFormat> para_;
  bool paraKnown_ = false;
  Numbering lastNumbering_;
  int counter_ = 0;
};

RtfWriter::RtfWriter(const RtfDocument& doc) : doc_(doc), fonts_(doc.fonts) {
  fallbackFont_ = static_cast<int>(fonts_.size());
  fonts_.push_back(DefaultControlFont());
  fontNumbers_.assign(fonts_.size(), -1);
}

int RtfWriter::ModelFont(int font) const {
  if (font >= 0 && font < fallbackFont_) return font;
  if (doc_.defaultFont >= 0 && doc_.defaultFont < fallbackFont_) return doc_.defaultFont;
  return fallbackFont_;
}

int RtfWriter::UseFont(int font) {
  const int model = ModelFont(font);
  if (fontNumbers_[model] >= 0) return fontNumbers_[model];
  const FontEntry& entry = fonts_[model];
  OutFont out{entry, entry.charset, kDefaultCodePage};
  if (entry.codePage > 0) {
    out.charset = CharsetOfCodePage(entry.codePage);
  } else if (CodePageOfCharset(entry.charset) == 0) {
    // The default set, or one without a code page: the text was read in the
    // document's code page, so the font says that page.
    out.charset = CharsetOfCodePage(doc_.codePage);
  }
  out.codePage = CodePageOfCharset(out.charset);
  if (out.codePage == 0) out.codePage = kDefaultCodePage;
  out.entry.charset = out.charset;
  out.entry.codePage = 0;
  const auto key = std::make_tuple(out.entry.name, static_cast<int>(out.entry.family),
                                   out.entry.charset, out.entry.pitch);
  auto found = outFontIndex_.find(key);
  int number;
  if (found != outFontIndex_.end()) {
    number = found->second;
  } else {
    number = static_cast<int>(outFonts_.size());
    outFonts_.push_back(std::move(out));
    outFontIndex_.emplace(key, number);
  }
  fontNumbers_[model] = number;
  return number;
}

int RtfWriter::UseColour(Rgb colour) {
  if (colour == kAutoColour) return 0;
  auto found = colourIndex_.find(colour);
  if (found != colourIndex_.end()) return found->second;
  colours_.push_back(colour);
  const int index = static_cast<int>(colours_.size());
  colourIndex_.emplace(colour, index);
  return index;
}

void RtfWriter::CollectFormat(const CharFormat& format) {
  UseFont(format.font);
  UseColour(format.colour);
  UseColour(format.highlight);
}

void RtfWriter::CollectParagraph(const Paragraph& p) {
  for (const Inline& piece : p.inlines) {
    if (piece.kind() == InlineKind::Field) {
      for (const Inline& r : piece.field().result) CollectFormat(r.format);
    } else {
      CollectFormat(piece.format);
    }
  }
  CollectFormat(p.endFormat);
  // The fonts of number texts come after the text's own, so that a list
  // keeps the text font as \f0.
  if (!p.listText().empty()) UseFont(p.listFormat().font);
  if (p.format->numbering.kind != NumberKind::None)
    UseFont(p.format->numbering.font >= 0 ? p.format->numbering.font : p.listFormat().font);
}

void RtfWriter::CollectTables() {
  for (const Block& block : doc_.body) {
    if (block.kind() == BlockKind::Paragraph) {
      CollectParagraph(block.paragraph());
      continue;
    }
    for (const Cell& cell : block.row().cells)
      for (const Paragraph& p : cell.paragraphs) CollectParagraph(p);
  }
  if (outFonts_.empty()) UseFont(-1);
}

void RtfWriter::Word(TextView name) {
  out_.push_back(u'\\');
  out_.append(name);
  delimit_ = true;
}

void RtfWriter::Word(TextView name, long long value) {
  Word(name);
  out_.append(NumberText(value));
}

void RtfWriter::Hex(unsigned char byte, bool upper) {
  const char16_t* digits = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
  out_.append(u"\\'");
  out_.push_back(digits[byte >> 4]);
  out_.push_back(digits[byte & 15]);
  delimit_ = false;
}

CodePageEncoder& RtfWriter::Encoder(int codePage) {
  auto& slot = encoders_[codePage];
  if (!slot) slot = std::make_unique<CodePageEncoder>(codePage);
  return *slot;
}

void RtfWriter::Chars(TextView text, int outFont, bool upperHex) {
  CodePageEncoder& encoder = Encoder(outFonts_[outFont].codePage);
  std::string bytes;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}') {
      if (delimit_) {
        // The blank that ends a control word comes before any text, as
        // the control writes it; number texts keep punctuation tight.
        if (!upperHex || NeedsDelimiter(c)) out_.push_back(u' ');
        delimit_ = false;
      }
      out_.push_back(c);
      continue;
    }
    if (const TextView word = SpecialWord(c); !word.empty()) {
      Word(word);
      continue;
    }
    if (const char16_t symbol = SpecialSymbol(c); symbol != 0) {
      out_.push_back(u'\\');
      out_.push_back(symbol);
      delimit_ = false;
      continue;
    }
    if (c < 0x20 || c == 0x7F) continue;
    bytes.clear();
    if (encoder.Encode(c, bytes)) {
      for (char b : bytes) Hex(static_cast<unsigned char>(b), upperHex);
      continue;
    }
    Word(u"u", c);
    out_.push_back(u'?');
    delimit_ = false;
  }
}

void RtfWriter::WriteHeader() {
  Raw(u"{\\rtf1\\ansi\\ansicpg1252\\deff0");
  Word(u"deflang", doc_.defaultLanguage);
  Raw(u"{\\fonttbl");
  for (std::size_t i = 0; i < outFonts_.size(); ++i) {
    const FontEntry& f = outFonts_[i].entry;
    Raw(u"{");
    Word(u"f", static_cast<long long>(i));
    Word(FamilyWord(f.family));
    if (f.pitch > 0) Word(u"fprq", f.pitch);
    Word(u"fcharset", f.charset);
    Chars(f.name, static_cast<int>(i), false);
    Raw(u";}");
  }
  Raw(u"}");
  Raw(kLineEnd);
  if (!colours_.empty()) {
    Raw(u"{\\colortbl ;");
    for (Rgb c : colours_) {
      Word(u"red", c >> 16 & 0xFF);
      Word(u"green", c >> 8 & 0xFF);
      Word(u"blue", c & 0xFF);
      Raw(u";");
    }
    Raw(u"}");
    Raw(kLineEnd);
  }
  Raw(u"\\viewkind4\\uc1");
  delimit_ = true;
}

void RtfWriter::WriteCharFormat(const CharFormat& format) {
  CharFormat next = format;
  next.font = UseFont(format.font);
  if (next.lang == 0) next.lang = doc_.defaultLanguage;
  CharFormat prev = cur_;
  if (!curKnown_) {
    prev = CharFormat{};
    prev.font = -1;
    prev.size = -1;
    prev.lang = doc_.defaultLanguage;
  }
  if (next.colour != prev.colour) Word(u"cf", UseColour(next.colour));
  if (next.highlight != prev.highlight) Word(u"highlight", UseColour(next.highlight));
  if (next.underline != prev.underline) {
    switch (next.underline) {
      case Underline::None: Word(u"ulnone"); break;
      case Underline::Single: Word(u"ul"); break;
      case Underline::Dotted: Word(u"uld"); break;
      case Underline::Double: Word(u"uldb"); break;
      case Underline::Word: Word(u"ulw"); break;
    }
  }
  if (next.bold != prev.bold) Word(next.bold ? u"b" : u"b0");
  if (next.italic != prev.italic) Word(next.italic ? u"i" : u"i0");
  if (next.strike != prev.strike) Word(next.strike ? u"strike" : u"strike0");
  if (next.script != prev.script) {
    switch (next.script) {
      case Script::None: Word(u"nosupersub"); break;
      case Script::Super: Word(u"super"); break;
      case Script::Sub: Word(u"sub"); break;
    }
  }
  if (next.caps != prev.caps) Word(next.caps ? u"caps" : u"caps0");
  if (next.hidden != prev.hidden) Word(next.hidden ? u"v" : u"v0");
  if (next.lang != prev.lang) Word(u"lang", next.lang);
  if (next.font != prev.font) Word(u"f", next.font);
  if (next.size != prev.size) Word(u"fs", next.size);
  cur_ = next;
  curKnown_ = true;
}

void RtfWriter::WriteListText(const Paragraph& p) {
  const Numbering& n = p.format->numbering;
  Text text(p.listText());
  int font = p.listFormat().font;
  if (text.empty()) {
    font = n.font >= 0 ? n.font : p.listFormat().font;
    // The count goes on from one numbered paragraph to the next of the same
    // numbering, and stops at the end of the number range.
    if (n.kind == lastNumbering_.kind && n == lastNumbering_) {
      if (counter_ < std::numeric_limits<int>::max()) ++counter_;
    }
    else counter_ = n.start;
    lastNumbering_ = n;
    switch (n.kind) {
      case NumberKind::Bullet: text = n.before.empty() ? Text(1, char16_t{0xB7}) : n.before; break;
      case NumberKind::Decimal: text = n.before + NumberText(counter_) + n.after; break;
      case NumberKind::LowerLetter: text = n.before + LetterNumber(counter_, false) + n.after; break;
      case NumberKind::UpperLetter: text = n.before + LetterNumber(counter_, true) + n.after; break;
      case NumberKind::LowerRoman: text = n.before + RomanNumber(counter_, false) + n.after; break;
      case NumberKind::UpperRoman: text = n.before + RomanNumber(counter_, true) + n.after; break;
      case NumberKind::None: break;
    }
  }
  const int number = UseFont(font);
  Raw(u"{");
  Word(u"pntext");
  Word(u"f", number);
  Chars(text, number, true);
  Word(u"tab");
  Raw(u"}");
}

void RtfWriter::WriteNumbering(const Paragraph& p) {
  const Numbering& n = p.format->numbering;
  const int number = UseFont(n.font >= 0 ? n.font : p.listFormat().font);
  Raw(u"{\\*");
  if (n.kind == NumberKind::Bullet) {
    Word(u"pn");
    Word(u"pnlvlblt");
    Word(u"pnf", number);
    Word(u"pnindent", n.indent);
    Raw(u"{");
    Word(u"pntxtb");
    Chars(n.before.empty() ? Text(1, char16_t{0xB7}) : n.before, number, true);
    Raw(u"}}");
    return;
  }
  Word(u"pn");
  Word(u"pnlvlbody");
  Word(u"pnf", number);
  Word(u"pnindent", n.indent);
  Word(u"pnstart", n.start);
  switch (n.kind) {
    case NumberKind::LowerLetter: Word(u"pnlcltr"); break;
    case NumberKind::UpperLetter: Word(u"pnucltr"); break;
    case NumberKind::LowerRoman: Word(u"pnlcrm"); break;
    case NumberKind::UpperRoman: Word(u"pnucrm"); break;
    default: Word(u"pndec"); break;
  }
  if (!n.before.empty()) {
    Raw(u"{");
    Word(u"pntxtb");
    Chars(n.before, number, true);
    Raw(u"}");
  }
  if (!n.after.empty()) {
    Raw(u"{");
    Word(u"pntxta");
    Chars(n.after, number, true);
    Raw(u"}");
  }
  Raw(u"}");
}

void RtfWriter::WriteParagraphFormat(const Paragraph& p) {
  const ParaFormat& f = *p.format;
  Word(u"pard");
  if (f.numbering.kind != NumberKind::None || !p.listText().empty()) WriteListText(p);
  if (f.numbering.kind != NumberKind::None) WriteNumbering(p);
  if (f.inTable) Word(u"intbl");
  switch (f.alignment) {
    case Alignment::Centre: Word(u"qc"); break;
    case Alignment::Right: Word(u"qr"); break;
    case Alignment::Justify: Word(u"qj"); break;
    case Alignment::Left: break;
  }
  if (f.firstIndent != 0) Word(u"fi", f.firstIndent);
  if (f.leftIndent != 0) Word(u"li", f.leftIndent);
  if (f.rightIndent != 0) Word(u"ri", f.rightIndent);
  if (f.spaceBefore != 0) Word(u"sb", f.spaceBefore);
  if (f.spaceAfter != 0) Word(u"sa", f.spaceAfter);
  if (f.lineSpacing != 0) {
    Word(u"sl", f.lineSpacing);
    Word(u"slmult", f.lineMultiple ? 1 : 0);
  }
  for (const TabStop& tab : f.tabs) {
    switch (tab.kind) {
      case TabKind::Right: Word(u"tqr"); break;
      case TabKind::Centre: Word(u"tqc"); break;
      case TabKind::Decimal: Word(u"tqdec"); break;
      case TabKind::Left: case TabKind::Bar: break;
    }
    Word(tab.kind == TabKind::Bar ? u"tb" : u"tx", tab.position < 0 ? 0 : tab.position);
  }
}

void RtfWriter::WriteParagraph(const Paragraph& p, bool lastInCell, bool markFormat) {
  if (!paraKnown_ || !(p.format == para_)) {
    WriteParagraphFormat(p);
    para_ = p.format;
    paraKnown_ = true;
  } else if (p.format->numbering.kind != NumberKind::None || !p.listText().empty()) {
    WriteListText(p);
  }
  WriteInlines(p.inlines);
  // The paragraph mark has a format of its own, as in the control.
  if (markFormat) WriteCharFormat(p.endFormat);
  if (lastInCell) {
    Word(u"cell");
    return;
  }
  Word(u"par");
  Raw(kLineEnd);
}

void RtfWriter::WriteInlines(const std::vector<Inline>& inlines) {
  for (const Inline& piece : inlines) {
    switch (piece.kind()) {
      case InlineKind::Text:
        WriteCharFormat(piece.format);
        Chars(piece.text, cur_.font, false);
        break;
      case InlineKind::Picture:
        WriteCharFormat(piece.format);
        WritePicture(piece.picture());
        break;
      case InlineKind::Field:
        WriteField(piece);
        break;
    }
  }
}

void RtfWriter::WritePicture(const Picture& picture) {
  Raw(u"{\\pict");
  if (picture.kindParam >= 0) Word(picture.kind, picture.kindParam);
  else Word(picture.kind);
  Word(u"picw", picture.width);
  Word(u"pich", picture.height);
  Word(u"picwgoal", picture.goalWidth);
  Word(u"pichgoal", picture.goalHeight);
  if (picture.scaleX != 100 || picture.scaleY != 100) {
    Word(u"picscalex", picture.scaleX);
    Word(u"picscaley", picture.scaleY);
  }
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  out_.reserve(out_.size() + picture.data.size() * 2 + picture.data.size() / 64 * 2 + 4);
  for (std::size_t i = 0; i < picture.data.size(); ++i) {
    if (i % (kHexLine / 2) == 0) out_.append(kLineEnd);
    const auto b = static_cast<unsigned char>(picture.data[i]);
    out_.push_back(kDigits[b >> 4]);
    out_.push_back(kDigits[b & 15]);
  }
  Raw(u"}");
}

void RtfWriter::WriteField(const Inline& piece) {
  const Field& field = piece.field();
  Raw(u"{\\field{\\*\\fldinst{");
  Chars(field.instruction, curKnown_ ? cur_.font : 0, false);
  Raw(u"}}{\\fldrslt{");
  const CharFormat saved = cur_;
  const bool savedKnown = curKnown_;
  WriteInlines(field.result);
  Raw(u"}}}");
  // The field's groups end its formatting.
  cur_ = saved;
  curKnown_ = savedKnown;
}

void RtfWriter::WriteRow(const Row& row) {
  const RowFormat& f = row.format;
  Word(u"trowd");
  Word(u"trgaph", f.gap);
  Word(u"trleft", f.left);
  if (f.alignment == Alignment::Centre) Word(u"trqc");
  if (f.alignment == Alignment::Right) Word(u"trqr");
  int right = f.cells.empty() ? f.left : f.cells.back().right;
  for (const CellFormat& cell : f.cells) {
    auto border = [&](bool on, TextView word) {
      if (!on) return;
      Word(word);
      Word(u"brdrw", 10);
      Word(u"brdrs");
    };
    border(cell.borderTop, u"clbrdrt");
    border(cell.borderLeft, u"clbrdrl");
    border(cell.borderBottom, u"clbrdrb");
    border(cell.borderRight, u"clbrdrr");
    Word(u"cellx", cell.right);
  }
  for (std::size_t i = f.cells.size(); i < row.cells.size(); ++i) {
    // A cell without a format of its own is an inch wide; a boundary that is
    // already at the end of the number range stays there.
    right = right > std::numeric_limits<int>::max() - 1440 ? std::numeric_limits<int>::max() : right + 1440;
    Word(u"cellx", right);
  }
  for (const Cell& cell : row.cells) {
    if (cell.paragraphs.empty()) {
      Paragraph empty;
      ParaFormat inTable;
      inTable.inTable = true;
      empty.format = std::move(inTable);
      WriteParagraph(empty, true, curKnown_ == false);
      continue;
    }
    for (std::size_t i = 0; i < cell.paragraphs.size(); ++i)
      WriteParagraph(cell.paragraphs[i], i + 1 == cell.paragraphs.size());
  }
  Word(u"row");
  Raw(kLineEnd);
}

Text RtfWriter::Write(std::size_t expectedLength) {
  CollectTables();
  // The header needs the tables, which the body completes, so it is written
  // last. The body is written behind room for it, and the header takes the
  // place of that room: the long body then moves within its own buffer
  // instead of being copied into a new one twice its size, which held the
  // document's RTF twice at once.
  constexpr std::size_t kHeaderRoom = 4096;
  ReserveAbout(out_, expectedLength < out_.max_size() ? kHeaderRoom + expectedLength : expectedLength);
  out_.assign(kHeaderRoom, u' ');
  {
    // Write the body first so that every font and colour is known.
    for (const Block& block : doc_.body) {
      if (block.kind() == BlockKind::Paragraph) WriteParagraph(block.paragraph(), false);
      else WriteRow(block.row());
    }
    if (doc_.body.empty()) {
      Paragraph empty;
      CharFormat format;
      format.font = doc_.defaultFont;
      empty.endFormat = format;
      WriteParagraph(empty, false);
    }
  }
  Text body = std::move(out_);
  out_.clear();
  WriteHeader();
  // The body began right after "\viewkind4\uc1" and starts with "\pard".
  body.replace(0, kHeaderRoom, out_);
  body.append(u"}");
  body.append(kLineEnd);
  out_.clear();
  return body;
}

}  // namespace

Text WriteRtf(const RtfDocument& doc, std::size_t expectedLength) {
  return RtfWriter(doc).Write(expectedLength);
}

namespace {

// The plain text of `doc`; `done(b)` is called once block b has been read.
template <class Done>
Text PlainTextOf(const RtfDocument& doc, std::size_t expectedLength, Done done) {
  Text out;
  ReserveAbout(out, expectedLength);
  auto appendRun = [&out](const Inline& run) {
    if (run.kind() != InlineKind::Text || run.format.hidden) return;
    TextView text = run.text;
    for (std::size_t br = text.find(kLineBreak); br != TextView::npos; br = text.find(kLineBreak)) {
      out.append(text.substr(0, br));
      out.append(u"\r\n");
      text.remove_prefix(br + 1);
    }
    out.append(text);
  };
  auto appendParagraph = [&](const Paragraph& p) {
    for (const Inline& piece : p.inlines) {
      if (piece.kind() == InlineKind::Field) {
        for (const Inline& r : piece.field().result) appendRun(r);
      } else {
        appendRun(piece);
      }
    }
  };
  for (std::size_t b = 0; b < doc.body.size(); ++b) {
    const Block& block = doc.body[b];
    if (block.kind() == BlockKind::Paragraph) {
      appendParagraph(block.paragraph());
      if (b + 1 < doc.body.size()) out.append(u"\r\n");
      done(b);
      continue;
    }
    const auto& cells = block.row().cells;
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) out.push_back(u'\t');
      const auto& paragraphs = cells[c].paragraphs;
      for (std::size_t p = 0; p < paragraphs.size(); ++p) {
        if (p > 0) out.append(u"\r\n");
        appendParagraph(paragraphs[p]);
      }
    }
    out.append(u"\r\n");
    done(b);
  }
  return out;
}

// Gives the memory of the pieces released so far back to the system where
// the C library can: they are many small blocks, which it otherwise keeps
// for the process, while the text being written takes new pages.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace

Text PlainText(const RtfDocument& doc, std::size_t expectedLength) {
  return PlainTextOf(doc, expectedLength, [](std::size_t) {});
}

Text TakePlainText(RtfDocument& doc, std::size_t expectedLength) {
  // Every so many blocks, the ones read are released.
  constexpr std::size_t kReleaseEvery = 8192;
  Text out = PlainTextOf(doc, expectedLength, [&doc](std::size_t b) {
    doc.body[b] = Block{};
    if ((b + 1) % kReleaseEvery == 0) ReturnFreedMemory();
  });
  doc = RtfDocument{};
  return out;
}

}  // namespace skeinlet::detail
