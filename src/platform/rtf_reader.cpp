#include "platform/rtf_reader.hpp"

#include "platform/code_page.hpp"
#include "platform/rtf_tokenizer.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

namespace skeinlet::detail {
namespace {

// --- The control words the reader knows, in one sorted table. ---

enum class WordKind : std::uint8_t {
  Destination,  // starts a destination for the rest of its group
  Toggle,       // a character property: no number or a non-zero one turns it on
  Value,        // takes a number
  Flag,         // no number, or the number does not matter
  Character,    // stands for one character
};

enum class Id : std::uint8_t {
  // destinations
  FontTable, ColourTable, Skip, Picture, Field, FieldInstruction, FieldResult,
  ListText, Numbering, NumberingBefore, NumberingAfter, Header, Transparent,
  Object, ObjectResult, Alternatives, UnicodeAlternative,
  // toggles
  Bold, Italic, Strike, Caps, Hidden, Underline, UnderlineDotted, UnderlineDouble,
  UnderlineWord,
  // values
  Font, FontSize, Colour, Highlight, Lang, UnicodeCount, Unicode, LeftIndent,
  RightIndent, FirstIndent, SpaceBefore, SpaceAfter, LineSpacing, LineMultiple,
  TabPosition, BarTab, CellRight, RowGap, RowLeft, AnsiCodePage, DefaultFont,
  DefaultLang, FontCharset, FontPitch, FontCodePage, Red, Green, Blue,
  NumberFont, NumberIndent, NumberStart, PicWidth, PicHeight, PicGoalWidth,
  PicGoalHeight, PicScaleX, PicScaleY, PicKind,
  // flags
  Par, Pard, Plain, Cell, Row, NestCell, NestRow, RowDefaults, InTable,
  AlignLeft, AlignCentre, AlignRight, AlignJustify, TabRight, TabCentre,
  TabDecimal, Super, Sub, NoSuperSub, UnderlineNone, Ansi, Mac, Pc, Pca,
  FamilyNil, FamilyRoman, FamilySwiss, FamilyModern, FamilyScript, FamilyDecor,
  FamilyTech, FamilyBidi, NumberBullet, NumberBody, NumberDecimal,
  NumberLowerLetter, NumberUpperLetter, NumberLowerRoman, NumberUpperRoman,
  RowCentre, RowRight, RowLeftAlign, CellBorderTop, CellBorderLeft,
  CellBorderBottom, CellBorderRight, OtherBorder, BorderStyle, BorderNone,
  // characters
  Char,
};

struct WordEntry {
  std::u16string_view name;
  WordKind kind;
  Id id;
  char16_t character = 0;
};

using K = WordKind;

constexpr WordEntry kWords[] = {
    {u"aftncn", K::Destination, Id::Skip},
    {u"aftnsep", K::Destination, Id::Skip},
    {u"aftnsepc", K::Destination, Id::Skip},
    {u"annotation", K::Destination, Id::Skip},
    {u"ansi", K::Flag, Id::Ansi},
    {u"ansicpg", K::Value, Id::AnsiCodePage},
    {u"atnauthor", K::Destination, Id::Skip},
    {u"atndate", K::Destination, Id::Skip},
    {u"atnid", K::Destination, Id::Skip},
    {u"atnref", K::Destination, Id::Skip},
    {u"atrfend", K::Destination, Id::Skip},
    {u"atrfstart", K::Destination, Id::Skip},
    {u"author", K::Destination, Id::Skip},
    {u"b", K::Toggle, Id::Bold},
    {u"bkmkend", K::Destination, Id::Skip},
    {u"bkmkstart", K::Destination, Id::Skip},
    {u"blipuid", K::Destination, Id::Skip},
    {u"blue", K::Value, Id::Blue},
    {u"box", K::Flag, Id::OtherBorder},
    {u"brdrb", K::Flag, Id::OtherBorder},
    {u"brdrdash", K::Flag, Id::BorderStyle},
    {u"brdrdb", K::Flag, Id::BorderStyle},
    {u"brdrdot", K::Flag, Id::BorderStyle},
    {u"brdrhair", K::Flag, Id::BorderStyle},
    {u"brdrl", K::Flag, Id::OtherBorder},
    {u"brdrnone", K::Flag, Id::BorderNone},
    {u"brdrr", K::Flag, Id::OtherBorder},
    {u"brdrs", K::Flag, Id::BorderStyle},
    {u"brdrsh", K::Flag, Id::BorderStyle},
    {u"brdrt", K::Flag, Id::OtherBorder},
    {u"brdrth", K::Flag, Id::BorderStyle},
    {u"brdrtriple", K::Flag, Id::BorderStyle},
    {u"bullet", K::Character, Id::Char, 0x2022},
    {u"buptim", K::Destination, Id::Skip},
    {u"caps", K::Toggle, Id::Caps},
    {u"category", K::Destination, Id::Skip},
    {u"cb", K::Value, Id::Highlight},
    {u"cell", K::Flag, Id::Cell},
    {u"cellx", K::Value, Id::CellRight},
    {u"cf", K::Value, Id::Colour},
    {u"chcbpat", K::Value, Id::Highlight},
    {u"clbrdrb", K::Flag, Id::CellBorderBottom},
    {u"clbrdrl", K::Flag, Id::CellBorderLeft},
    {u"clbrdrr", K::Flag, Id::CellBorderRight},
    {u"clbrdrt", K::Flag, Id::CellBorderTop},
    {u"colorschememapping", K::Destination, Id::Skip},
    {u"colortbl", K::Destination, Id::ColourTable},
    {u"comment", K::Destination, Id::Skip},
    {u"company", K::Destination, Id::Skip},
    {u"cpg", K::Value, Id::FontCodePage},
    {u"creatim", K::Destination, Id::Skip},
    {u"datafield", K::Destination, Id::Skip},
    {u"datastore", K::Destination, Id::Skip},
    {u"deff", K::Value, Id::DefaultFont},
    {u"deflang", K::Value, Id::DefaultLang},
    {u"dibitmap", K::Value, Id::PicKind},
    {u"do", K::Destination, Id::Skip},
    {u"doccomm", K::Destination, Id::Skip},
    {u"docvar", K::Destination, Id::Skip},
    {u"emdash", K::Character, Id::Char, 0x2014},
    {u"emfblip", K::Value, Id::PicKind},
    {u"emspace", K::Character, Id::Char, 0x2003},
    {u"endash", K::Character, Id::Char, 0x2013},
    {u"enspace", K::Character, Id::Char, 0x2002},
    {u"f", K::Value, Id::Font},
    {u"fbidi", K::Flag, Id::FamilyBidi},
    {u"fcharset", K::Value, Id::FontCharset},
    {u"fdecor", K::Flag, Id::FamilyDecor},
    {u"fi", K::Value, Id::FirstIndent},
    {u"field", K::Destination, Id::Field},
    {u"filetbl", K::Destination, Id::Skip},
    {u"fldinst", K::Destination, Id::FieldInstruction},
    {u"fldrslt", K::Destination, Id::FieldResult},
    {u"fmodern", K::Flag, Id::FamilyModern},
    {u"fnil", K::Flag, Id::FamilyNil},
    {u"fonttbl", K::Destination, Id::FontTable},
    {u"footer", K::Destination, Id::Header},
    {u"footerf", K::Destination, Id::Header},
    {u"footerl", K::Destination, Id::Header},
    {u"footerr", K::Destination, Id::Header},
    {u"footnote", K::Destination, Id::Skip},
    {u"fprq", K::Value, Id::FontPitch},
    {u"froman", K::Flag, Id::FamilyRoman},
    {u"fs", K::Value, Id::FontSize},
    {u"fscript", K::Flag, Id::FamilyScript},
    {u"fswiss", K::Flag, Id::FamilySwiss},
    {u"ftech", K::Flag, Id::FamilyTech},
    {u"ftncn", K::Destination, Id::Skip},
    {u"ftnsep", K::Destination, Id::Skip},
    {u"ftnsepc", K::Destination, Id::Skip},
    {u"generator", K::Destination, Id::Skip},
    {u"green", K::Value, Id::Green},
    {u"header", K::Destination, Id::Header},
    {u"headerf", K::Destination, Id::Header},
    {u"headerl", K::Destination, Id::Header},
    {u"headerr", K::Destination, Id::Header},
    {u"highlight", K::Value, Id::Highlight},
    {u"i", K::Toggle, Id::Italic},
    {u"info", K::Destination, Id::Skip},
    {u"intbl", K::Flag, Id::InTable},
    {u"jpegblip", K::Value, Id::PicKind},
    {u"keywords", K::Destination, Id::Skip},
    {u"lang", K::Value, Id::Lang},
    {u"latentstyles", K::Destination, Id::Skip},
    {u"ldblquote", K::Character, Id::Char, 0x201C},
    {u"li", K::Value, Id::LeftIndent},
    {u"line", K::Character, Id::Char, kLineBreak},
    {u"listoverridetable", K::Destination, Id::Skip},
    {u"listtable", K::Destination, Id::Skip},
    {u"listtext", K::Destination, Id::ListText},
    {u"lquote", K::Character, Id::Char, 0x2018},
    {u"ltrmark", K::Character, Id::Char, 0x200E},
    {u"mac", K::Flag, Id::Mac},
    {u"macpict", K::Value, Id::PicKind},
    {u"mmathPr", K::Destination, Id::Skip},
    {u"nestcell", K::Flag, Id::NestCell},
    {u"nestrow", K::Flag, Id::NestRow},
    {u"nesttableprops", K::Destination, Id::Skip},
    {u"nonesttables", K::Destination, Id::Skip},
    {u"nonshppict", K::Destination, Id::Skip},
    {u"nosupersub", K::Flag, Id::NoSuperSub},
    {u"objclass", K::Destination, Id::Skip},
    {u"objdata", K::Destination, Id::Skip},
    {u"object", K::Destination, Id::Object},
    {u"objname", K::Destination, Id::Skip},
    {u"operator", K::Destination, Id::Skip},
    {u"page", K::Flag, Id::Par},
    {u"par", K::Flag, Id::Par},
    {u"pard", K::Flag, Id::Pard},
    {u"pc", K::Flag, Id::Pc},
    {u"pca", K::Flag, Id::Pca},
    {u"pgdsctbl", K::Destination, Id::Skip},
    {u"pich", K::Value, Id::PicHeight},
    {u"pichgoal", K::Value, Id::PicGoalHeight},
    {u"picprop", K::Destination, Id::Skip},
    {u"picscalex", K::Value, Id::PicScaleX},
    {u"picscaley", K::Value, Id::PicScaleY},
    {u"pict", K::Destination, Id::Picture},
    {u"picw", K::Value, Id::PicWidth},
    {u"picwgoal", K::Value, Id::PicGoalWidth},
    {u"plain", K::Flag, Id::Plain},
    {u"pmmetafile", K::Value, Id::PicKind},
    {u"pn", K::Destination, Id::Numbering},
    {u"pndec", K::Flag, Id::NumberDecimal},
    {u"pnf", K::Value, Id::NumberFont},
    {u"pngblip", K::Value, Id::PicKind},
    {u"pnindent", K::Value, Id::NumberIndent},
    {u"pnlcltr", K::Flag, Id::NumberLowerLetter},
    {u"pnlcrm", K::Flag, Id::NumberLowerRoman},
    {u"pnlvlblt", K::Flag, Id::NumberBullet},
    {u"pnlvlbody", K::Flag, Id::NumberBody},
    {u"pnseclvl", K::Destination, Id::Skip},
    {u"pnstart", K::Value, Id::NumberStart},
    {u"pntext", K::Destination, Id::ListText},
    {u"pntxta", K::Destination, Id::NumberingAfter},
    {u"pntxtb", K::Destination, Id::NumberingBefore},
    {u"pnucltr", K::Flag, Id::NumberUpperLetter},
    {u"pnucrm", K::Flag, Id::NumberUpperRoman},
    {u"printim", K::Destination, Id::Skip},
    {u"qc", K::Flag, Id::AlignCentre},
    {u"qd", K::Flag, Id::AlignJustify},
    {u"qj", K::Flag, Id::AlignJustify},
    {u"ql", K::Flag, Id::AlignLeft},
    {u"qmspace", K::Character, Id::Char, 0x2005},
    {u"qr", K::Flag, Id::AlignRight},
    {u"rdblquote", K::Character, Id::Char, 0x201D},
    {u"red", K::Value, Id::Red},
    {u"result", K::Destination, Id::ObjectResult},
    {u"revtbl", K::Destination, Id::Skip},
    {u"revtim", K::Destination, Id::Skip},
    {u"ri", K::Value, Id::RightIndent},
    {u"row", K::Flag, Id::Row},
    {u"rquote", K::Character, Id::Char, 0x2019},
    {u"rsidtbl", K::Destination, Id::Skip},
    {u"rtlmark", K::Character, Id::Char, 0x200F},
    {u"sa", K::Value, Id::SpaceAfter},
    {u"sb", K::Value, Id::SpaceBefore},
    {u"sect", K::Flag, Id::Par},
    {u"shp", K::Destination, Id::Transparent},
    {u"shpinst", K::Destination, Id::Skip},
    {u"shppict", K::Destination, Id::Transparent},
    {u"shprslt", K::Destination, Id::Transparent},
    {u"sl", K::Value, Id::LineSpacing},
    {u"slmult", K::Value, Id::LineMultiple},
    {u"sp", K::Destination, Id::Skip},
    {u"strike", K::Toggle, Id::Strike},
    {u"striked", K::Toggle, Id::Strike},
    {u"stylesheet", K::Destination, Id::Skip},
    {u"sub", K::Flag, Id::Sub},
    {u"subject", K::Destination, Id::Skip},
    {u"super", K::Flag, Id::Super},
    {u"tab", K::Character, Id::Char, u'\t'},
    {u"tb", K::Value, Id::BarTab},
    {u"tc", K::Destination, Id::Skip},
    {u"template", K::Destination, Id::Skip},
    {u"themedata", K::Destination, Id::Skip},
    {u"title", K::Destination, Id::Skip},
    {u"tqc", K::Flag, Id::TabCentre},
    {u"tqdec", K::Flag, Id::TabDecimal},
    {u"tqr", K::Flag, Id::TabRight},
    {u"trgaph", K::Value, Id::RowGap},
    {u"trleft", K::Value, Id::RowLeft},
    {u"trowd", K::Flag, Id::RowDefaults},
    {u"trqc", K::Flag, Id::RowCentre},
    {u"trql", K::Flag, Id::RowLeftAlign},
    {u"trqr", K::Flag, Id::RowRight},
    {u"tx", K::Value, Id::TabPosition},
    {u"txe", K::Destination, Id::Skip},
    {u"u", K::Value, Id::Unicode},
    {u"uc", K::Value, Id::UnicodeCount},
    {u"ud", K::Destination, Id::UnicodeAlternative},
    {u"ul", K::Toggle, Id::Underline},
    {u"uld", K::Toggle, Id::UnderlineDotted},
    {u"uldash", K::Toggle, Id::UnderlineDotted},
    {u"uldb", K::Toggle, Id::UnderlineDouble},
    {u"ulnone", K::Flag, Id::UnderlineNone},
    {u"ulth", K::Toggle, Id::Underline},
    {u"ulw", K::Toggle, Id::UnderlineWord},
    {u"ulwave", K::Toggle, Id::Underline},
    {u"upr", K::Destination, Id::Alternatives},
    {u"userprops", K::Destination, Id::Skip},
    {u"v", K::Toggle, Id::Hidden},
    {u"wbitmap", K::Value, Id::PicKind},
    {u"wmetafile", K::Value, Id::PicKind},
    {u"xe", K::Destination, Id::Skip},
    {u"xmlnstbl", K::Destination, Id::Skip},
    {u"zwj", K::Character, Id::Char, 0x200D},
    {u"zwnj", K::Character, Id::Char, 0x200C},
};

constexpr bool WordsSorted() {
  for (std::size_t i = 1; i < std::size(kWords); ++i)
    if (!(kWords[i - 1].name < kWords[i].name)) return false;
  return true;
}
static_assert(WordsSorted(), "kWords must stay sorted by name");

const WordEntry* FindWord(TextView name) {
  if (name.size() > 32) return nullptr;
  const auto* end = std::end(kWords);
  const auto* found = std::lower_bound(
      std::begin(kWords), end, name,
      [](const WordEntry& e, TextView n) { return e.name < n; });
  return found != end && found->name == name ? found : nullptr;
}

// --- Reader state. ---

enum class Dest : std::uint8_t {
  Body, FontTable, ColourTable, FieldInstruction, ListText, Numbering,
  NumberingBefore, NumberingAfter, Picture, Object,
  Alternatives,  // \upr: its plain group is dropped, its \ud group read
};

struct GroupState {
  Dest dest = Dest::Body;
  CharFormat chr;
  ParaFormat para;
  int uc = 1;
};

// Builds the blocks of one story (the body, or a header).
struct StoryBuilder {
  std::vector<Block> blocks;
  Paragraph paragraph;
  bool rowOpen = false;
  Row row;
  Cell cell;
  std::size_t paragraphSerial = 0;
};

// The number text of the paragraph being read, made when first needed.
ListMark& ListMarkOf(Paragraph& p) {
  if (!p.list) p.list = std::make_unique<ListMark>();
  return *p.list;
}

// The paragraph formats read so far, so that paragraphs of one format share
// it. A document's paragraphs mostly take turns among a few formats; the
// last few made are looked at, newest first.
class FormatCache {
 public:
  Shared<ParaFormat> Intern(ParaFormat&& format) {
    for (std::size_t i = 0; i < kKept; ++i) {
      const Shared<ParaFormat>& kept = recent_[(next_ + kKept - 1 - i) % kKept];
      if (*kept == format) return kept;
    }
    recent_[next_] = Shared<ParaFormat>(std::move(format));
    const std::size_t made = next_;
    next_ = (next_ + 1) % kKept;
    return recent_[made];
  }

