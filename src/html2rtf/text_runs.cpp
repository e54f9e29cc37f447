// The escaping of the text runs of HTMLRTFConverter: CollapseSpaces, the
// character escapes and the two reference passes.
#include "html2rtf/html_to_rtf.hpp"

#include "text/errors.hpp"
#include "text/numeric.hpp"
#include "text/rules.hpp"

#include <algorithm>

namespace skeinlet::detail {
namespace {

// A run being rewritten left to right: the text is Done + Rest(From...).
// A replacement moves everything before it into Done, so a run with many
// references costs one pass instead of one copy of the run per reference.
// Positions are 0-based over the whole current text; a search may start a
// few characters back inside Done, where a replacement has just been
// written.
class RunRewrite {
 public:
  explicit RunRewrite(const Text& run) : rest_(run) {}

  std::size_t Size() const { return done_.size() + rest_.size() - from_; }

  char16_t At(std::size_t k) const {
    return k < done_.size() ? done_[k] : rest_[from_ + (k - done_.size())];
  }

  // The first occurrence of find at or after `start`, or npos.
  std::size_t Find(TextView find, std::size_t start, Compare cmp) const {
    const std::size_t n = Size();
    for (std::size_t k = start; k < done_.size(); ++k) {
      if (k + find.size() > n) return TextView::npos;
      bool match = true;
      for (std::size_t j = 0; j < find.size() && match; ++j) {
        const char16_t a = At(k + j), b = find[j];
        match = cmp == Compare::Binary ? a == b : LowerUnit(a) == LowerUnit(b);
      }
      if (match) return k;
    }
    const std::size_t base = start > done_.size() ? start - done_.size() : 0;
    const std::size_t i = FindIndex(rest_, find, from_ + base, cmp);
    if (i == TextView::npos) return i;
    return done_.size() + (i - from_);
  }

  Text Slice(std::size_t a, std::size_t b) const {
    Text t;
    for (std::size_t k = a; k < b && k < done_.size(); ++k) t.push_back(done_[k]);
    if (b > done_.size()) {
      const std::size_t lo = a > done_.size() ? a - done_.size() : 0;
      t.append(rest_.substr(from_ + lo, b - done_.size() - lo));
    }
    return t;
  }

  // Replaces [a, b) by `with`.
  void Replace(std::size_t a, std::size_t b, TextView with) {
    const std::size_t d = done_.size();
    if (b <= d) {
      done_.replace(a, b - a, with);
      return;
    }
    const std::size_t newFrom = from_ + (b - d);
    if (a >= d)
      done_.append(rest_.substr(from_, a - d));
    else
      done_.resize(a);
    done_.append(with);
    from_ = newFrom;
  }

  Text Finish() const {
    Text t = done_;
    t.append(rest_.substr(from_));
    return t;
  }

