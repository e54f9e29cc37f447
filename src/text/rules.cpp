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
class PairIndex {
 public:
  void Build(TextView text) {
    bits_.fill(0);
    const char16_t* lower = LowerTable();
    for (std::size_t i = 1; i < text.size(); ++i) Set(Slot(lower[text[i - 1]], lower[text[i]]));
  }
  bool MayContain(TextView find) const {
    const char16_t* lower = LowerTable();
    for (std::size_t i = 1; i < find.size(); ++i)
      if (!Test(Slot(lower[find[i - 1]], lower[find[i]]))) return false;
    return true;
  }

 private:
  static unsigned Slot(char16_t a, char16_t b) noexcept {
    return ((static_cast<std::uint32_t>(a) << 16 | b) * 0x9E3779B1u) >> 20;
  }
  void Set(unsigned slot) noexcept { bits_[slot >> 6] |= std::uint64_t{1} << (slot & 63); }
  bool Test(unsigned slot) const noexcept { return bits_[slot >> 6] >> (slot & 63) & 1; }

  std::array<std::uint64_t, 64> bits_{};
};

// Below this many rules a table is searched rule by rule.
constexpr std::size_t kIndexedTable = 4;

}  // namespace

void ApplyRules(Text& text, std::span<const Rule> rules) {
  if (rules.size() < kIndexedTable) {
    for (const Rule& rule : rules) ApplyRule(text, rule);
    return;
  }
  // The index is built when a rule first needs it and again after each
  // rule that changed the text.
  PairIndex index;
  bool current = false;
  for (const Rule& rule : rules) {
    if (rule.find.size() >= 2) {
      if (rule.find.size() > text.size()) continue;
      if (!current) {
        index.Build(text);
        current = true;
      }
      if (!index.MayContain(rule.find)) continue;
    }
    if (ApplyRule(text, rule) > 0) current = false;
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