 private:
  static constexpr std::size_t kKept = 4;
  std::array<Shared<ParaFormat>, kKept> recent_;
  std::size_t next_ = 0;
};

// The builder's paragraph, finished: its pieces move into a vector of
// their own size, and the builder keeps the larger buffer they were
// gathered in for the next paragraph. (Kept as gathered, a document's
// pieces took a third more room than they fill.) A paragraph of very many
// pieces keeps the buffer itself, which would otherwise be held next to
// its copy for a moment.
Paragraph TakeParagraph(StoryBuilder& story) {
  constexpr std::size_t kKeepsItsBuffer = 4096;
  std::vector<Inline> buffer = std::move(story.paragraph.inlines);
  Paragraph done = std::move(story.paragraph);
  story.paragraph = Paragraph{};
  if (buffer.size() >= kKeepsItsBuffer) {
    done.inlines = std::move(buffer);
    return done;
  }
  done.inlines.assign(std::make_move_iterator(buffer.begin()), std::make_move_iterator(buffer.end()));
  buffer.clear();
  story.paragraph.inlines = std::move(buffer);
  return done;
}

struct FieldFrame {
  std::size_t depth = 0;       // stack size while the field group is open
  Text instruction;
  bool hasResult = false;
  StoryBuilder* builder = nullptr;
  std::size_t serial = 0;
  std::size_t start = 0;       // first inline of the result
};

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
int HexValue(char16_t c) {
  if (c <= u'9') return c - u'0';
  if (c >= u'a') return c - u'a' + 10;
  return c - u'A' + 10;
}

Text TrimBlanks(TextView s) {
  std::size_t b = 0, e = s.size();
  while (b < e && (s[b] == u' ' || s[b] == u'\t')) ++b;
  while (e > b && (s[e - 1] == u' ' || s[e - 1] == u'\t')) --e;
  return Text(s.substr(b, e - b));
}

bool IsHyperlink(TextView instruction) {
  const Text t = TrimBlanks(instruction);
  constexpr TextView kWord = u"HYPERLINK";
  if (t.size() < kWord.size()) return false;
  for (std::size_t i = 0; i < kWord.size(); ++i)
    if (UpperUnit(t[i]) != kWord[i]) return false;
  return t.size() == kWord.size() || t[kWord.size()] == u' ';
}

// The numbering a Word list paragraph's number text stands for.
Numbering NumberingFromListText(TextView listText, int font) {
  Numbering n;
  const Text t = TrimBlanks(listText);
  if (t.empty()) return n;
  n.font = font;
  auto isPunct = [](char16_t c) { return c == u'.' || c == u')'; };
  if (t.size() == 1 && !(t[0] >= u'0' && t[0] <= u'9') &&
      !((t[0] | 0x20) >= u'a' && (t[0] | 0x20) <= u'z')) {
    n.kind = NumberKind::Bullet;
    n.before = t;
    return n;
  }
  std::size_t digits = 0;
  while (digits < t.size() && t[digits] >= u'0' && t[digits] <= u'9') ++digits;
  if (digits > 0 && digits <= 6 &&
      (digits == t.size() || (digits + 1 == t.size() && isPunct(t[digits])))) {
    n.kind = NumberKind::Decimal;
    // The number itself stays in the number text; the list starts at 1, so
    // that the items of one list share one format.
    n.after = t.substr(digits);
    return n;
  }
  if (t.size() == 2 && isPunct(t[1])) {
    if (t[0] >= u'a' && t[0] <= u'z') n.kind = NumberKind::LowerLetter;
    else if (t[0] >= u'A' && t[0] <= u'Z') n.kind = NumberKind::UpperLetter;
    if (n.kind != NumberKind::None) {
      n.after = t.substr(1);
      return n;
    }
  }
  n.font = -1;
  return n;
}

class RtfReader {
 public:
  explicit RtfReader(TextView rtf) : tokens_(rtf) {}
  RtfDocument Read();

