#include "text/rules.hpp"

#include <array>
#include <cstdint>

namespace skeinlet::detail {

std::size_t ApplyRule(Text& text, const Rule& rule) {
  return ReplaceIn(text, rule.find, rule.replace, rule.compare,
                   rule.occurrences);
}

namespace {

// Which pairs of adjacent units (lower-cased, hashed into 4096 bits) occur in
// a text. A rule whose find text holds a pair that does not occur cannot
// match, so its search is skipped; a hash collision only lets a search run.
//
// After a rule has replaced something the index is kept rather than built
// again: the pairs inside the replacement are added, and the pairs it forms
// with its neighbours, which are not known, are covered by remembering its
// first and last unit: any pair ending in the first or starting with the
// last may now occur. An empty replacement joins two unknown units, so the
// index is built again before it is next asked.
class PairIndex {
 public:
  void Build(TextView text) {
    pairs_.fill(0);
    wildFirst_ = wildSecond_ = 0;
    wildCount_ = 0;
    stale_ = false;
    const char16_t* lower = LowerTable();
    const std::size_t n = text.size();
    if (n < kByteSetFrom) {
      for (std::size_t i = 1; i < n; ++i) Set(Slot(lower[text[i - 1]], lower[text[i]]));
      return;
    }
    // A long text marks one byte per slot and packs the bytes into bits at
    // the end: a plain store per pair, where updating a bit would make each
    // pair wait for the last update of its word (pairs repeat often).
    std::array<std::uint8_t, kSlots> seen{};
    char16_t previous = lower[text[0]];
    for (std::size_t i = 1; i < n; ++i) {
      const char16_t current = lower[text[i]];
      seen[Slot(previous, current)] = 1;
      previous = current;
    }
    for (std::size_t slot = 0; slot < kSlots; ++slot)
      pairs_[slot >> 6] |= std::uint64_t{seen[slot]} << (slot & 63);
  }
  bool Stale() const noexcept { return stale_; }
  bool MayContain(TextView find) const {
    const char16_t* lower = LowerTable();
    for (std::size_t i = 1; i < find.size(); ++i) {
      const char16_t a = lower[find[i - 1]], b = lower[find[i]];
      if (!Test(Slot(a, b)) && !(wildFirst_ >> Bit(a) & 1) && !(wildSecond_ >> Bit(b) & 1))
        return false;
    }
    return true;
  }
  void Replaced(TextView with) {
    if (with.empty() || ++wildCount_ > kMostWild) {
      stale_ = true;
      return;
    }
    const char16_t* lower = LowerTable();
    for (std::size_t i = 1; i < with.size(); ++i) Set(Slot(lower[with[i - 1]], lower[with[i]]));
    wildSecond_ |= std::uint64_t{1} << Bit(lower[with.front()]);
    wildFirst_ |= std::uint64_t{1} << Bit(lower[with.back()]);
  }

 private:
  // Past this many replacements the unit sets let too much through.
  static constexpr int kMostWild = 6;
  static constexpr std::size_t kSlots = 4096;
  // From this length a text is indexed through a byte per slot.
  static constexpr std::size_t kByteSetFrom = 4 * kSlots;

  static unsigned Slot(char16_t a, char16_t b) noexcept {
    return ((static_cast<std::uint32_t>(a) << 16 | b) * 0x9E3779B1u) >> 20;
  }
  static unsigned Bit(char16_t u) noexcept { return (u * 0x9E37u >> 7) & 63; }
  void Set(unsigned slot) noexcept { pairs_[slot >> 6] |= std::uint64_t{1} << (slot & 63); }
  bool Test(unsigned slot) const noexcept { return pairs_[slot >> 6] >> (slot & 63) & 1; }

  std::array<std::uint64_t, 64> pairs_{};
  std::uint64_t wildFirst_ = 0, wildSecond_ = 0;
  int wildCount_ = 0;
  bool stale_ = true;
};

// Below this many rules a table is searched rule by rule.
constexpr std::size_t kIndexedTable = 4;

}  // namespace

void ApplyRules(Text& text, std::span<const Rule> rules) {
  if (rules.size() < kIndexedTable) {
    for (const Rule& rule : rules) ApplyRule(text, rule);
    return;
  }
  // The index is built when a rule first needs it.
  PairIndex index;
  for (const Rule& rule : rules) {
    if (rule.find.size() >= 2) {
      if (rule.find.size() > text.size()) continue;
      if (index.Stale()) index.Build(text);
      if (!index.MayContain(rule.find)) continue;
    }
    if (ApplyRule(text, rule) > 0) index.Replaced(rule.replace);
  }
}

bool ApplyGuarded(Text& text, TextView guard, std::span<const Rule> rules,
                  Compare guardCompare) {
  if (!Contains(text, guard, guardCompare)) return false;
  ApplyRules(text, rules);
  return true;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> values;
  const int step = first <= last ? 1 : -1;
  values.reserve(static_cast<std::size_t>((last - first) * step + 1));
  for (int v = first;; v += step) {
    values.push_back(v);
    if (v == last) break;
  }
  return values;
}

Text ExpandNotation(TextView notated, TextView colour) {
  struct Token {
    TextView name;
    TextView value;
  };
  const Token tokens[] = {
      {u"{CRLF}", u"\r\n"}, {u"{CR}", u"\r"},       {u"{LF}", u"\n"},
      {u"{SP}", u" "},      {u"{COLOUR}", colour},
  };
  Text out;
  out.reserve(notated.size());
  std::size_t i = 0;
  while (i < notated.size()) {
    bool matched = false;
    if (notated[i] == u'{') {
      for (const Token& t : tokens) {
        if (notated.substr(i, t.name.size()) == t.name) {
          out.append(t.value);
          i += t.name.size();
          matched = true;
          break;
        }
      }
    }
    if (!matched) out.push_back(notated[i++]);
  }
  return out;
}

TextView RuleTable::Keep(Text t) {
  storage_.push_back(std::move(t));
  return storage_.back();
}

RuleTable& RuleTable::Add(TextView find, TextView replace, Occurrences occ,
                          Compare cmp) {
  const TextView f = Keep(Text(find));
  const TextView r = Keep(Text(replace));
  rules_.push_back({f, r, occ, cmp});
  return *this;
}

RuleTable& RuleTable::Append(std::span<const Rule> rules) {
  for (const Rule& rule : rules)
    Add(rule.find, rule.replace, rule.occurrences, rule.compare);
  return *this;
}

RuleTable& RuleTable::AppendNotation(std::span<const Rule> rules,
                                     TextView colour) {
  for (const Rule& rule : rules)
    Add(ExpandNotation(rule.find, colour), ExpandNotation(rule.replace, colour),
        rule.occurrences, rule.compare);
  return *this;
}

RuleTable& RuleTable::AddFamily(TextView findTemplate,
                                TextView replaceTemplate,
                                std::span<const int> values, Occurrences occ,
                                Compare cmp, TextView slot) {
  for (const int v : values) {
    const Text digits = NumberText(v);
    Add(Replace(findTemplate, slot, digits, Compare::Binary),
        Replace(replaceTemplate, slot, digits, Compare::Binary), occ, cmp);
  }
  return *this;
}

}  // namespace skeinlet::detail
