#include "text/rules.hpp"

namespace skeinlet::detail {

std::size_t ApplyRule(Text& text, const Rule& rule) {
  return ReplaceIn(text, rule.find, rule.replace, rule.compare,
                   rule.occurrences);
}

void ApplyRules(Text& text, std::span<const Rule> rules) {
  for (const Rule& rule : rules) ApplyRule(text, rule);
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