 private:
  GroupState& State() { return stack_.back(); }

  void OnGroupOpen();
  void OnGroupClose();
  void OnWord(const RtfToken& token);
  void OnDestination(const WordEntry& entry);
  void OnValue(Id id, int param, bool hasParam);
  void OnFlag(Id id);
  void OnText(TextView text);
  void OnChar(char16_t c);
  void OnBinary(TextView data);

  void FlushBytes();
  bool EndsInLeadByte();
  int CodePageOfFont(int font) const;
  CodePageDecoder& Decoder(int codePage);
  void TakeChars(TextView chars);  // decoded characters for the destination
  void AppendToParagraph(TextView chars);
  void AppendInline(Inline&& piece);

  void EndParagraph();
  void EndCell();
  void EndRow();
  void FlushStory(StoryBuilder& story);
  void CloseField();
  void ClosePicture();
  void CommitFont();
  void StartSkipping();
  int FontIndex(int number) const;

  RtfTokenizer tokens_;
  RtfDocument doc_;
  std::vector<GroupState> stack_;
  bool started_ = false;    // the outermost group has opened
  bool finished_ = false;   // ... and closed again
  std::size_t skipDepth_ = 0;
  bool justOpened_ = false;
  bool starred_ = false;
  int skipChars_ = 0;       // characters still to drop after \uN