 private:
  Text done_;
  TextView rest_;
  std::size_t from_ = 0;
};

// Decoded in this order: the four markup characters first, so that what an
// escaped ampersand leaves behind is never read as a name.
constexpr Rule kNamedEntities[] = {
    {u"&quot;", u"\\'22", kAll, kExact},
    {u"&amp;", u"\\'26", kAll, kExact},
    {u"&lt;", u"\\'3C", kAll, kExact},
    {u"&gt;", u"\\'3E", kAll, kExact},
    {u"&curren;", u"\u00A4", kAll, kExact},
    {u"&brvbar;", u"|", kAll, kExact},
    {u"&brkbar;", u"|", kAll, kExact},
    {u"&sect;", u"\u00A7", kAll, kExact},
    {u"&uml;", u"\u00A8", kAll, kExact},
    {u"&copy;", u"\u00A9", kAll, kExact},
    {u"&laquo;", u"\u00AB", kAll, kExact},
    {u"&not;", u"\u00AC", kAll, kExact},
    {u"&shy;", u"\u00AD", kAll, kExact},
    {u"&reg;", u"\u00AE", kAll, kExact},
    {u"&deg;", u"\u00B0", kAll, kExact},
    {u"&plusmn;", u"\u00B1", kAll, kExact},
    {u"&sup1;", u"\\super 1\\nosupersub", kAll, kExact},
    {u"&sup2;", u"\\super 2\\nosupersub", kAll, kExact},
    {u"&sup3;", u"\\super 3\\nosupersub", kAll, kExact},
    {u"&acute;", u"\u00B4", kAll, kExact},
    {u"&micro;", u"\u00B5", kAll, kExact},
    {u"&para;", u"\u00B6", kAll, kExact},
    {u"&middot;", u"\u00B7", kAll, kExact},
    {u"&cedil;", u"\u00B8", kAll, kExact},
    {u"&raquo;", u"\u00BB", kAll, kExact},
    {u"&Aacute;", u"\u00C1", kAll, kExact},
    {u"&Acirc;", u"\u00C2", kAll, kExact},
    {u"&Auml;", u"\u00C4", kAll, kExact},
    {u"&Ccedil;", u"\u00C7", kAll, kExact},
    {u"&Eacute;", u"\u00C9", kAll, kExact},
    {u"&Euml;", u"\u00CB", kAll, kExact},
    {u"&Iacute;", u"\u00CD", kAll, kExact},
    {u"&Icirc;", u"\u00CE", kAll, kExact},
    {u"&ETH;", u"\u00D0", kAll, kExact},
    {u"&Ograve;", u"\u00D2", kAll, kExact},
    {u"&Oacute;", u"\u00D3", kAll, kExact},
    {u"&Ocirc;", u"\u00D4", kAll, kExact},
    {u"&Ouml;", u"\u00D6", kAll, kExact},
    {u"&Otilde;", u"\u00D5", kAll, kExact},
    {u"&Oslash;", u"\u00D8", kAll, kExact},
    {u"&Ugrave;", u"\u00D9", kAll, kExact},
    {u"&Uacute;", u"\u00DA", kAll, kExact},
    {u"&Ucirc;", u"\u00DB", kAll, kExact},
    {u"&Uuml;", u"\u00DC", kAll, kExact},
    {u"&Yacute;", u"\u00DD", kAll, kExact},
    {u"&THORN;", u"\u00DE", kAll, kExact},
    {u"&szlig;", u"\u00DF", kAll, kExact},
    {u"&agrave;", u"\u00E0", kAll, kExact},
    {u"&aacute;", u"\u00E1", kAll, kExact},
    {u"&acirc;", u"\u00E2", kAll, kExact},
    {u"&auml;", u"\u00E4", kAll, kExact},
    {u"&atilde;", u"\u00E3", kAll, kExact},
    {u"&aring;", u"\u00E5", kAll, kExact},
    {u"&aelig;", u"\u00E6", kAll, kExact},
    {u"&ccedil;", u"\u00E7", kAll, kExact},
    {u"&egrave;", u"\u00E8", kAll, kExact},
    {u"&eacute;", u"\u00E9", kAll, kExact},
    {u"&ecirc;", u"\u00EA", kAll, kExact},
    {u"&euml;", u"\u00EB", kAll, kExact},
    {u"&igrave;", u"\u00EC", kAll, kExact},
    {u"&iacute;", u"\u00ED", kAll, kExact},
    {u"&icirc;", u"\u00EE", kAll, kExact},
    {u"&iuml;", u"\u00EF", kAll, kExact},
    {u"&eth;", u"\u00F0", kAll, kExact},
    {u"&ntilde;", u"\u00F1", kAll, kExact},
    {u"&ograve;", u"\u00F2", kAll, kExact},
    {u"&oacute;", u"\u00F3", kAll, kExact},
    {u"&ocirc;", u"\u00F4", kAll, kExact},
    {u"&ouml;", u"\u00F6", kAll, kExact},
    {u"&otilde;", u"\u00F5", kAll, kExact},
    {u"&oslash;", u"\u00F8", kAll, kExact},
    {u"&ugrave;", u"\u00F9", kAll, kExact},
    {u"&uacute;", u"\u00FA", kAll, kExact},
    {u"&ucirc;", u"\u00FB", kAll, kExact},
    {u"&uuml;", u"\u00FC", kAll, kExact},
    {u"&yacute;", u"\u00FD", kAll, kExact},
    {u"&thorn;", u"\u00FE", kAll, kExact},
    {u"&yuml;", u"\u00FF", kAll, kExact},
};

constexpr std::size_t npos = TextView::npos;

// Every find of kNamedEntities is "&", a name of ASCII letters and digits,
// and ";", searched for exactly, every occurrence. No replacement holds "&"
// or ";", and each holds a unit that no name does. So a find can match only
// at one of the run's own "&"s, two finds never match at the same one, and
// no replacement makes or unmakes a match of another rule: one pass over
// the "&"s gives what the rules give applied one after another.
constexpr bool EntitiesMatchOnlyAtTheirAmpersand() {
  for (const Rule& r : kNamedEntities) {
    const TextView f = r.find;
    if (f.size() < 3 || f.front() != u'&' || f.back() != u';') return false;
    for (std::size_t i = 1; i + 1 < f.size(); ++i)
      if (!IsNameUnit(f[i])) return false;
    if (r.compare != Compare::Binary || r.occurrences != Occurrences::All) return false;
    bool foreign = false;
    for (const char16_t c : r.replace) {
      if (c == u'&' || c == u';') return false;
      if (!IsNameUnit(c)) foreign = true;
    }
    if (!foreign) return false;
  }
  return true;
}
static_assert(EntitiesMatchOnlyAtTheirAmpersand());

}  // namespace

std::span<const Rule> NamedEntityRules() { return kNamedEntities; }

void CollapseSpaces(Text& run) {
  // In place: a space that follows a space kept is dropped, so the write
  // position never passes the read position.
  const std::size_t n = run.size();
  std::size_t i = FindRepeatedUnit(run, u' ');
  if (i == npos) return;
  std::size_t w = i;
  for (++i; i < n; ++i)
    if (!(run[i] == u' ' && run[w - 1] == u' ')) run[w++] = run[i];
  run.resize(w);
}

void ConvertNumericReferences(Text& run) {
  if (run.find(u"&#") == Text::npos) return;
  // The ";" that ends a reference is remembered until a replacement moves
  // the text: references without one after them cost no search each.
  const auto semicolonFrom = [](const RunRewrite& r, std::size_t p,
                                std::size_t& cached) {
    if (cached == npos || cached < p) cached = r.Find(u";", p, Compare::Binary);
    return cached;
  };

  {
    RunRewrite r(run);
    std::size_t cached = npos;
    bool noSemicolon = false;
    std::size_t p = r.Find(u"&#X", 0, Compare::Text);
    while (p != npos && !noSemicolon) {
      const std::size_t q = semicolonFrom(r, p, cached);
      if (q == npos) {
        noSemicolon = true;  // nothing after p changes any more
      } else if (q - (p + 3) == 2) {
        r.Replace(p, q + 1, u"\\'" + r.Slice(p + 3, q));
        cached = npos;
      }
      p = r.Find(u"&#X", p + 1, Compare::Text);
    }
    run = r.Finish();
  }

  RunRewrite r(run);
  try {
    std::size_t cached = npos;
    std::size_t p = r.Find(u"&#", 0, Compare::Binary);
    while (p != npos) {
      const std::size_t q = semicolonFrom(r, p, cached);
      if (q == npos) break;
      const Text d = r.Slice(p + 2, q);
      const Text h = Hex32(ToInt32(d));
      r.Replace(p, q + 1, h.size() == 2 ? u"\\'" + h : u"\\u" + d + u"\\'3F");
      cached = npos;
      p = r.Find(u"&#", p + 1, Compare::Binary);
    }
  } catch (const Error&) {
    run = r.Finish();
    throw;
  }
  run = r.Finish();
}

void ConvertNamedEntities(Text& run) {
  std::size_t amp = run.find(u'&');
  if (amp == npos) return;
  Text out;
  std::size_t copied = 0;
  bool replaced = false;
  while (amp != npos) {
    const TextView rest = TextView(run).substr(amp);
    const char16_t first = rest.size() > 1 ? rest[1] : u'&';  // no name starts with "&"
    const Rule* hit = nullptr;
    for (const Rule& r : kNamedEntities) {
      if (r.find[1] == first && rest.starts_with(r.find)) {
        hit = &r;
        break;
      }
    }
    if (hit == nullptr) {
      amp = run.find(u'&', amp + 1);
      continue;
    }
    if (!replaced) out.reserve(run.size() + 32);
    replaced = true;
    out.append(run, copied, amp - copied);
    out.append(hit->replace);
    copied = amp + hit->find.size();
    amp = run.find(u'&', copied);
  }
  if (!replaced) return;
  out.append(run, copied);
  run = std::move(out);
}

void EscapeRun(Text& run) {
  static constexpr Rule kEscapes[] = {
      {u"\\~", u" ", kAll, kExact},
      {u"\\", u"\\\\", kAll, kExact},
      {u"{", u"\\{", kAll, kExact},
      {u"}", u"\\}", kAll, kExact},
  };
  SkipOnError([&] { CollapseSpaces(run); });
  // Each escape's find holds a backslash or a brace, and each reference
  // starts with "&": a run without one (most runs) goes through that table
  // or those passes unchanged. Neither the escapes nor the numeric
  // references write an "&", so one look at the run decides for all.
  const unsigned found = UnitsIn(run, {u'\\', u'{', u'}', u'&'});
  const bool escapes = (found & 7) != 0, references = (found & 8) != 0;
  if (escapes)
    for (const Rule& rule : kEscapes) SkipOnError([&] { ApplyRule(run, rule); });
  if (!references) return;
  SkipOnError([&] { ConvertNumericReferences(run); });
  SkipOnError([&] { ConvertNamedEntities(run); });
}

}  // namespace skeinlet::detail