  std::string bytes_;       // "\'hh" bytes waiting to be decoded
  int bytesCodePage_ = kDefaultCodePage;
  std::map<int, std::unique_ptr<CodePageDecoder>> decoders_;

  // Font and colour tables.
  std::unordered_map<int, int> fontNumbers_;  // \fN -> index into doc_.fonts
  int defaultFontNumber_ = 0;
  bool fontOpen_ = false;
  int fontNumber_ = 0;
  FontEntry font_;
  std::vector<Rgb> colours_;
  int red_ = 0, green_ = 0, blue_ = 0;
  bool colourSet_ = false;
  bool codePageSet_ = false;

  // Stories.
  StoryBuilder body_;
  StoryBuilder header_;
  StoryBuilder* story_ = &body_;
  std::size_t headerDepth_ = 0;  // 0: not in a header
  Text headerKind_;

  // Tables.
  RowFormat rowFormat_;
  CellFormat pendingCell_;
  enum class BorderTarget : std::uint8_t { None, Top, Left, Bottom, Right } borderTarget_ = BorderTarget::None;

  // Fields and pictures.
  std::vector<FieldFrame> fields_;
  std::size_t pictureDepth_ = 0;  // 0: not in a picture
  Picture picture_;
  int pictureNibble_ = -1;
  bool noMerge_ = false;
  FormatCache formats_;
};

RtfDocument RtfReader::Read() {
  stack_.reserve(64);
  stack_.push_back(GroupState{});
  doc_.codePage = kDefaultCodePage;
  RtfToken token;
  while (!finished_ && tokens_.Next(token)) {
    if (token.kind == RtfTokenKind::Text && !bytes_.empty() && skipDepth_ == 0 &&
        EndsInLeadByte() && token.text[0] >= 0x40 && token.text[0] <= 0x7E) {
      // A double-byte character whose second byte is written as itself.
      bytes_.push_back(static_cast<char>(token.text[0]));
      token.text.remove_prefix(1);
      if (token.text.empty()) continue;
    }
    if (token.kind != RtfTokenKind::Byte && !bytes_.empty()) FlushBytes();
    if (skipDepth_ > 0) {
      if (token.kind == RtfTokenKind::GroupOpen) ++skipDepth_;
      else if (token.kind == RtfTokenKind::GroupClose) --skipDepth_;
      continue;
    }
    if (!started_ && token.kind != RtfTokenKind::GroupOpen) continue;  // blanks before "{"
    const bool opened = justOpened_;
    justOpened_ = false;
    switch (token.kind) {
      case RtfTokenKind::GroupOpen: OnGroupOpen(); break;
      case RtfTokenKind::GroupClose: OnGroupClose(); break;
      case RtfTokenKind::Word: OnWord(token); starred_ = false; break;
      case RtfTokenKind::Symbol:
        if (token.symbol == u'*') {
          starred_ = opened;
          justOpened_ = opened;  // the destination word comes next
          break;
        }
        starred_ = false;
        switch (token.symbol) {
          case u'~': OnChar(0x00A0); break;
          case u'-': OnChar(0x00AD); break;
          case u'_': OnChar(0x2011); break;
          case u'\\': case u'{': case u'}': OnChar(token.symbol); break;
          default:
            if (skipChars_ > 0) --skipChars_;
            break;
        }
        break;
      case RtfTokenKind::Byte:
        starred_ = false;
        if (skipChars_ > 0) {
          --skipChars_;
          break;
        }
        if (State().dest == Dest::Picture) break;
        if (bytes_.empty()) bytesCodePage_ = State().dest == Dest::FontTable && fontOpen_
                                                 ? (font_.codePage > 0 ? font_.codePage
                                                                       : CodePageOfCharset(font_.charset))
                                                 : CodePageOfFont(State().chr.font);
        if (bytesCodePage_ == 0) bytesCodePage_ = doc_.codePage;
        bytes_.push_back(static_cast<char>(token.byte));
        break;
      case RtfTokenKind::Text: starred_ = false; OnText(token.text); break;
      case RtfTokenKind::Binary: starred_ = false; OnBinary(token.text); break;
    }
  }
  if (!bytes_.empty()) FlushBytes();
  // A document that ends inside groups: close what is open.
  while (!fields_.empty()) CloseField();
  if (pictureDepth_ > 0) ClosePicture();
  if (headerDepth_ > 0) {
    FlushStory(header_);
    doc_.headers.push_back(HeaderStory{headerKind_, std::move(header_.blocks)});
  }
  if (fontOpen_) CommitFont();
  FlushStory(body_);
  doc_.body = std::move(body_.blocks);
  return std::move(doc_);
}

void RtfReader::StartSkipping() {
  // A destination word in the document's own group (not at the start of a
  // group of its own) has no group to skip: the word is ignored.
  if (stack_.size() <= 1) return;
  // The group's state was pushed when it opened; a skipped group needs none.
  stack_.pop_back();
  skipDepth_ = 1;
}

void RtfReader::OnGroupOpen() {
  skipChars_ = 0;
  if (!started_) {
    started_ = true;
    justOpened_ = true;
    return;  // the outermost group uses the state made in Read()
  }
  stack_.push_back(stack_.back());
  justOpened_ = true;
}

void RtfReader::OnGroupClose() {
  skipChars_ = 0;
  if (stack_.size() <= 1) {
    finished_ = true;  // the document's own group has closed
    return;
  }
  const GroupState closing = std::move(stack_.back());
  stack_.pop_back();
  GroupState& parent = stack_.back();
  switch (closing.dest) {
    case Dest::Numbering:
    case Dest::NumberingBefore:
    case Dest::NumberingAfter:
      parent.para.numbering = closing.para.numbering;
      break;
    case Dest::FontTable:
      if (fontOpen_) CommitFont();
      if (parent.dest != Dest::FontTable) {
        auto found = fontNumbers_.find(defaultFontNumber_);
        doc_.defaultFont = found != fontNumbers_.end() ? found->second : -1;
        for (GroupState& s : stack_)
          if (s.chr.font < 0) s.chr.font = doc_.defaultFont;
      }
      break;
    default:
      break;
  }
  if (pictureDepth_ > stack_.size()) ClosePicture();
  while (!fields_.empty() && fields_.back().depth > stack_.size()) CloseField();
  if (headerDepth_ > stack_.size()) {
    FlushStory(header_);
    doc_.headers.push_back(HeaderStory{headerKind_, std::move(header_.blocks)});
    header_ = StoryBuilder{};
    story_ = &body_;
    headerDepth_ = 0;
  }
}

void RtfReader::OnWord(const RtfToken& token) {
  const WordEntry* entry = FindWord(token.text);
  if (entry == nullptr || (starred_ && entry->kind != WordKind::Destination)) {
    if (starred_) StartSkipping();
    else if (skipChars_ > 0) --skipChars_;
    return;
  }
  if (skipChars_ > 0 && entry->id != Id::Unicode) {
    --skipChars_;
    return;
  }
  switch (entry->kind) {
    case WordKind::Destination: OnDestination(*entry); break;
    case WordKind::Toggle: {
      const bool on = !token.hasParam || token.param != 0;
      CharFormat& c = State().chr;
      switch (entry->id) {
        case Id::Bold: c.bold = on; break;
        case Id::Italic: c.italic = on; break;
        case Id::Strike: c.strike = on; break;
        case Id::Caps: c.caps = on; break;
        case Id::Hidden: c.hidden = on; break;
        case Id::Underline: c.underline = on ? Underline::Single : Underline::None; break;
        case Id::UnderlineDotted: c.underline = on ? Underline::Dotted : Underline::None; break;
        case Id::UnderlineDouble: c.underline = on ? Underline::Double : Underline::None; break;
        case Id::UnderlineWord: c.underline = on ? Underline::Word : Underline::None; break;
        default: break;
      }
      break;
    }
    case WordKind::Value:
      if (entry->id == Id::PicKind) {
        if (State().dest == Dest::Picture) {
          picture_.kind = Text(entry->name);
          picture_.kindParam = token.hasParam ? token.param : -1;
        }
        break;
      }
      OnValue(entry->id, token.param, token.hasParam);
      break;
    case WordKind::Flag: OnFlag(entry->id); break;
    case WordKind::Character:
      if (entry->character == kLineBreak) {
        if (State().dest == Dest::Body) AppendToParagraph(TextView(&kLineBreak, 1));
      } else {
        OnChar(entry->character);
      }
      break;
  }
}

void RtfReader::OnDestination(const WordEntry& entry) {
  GroupState& s = State();
  const bool inBody = s.dest == Dest::Body;
  switch (entry.id) {
    case Id::FontTable:
      s.dest = Dest::FontTable;
      break;
    case Id::ColourTable:
      s.dest = Dest::ColourTable;
      colours_.clear();
      colourSet_ = false;
      red_ = green_ = blue_ = 0;
      break;
    case Id::Skip:
      StartSkipping();
      break;
    case Id::Picture:
      if (!inBody || pictureDepth_ > 0) return StartSkipping();
      s.dest = Dest::Picture;
      pictureDepth_ = stack_.size();
      picture_ = Picture{};
      pictureNibble_ = -1;
      break;
    case Id::Field:
      if (!inBody) return;
      fields_.push_back(FieldFrame{stack_.size(), {}, false, story_, 0, 0});
      break;
    case Id::FieldInstruction:
      if (fields_.empty() || !inBody) return StartSkipping();
      s.dest = Dest::FieldInstruction;
      break;
    case Id::FieldResult:
      if (!inBody) return;
      if (!fields_.empty() && !fields_.back().hasResult) {
        FieldFrame& f = fields_.back();
        f.hasResult = true;
        f.builder = story_;
        f.serial = story_->paragraphSerial;
        f.start = story_->paragraph.inlines.size();
        // A link's result becomes inlines of its own; another field's
        // result is plain text of the paragraph.
        if (IsHyperlink(f.instruction)) noMerge_ = true;
      }
      break;
    case Id::ListText:
      if (!inBody) return StartSkipping();
      s.dest = Dest::ListText;
      ListMarkOf(story_->paragraph) = ListMark{Text(), s.chr};
      break;
    case Id::Numbering:
      s.dest = Dest::Numbering;
      s.para.numbering = Numbering{};
      break;
    case Id::NumberingBefore:
      if (s.dest != Dest::Numbering) return StartSkipping();
      s.dest = Dest::NumberingBefore;
      s.para.numbering.before.clear();
      break;
    case Id::NumberingAfter:
      if (s.dest != Dest::Numbering) return StartSkipping();
      s.dest = Dest::NumberingAfter;
      s.para.numbering.after.clear();
      break;
    case Id::Header:
      if (!inBody || headerDepth_ > 0 || !fields_.empty()) return StartSkipping();
      headerDepth_ = stack_.size();
      headerKind_ = Text(entry.name);
      header_ = StoryBuilder{};
      story_ = &header_;
      break;
    case Id::Transparent:
      break;
    case Id::Object:
      if (!inBody) return StartSkipping();
      s.dest = Dest::Object;
      break;
    case Id::ObjectResult:
      if (s.dest == Dest::Object) s.dest = Dest::Body;
      break;
    case Id::Alternatives:
      if (inBody) s.dest = Dest::Alternatives;
      break;
    case Id::UnicodeAlternative:
      if (s.dest == Dest::Alternatives) s.dest = Dest::Body;
      break;
    default:
      break;
  }
}

int RtfReader::FontIndex(int number) const {
  auto found = fontNumbers_.find(number);
  return found != fontNumbers_.end() ? found->second : doc_.defaultFont;
}

void RtfReader::OnValue(Id id, int param, bool hasParam) {
  GroupState& s = State();
  CharFormat& c = s.chr;
  ParaFormat& p = s.para;
  auto colourAt = [&](int index) {
    return index >= 0 && static_cast<std::size_t>(index) < colours_.size() ? colours_[index]
                                                                           : kAutoColour;
  };
  switch (id) {
    case Id::Font:
      if (s.dest == Dest::FontTable) {
        if (fontOpen_) CommitFont();
        fontOpen_ = true;
        fontNumber_ = param;
        font_ = FontEntry{};
      } else {
        c.font = FontIndex(param);
      }
      break;
    case Id::FontSize: c.size = hasParam && param > 0 ? std::min(param, 3276) : 24; break;
    case Id::Colour: c.colour = colourAt(param); break;
    case Id::Highlight: c.highlight = colourAt(param); break;
    case Id::Lang: c.lang = param > 0 && param < 0x10000 ? param : 0; break;
    case Id::UnicodeCount: s.uc = std::max(param, 0); break;
    case Id::Unicode: {
      skipChars_ = 0;
      const int value = param < 0 ? param + 65536 : param;
      if (value > 0 && value < 0x10000) OnChar(static_cast<char16_t>(value));
      skipChars_ = s.uc;
      break;
    }
    case Id::LeftIndent: p.leftIndent = param; break;
    case Id::RightIndent: p.rightIndent = param; break;
    case Id::FirstIndent: p.firstIndent = param; break;
    case Id::SpaceBefore: p.spaceBefore = param; break;
    case Id::SpaceAfter: p.spaceAfter = param; break;
    case Id::LineSpacing: p.lineSpacing = param; break;
    case Id::LineMultiple: p.lineMultiple = param != 0; break;
    case Id::TabPosition:
    case Id::BarTab: {
      // The kind words come before the position; they mark the last stop
      // until the position arrives.
      TabKind kind = id == Id::BarTab ? TabKind::Bar : TabKind::Left;
      if (!p.tabs.empty() && p.tabs.back().position == -1) {
        kind = id == Id::BarTab ? TabKind::Bar : p.tabs.back().kind;
        p.tabs.pop_back();
      }
      if (p.tabs.size() < 256) p.tabs.push_back(TabStop{param, kind});
      break;
    }
    case Id::CellRight:
      pendingCell_.right = param;
      if (rowFormat_.cells.size() < 4096) rowFormat_.cells.push_back(pendingCell_);
      pendingCell_ = CellFormat{};
      borderTarget_ = BorderTarget::None;
      break;
    case Id::RowGap: rowFormat_.gap = param; break;
    case Id::RowLeft: rowFormat_.left = param; break;
    case Id::AnsiCodePage:
      doc_.codePage = CodePageAvailable(param) ? param : kDefaultCodePage;
      codePageSet_ = true;
      break;
    case Id::DefaultFont:
      defaultFontNumber_ = param;
      break;
    case Id::DefaultLang:
      if (param > 0 && param < 0x10000) doc_.defaultLanguage = param;
      break;
    case Id::FontCharset: if (s.dest == Dest::FontTable) font_.charset = param; break;
    case Id::FontPitch: if (s.dest == Dest::FontTable) font_.pitch = param; break;
    case Id::FontCodePage:
      if (s.dest == Dest::FontTable) font_.codePage = CodePageAvailable(param) ? param : 0;
      break;
    case Id::Red: red_ = std::clamp(param, 0, 255); colourSet_ = true; break;
    case Id::Green: green_ = std::clamp(param, 0, 255); colourSet_ = true; break;
    case Id::Blue: blue_ = std::clamp(param, 0, 255); colourSet_ = true; break;
    case Id::NumberFont: p.numbering.font = FontIndex(param); break;
    case Id::NumberIndent: p.numbering.indent = param; break;
    case Id::NumberStart: p.numbering.start = std::max(param, 0); break;
    case Id::PicWidth: picture_.width = param; break;
    case Id::PicHeight: picture_.height = param; break;
    case Id::PicGoalWidth: picture_.goalWidth = param; break;
    case Id::PicGoalHeight: picture_.goalHeight = param; break;
    case Id::PicScaleX: picture_.scaleX = param; break;
    case Id::PicScaleY: picture_.scaleY = param; break;
    default: break;
  }
}

void RtfReader::OnFlag(Id id) {
  GroupState& s = State();
  CharFormat& c = s.chr;
  ParaFormat& p = s.para;
  auto markBorder = [&](bool on) {
    switch (borderTarget_) {
      case BorderTarget::Top: pendingCell_.borderTop = on; break;
      case BorderTarget::Left: pendingCell_.borderLeft = on; break;
      case BorderTarget::Bottom: pendingCell_.borderBottom = on; break;
      case BorderTarget::Right: pendingCell_.borderRight = on; break;
      case BorderTarget::None: break;
    }
  };
  auto addTabKind = [&](TabKind kind) {
    if (!p.tabs.empty() && p.tabs.back().position == -1) p.tabs.back().kind = kind;
    else if (p.tabs.size() < 256) p.tabs.push_back(TabStop{-1, kind});
  };
  switch (id) {
    case Id::Par:
      if (s.dest == Dest::Body) EndParagraph();
      break;
    case Id::Pard: {
      const Numbering keep = p.numbering;
      p = ParaFormat{};
      if (s.dest == Dest::Numbering) p.numbering = keep;
      break;
    }
    case Id::Plain: {
      CharFormat plain;
      plain.font = doc_.defaultFont;
      c = plain;
      break;
    }
    case Id::Cell: if (s.dest == Dest::Body) EndCell(); break;
    case Id::Row: if (s.dest == Dest::Body) EndRow(); break;
    case Id::NestCell: OnChar(u'\t'); break;
    case Id::NestRow:
      if (s.dest == Dest::Body) AppendToParagraph(TextView(&kLineBreak, 1));
      break;
    case Id::RowDefaults:
      rowFormat_ = RowFormat{};
      pendingCell_ = CellFormat{};
      borderTarget_ = BorderTarget::None;
      break;
    case Id::InTable: p.inTable = true; break;
    case Id::AlignLeft: p.alignment = Alignment::Left; break;
    case Id::AlignCentre: p.alignment = Alignment::Centre; break;
    case Id::AlignRight: p.alignment = Alignment::Right; break;
    case Id::AlignJustify: p.alignment = Alignment::Justify; break;
    case Id::TabRight: addTabKind(TabKind::Right); break;
    case Id::TabCentre: addTabKind(TabKind::Centre); break;
    case Id::TabDecimal: addTabKind(TabKind::Decimal); break;
    case Id::Super: c.script = Script::Super; break;
    case Id::Sub: c.script = Script::Sub; break;
    case Id::NoSuperSub: c.script = Script::None; break;
    case Id::UnderlineNone: c.underline = Underline::None; break;
    case Id::Ansi: if (!codePageSet_) doc_.codePage = 1252; break;
    case Id::Mac: if (!codePageSet_) doc_.codePage = 10000; break;
    case Id::Pc: if (!codePageSet_) doc_.codePage = 437; break;
    case Id::Pca: if (!codePageSet_) doc_.codePage = 850; break;
    case Id::FamilyNil: font_.family = FontFamily::Nil; break;
    case Id::FamilyRoman: font_.family = FontFamily::Roman; break;
    case Id::FamilySwiss: font_.family = FontFamily::Swiss; break;
    case Id::FamilyModern: font_.family = FontFamily::Modern; break;
    case Id::FamilyScript: font_.family = FontFamily::Script; break;
    case Id::FamilyDecor: font_.family = FontFamily::Decor; break;
    case Id::FamilyTech: font_.family = FontFamily::Tech; break;
    case Id::FamilyBidi: font_.family = FontFamily::Bidi; break;
    case Id::NumberBullet: p.numbering.kind = NumberKind::Bullet; break;
    case Id::NumberBody:
      if (p.numbering.kind == NumberKind::None || p.numbering.kind == NumberKind::Bullet)
        p.numbering.kind = NumberKind::Decimal;
      break;
    case Id::NumberDecimal: p.numbering.kind = NumberKind::Decimal; break;
    case Id::NumberLowerLetter: p.numbering.kind = NumberKind::LowerLetter; break;
    case Id::NumberUpperLetter: p.numbering.kind = NumberKind::UpperLetter; break;
    case Id::NumberLowerRoman: p.numbering.kind = NumberKind::LowerRoman; break;
    case Id::NumberUpperRoman: p.numbering.kind = NumberKind::UpperRoman; break;
    case Id::RowCentre: rowFormat_.alignment = Alignment::Centre; break;
    case Id::RowRight: rowFormat_.alignment = Alignment::Right; break;
    case Id::RowLeftAlign: rowFormat_.alignment = Alignment::Left; break;
    case Id::CellBorderTop: borderTarget_ = BorderTarget::Top; break;
    case Id::CellBorderLeft: borderTarget_ = BorderTarget::Left; break;
    case Id::CellBorderBottom: borderTarget_ = BorderTarget::Bottom; break;
    case Id::CellBorderRight: borderTarget_ = BorderTarget::Right; break;
    case Id::OtherBorder: borderTarget_ = BorderTarget::None; break;
    case Id::BorderStyle: markBorder(true); break;
    case Id::BorderNone: markBorder(false); break;
    default: break;
  }
}

void RtfReader::OnChar(char16_t c) {
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  TakeChars(TextView(&c, 1));
}

void RtfReader::OnText(TextView text) {
  if (skipChars_ > 0) {
    const std::size_t drop = std::min<std::size_t>(static_cast<std::size_t>(skipChars_), text.size());
    skipChars_ -= static_cast<int>(drop);
    text.remove_prefix(drop);
    if (text.empty()) return;
  }
  const Dest dest = State().dest;
  if (dest == Dest::Picture) {
    for (char16_t ch : text) {
      if (!IsHexDigit(ch)) continue;
      if (pictureNibble_ < 0) {
        pictureNibble_ = HexValue(ch);
      } else {
        picture_.data.push_back(static_cast<char>(pictureNibble_ * 16 + HexValue(ch)));
        pictureNibble_ = -1;
      }
    }
    return;
  }
  const int codePage = dest == Dest::FontTable ? kDefaultCodePage : CodePageOfFont(State().chr.font);
  bool eightBit = false;
  if (codePage != kDefaultCodePage && codePage != 0) {
    for (char16_t ch : text)
      if (ch >= 0x80) {
        eightBit = true;
        break;
      }
  }
  if (!eightBit) {
    TakeChars(text);
    return;
  }
  // The caller read 8-bit bytes as Windows-1252; bytes of another code page
  // go back to their byte values and are decoded in that page.
  static CodePageEncoder western(kDefaultCodePage);
  std::string bytes;
  Text chars;
  auto flush = [&] {
    if (!bytes.empty()) {
      Decoder(codePage).Decode(bytes, chars);
      bytes.clear();
    }
  };
  for (char16_t ch : text) {
    if (ch < 0x80) {
      // A trail byte of a double-byte character may be plain ASCII.
      if (!bytes.empty() && Decoder(codePage).IsLeadByte(static_cast<unsigned char>(bytes.back()))) {
        bytes.push_back(static_cast<char>(ch));
        continue;
      }
      flush();
      chars.push_back(ch);
    } else if (western.Encode(ch, bytes)) {
    } else if (ch <= 0xFF) {
      bytes.push_back(static_cast<char>(ch));
    } else {
      flush();
      chars.push_back(ch);
    }
  }
  flush();
  TakeChars(chars);
}

void RtfReader::OnBinary(TextView data) {
  if (skipChars_ > 0) {
    --skipChars_;
    return;
  }
  if (State().dest != Dest::Picture) return;
  for (char16_t ch : data) picture_.data.push_back(static_cast<char>(ch & 0xFF));
}

int RtfReader::CodePageOfFont(int font) const {
  if (font < 0 || static_cast<std::size_t>(font) >= doc_.fonts.size()) return doc_.codePage;
  const FontEntry& f = doc_.fonts[font];
  if (f.codePage > 0) return f.codePage;
  const int cp = CodePageOfCharset(f.charset);
  return cp != 0 ? cp : doc_.codePage;
}

CodePageDecoder& RtfReader::Decoder(int codePage) {
  auto& slot = decoders_[codePage];
  if (!slot) slot = std::make_unique<CodePageDecoder>(codePage);
  return *slot;
}

bool RtfReader::EndsInLeadByte() {
  CodePageDecoder& decoder = Decoder(bytesCodePage_);
  if (!decoder.doubleByte()) return false;
  std::size_t i = 0;
  while (i < bytes_.size()) {
    if (!decoder.IsLeadByte(static_cast<unsigned char>(bytes_[i]))) {
      ++i;
    } else if (i + 1 == bytes_.size()) {
      return true;
    } else {
      i += 2;
    }
  }
  return false;
}

void RtfReader::FlushBytes() {
  Text chars;
  std::string bytes;
  bytes.swap(bytes_);
  Decoder(bytesCodePage_).Decode(bytes, chars);
  TakeChars(chars);
}

void RtfReader::TakeChars(TextView chars) {
  GroupState& s = State();
  switch (s.dest) {
    case Dest::Body:
      AppendToParagraph(chars);
      break;
    case Dest::FontTable:
      for (char16_t ch : chars) {
        if (ch == u';') {
          if (fontOpen_) CommitFont();
        } else if (fontOpen_ && ch >= 0x20 && font_.name.size() < 256) {
          font_.name.push_back(ch);
        }
      }
      break;
    case Dest::ColourTable:
      for (char16_t ch : chars) {
        if (ch != u';') continue;
        colours_.push_back(colourSet_ ? static_cast<Rgb>(red_ << 16 | green_ << 8 | blue_) : kAutoColour);
        colourSet_ = false;
        red_ = green_ = blue_ = 0;
      }
      break;
    case Dest::FieldInstruction:
      if (!fields_.empty() && fields_.back().instruction.size() < 4096)
        fields_.back().instruction.append(chars.substr(0, 4096));
      break;
    case Dest::ListText:
    {
      ListMark& mark = ListMarkOf(story_->paragraph);
      if (mark.text.empty()) mark.format = s.chr;
      for (char16_t ch : chars)
        if (ch >= 0x20 || ch == u'\t') mark.text.push_back(ch);
    }
      break;
    case Dest::NumberingBefore:
      s.para.numbering.before.append(chars.substr(0, 32));
      break;
    case Dest::NumberingAfter:
      s.para.numbering.after.append(chars.substr(0, 32));
      break;
    default:
      break;
  }
}

void RtfReader::AppendToParagraph(TextView chars) {
  // Control characters other than TAB and the line break do not belong in
  // the text.
  std::size_t i = 0;
  while (i < chars.size()) {
    std::size_t j = i;
    while (j < chars.size() && (chars[j] >= 0x20 || chars[j] == u'\t' || chars[j] == kLineBreak)) ++j;
    if (j > i) {
      const TextView piece = chars.substr(i, j - i);
      Paragraph& p = story_->paragraph;
      const CharFormat& format = State().chr;
      if (!noMerge_ && !p.inlines.empty() && p.inlines.back().kind() == InlineKind::Text &&
          p.inlines.back().format == format) {
        p.inlines.back().text.append(piece);
      } else {
        Inline run;
        run.format = format;
        run.text = Text(piece);
        p.inlines.push_back(std::move(run));
        noMerge_ = false;
      }
    }
    i = j + 1;
  }
}

void RtfReader::AppendInline(Inline&& piece) {
  story_->paragraph.inlines.push_back(std::move(piece));
  noMerge_ = true;
}

void RtfReader::EndParagraph() {
  StoryBuilder& story = *story_;
  Paragraph& p = story.paragraph;
  ParaFormat format = State().para;
  p.endFormat = State().chr;
  if (p.list) {
    Text& text = p.list->text;
    while (!text.empty() && (text.back() == u'\t' || text.back() == u' ')) text.pop_back();
  }
  if (format.numbering.kind == NumberKind::None && !p.listText().empty())
    format.numbering = NumberingFromListText(p.listText(), p.listFormat().font);
  if (format.numbering.kind == NumberKind::None && p.listText().empty())
    format.numbering = Numbering{};
  const bool inTable = format.inTable;
  p.format = formats_.Intern(std::move(format));
  ++story.paragraphSerial;
  noMerge_ = true;
  if (inTable) {
    story.cell.paragraphs.push_back(TakeParagraph(story));
    story.rowOpen = true;
  } else {
    Paragraph done = TakeParagraph(story);
    if (story.rowOpen) EndRow();
    story.blocks.emplace_back(std::move(done));
  }
}

void RtfReader::EndCell() {
  StoryBuilder& story = *story_;
  State().para.inTable = true;
  EndParagraph();
  story.row.cells.push_back(std::move(story.cell));
  story.cell = Cell{};
  story.rowOpen = true;
}

void RtfReader::EndRow() {
  StoryBuilder& story = *story_;
  Paragraph& p = story.paragraph;
  if (!p.inlines.empty() || !p.listText().empty()) {
    ParaFormat format = State().para;
    format.inTable = true;
    p.format = formats_.Intern(std::move(format));
    p.endFormat = State().chr;
    story.cell.paragraphs.push_back(TakeParagraph(story));
  }
  if (!story.cell.paragraphs.empty()) {
    story.row.cells.push_back(std::move(story.cell));
    story.cell = Cell{};
  }
  if (!story.row.cells.empty()) {
    story.row.format = rowFormat_;
    story.blocks.emplace_back(std::move(story.row));
  }
  story.row = Row{};
  story.rowOpen = false;
  ++story.paragraphSerial;
  noMerge_ = true;
}

void RtfReader::FlushStory(StoryBuilder& story) {
  StoryBuilder* saved = story_;
  story_ = &story;
  Paragraph& p = story.paragraph;
  const bool hasContent = !p.inlines.empty() || !p.listText().empty();
  if (story.rowOpen) {
    EndRow();
    if (hasContent) EndParagraph();
  } else if (hasContent) {
    State().para.inTable = false;
    EndParagraph();
  }
  story_ = saved;
}

void RtfReader::CloseField() {
  FieldFrame frame = std::move(fields_.back());
  fields_.pop_back();
  if (!frame.hasResult || !IsHyperlink(frame.instruction)) return;
  StoryBuilder& story = *frame.builder;
  if (story.paragraphSerial != frame.serial) return;  // the result spans paragraphs
  auto& inlines = story.paragraph.inlines;
  if (frame.start >= inlines.size()) return;
  for (std::size_t i = frame.start; i < inlines.size(); ++i)
    if (inlines[i].kind() == InlineKind::Field) return;  // keep the inner link
  auto embedded = std::make_unique<Embedded>();
  Field& field = embedded->field;
  field.instruction = TrimBlanks(frame.instruction);
  for (std::size_t i = frame.start; i < inlines.size(); ++i)
    field.result.push_back(std::move(inlines[i]));
  inlines.resize(frame.start);
  embedded->kind = InlineKind::Field;
  Inline piece;
  piece.format = field.result.front().format;
  piece.embedded = std::move(embedded);
  inlines.push_back(std::move(piece));
  noMerge_ = true;
}

void RtfReader::ClosePicture() {
  pictureDepth_ = 0;
  if (picture_.data.empty()) return;
  Inline piece;
  piece.format = State().chr;
  piece.embedded = std::make_unique<Embedded>();
  piece.embedded->kind = InlineKind::Picture;
  piece.embedded->picture = std::move(picture_);
  picture_ = Picture{};
  AppendInline(std::move(piece));
}

void RtfReader::CommitFont() {
  fontOpen_ = false;
  font_.name = TrimBlanks(font_.name);
  auto found = fontNumbers_.find(fontNumber_);
  if (found != fontNumbers_.end()) {
    doc_.fonts[found->second] = font_;
  } else {
    fontNumbers_.emplace(fontNumber_, static_cast<int>(doc_.fonts.size()));
    doc_.fonts.push_back(font_);
  }
  font_ = FontEntry{};
}

}  // namespace

bool LooksLikeRtf(TextView text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\r' || text[i] == u'\n' ||
                             text[i] == u'\t' || text[i] == 0xFEFF))
    ++i;
  return text.substr(i, 5) == u"{\\rtf";
}

RtfDocument ReadRtf(TextView rtf) {
  if (!LooksLikeRtf(rtf)) return DocumentFromPlainText(rtf);
  return RtfReader(rtf).Read();
}

FontEntry DefaultControlFont() {
  FontEntry font;
  font.name = u"MS Sans Serif";
  font.family = FontFamily::Swiss;
  font.charset = 0;
  return font;
}

RtfDocument DocumentFromPlainText(TextView text) {
  RtfDocument doc;
  doc.defaultFont = doc.AddFont(DefaultControlFont());
  CharFormat format;
  format.font = doc.defaultFont;
  format.size = kDefaultControlSize;
  auto addParagraph = [&](TextView line) {
    Paragraph p;
    Text clean;
    clean.reserve(line.size());
    for (char16_t c : line)
      if (c >= 0x20 || c == u'\t') clean.push_back(c);
    if (!clean.empty()) {
      Inline run;
      run.format = format;
      run.text = std::move(clean);
      p.inlines.push_back(std::move(run));
    }
    p.endFormat = format;
    doc.body.push_back(Block(std::move(p)));
  };
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    addParagraph(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  addParagraph(text.substr(start));
  return doc;
}

}  // namespace skeinlet::detail
