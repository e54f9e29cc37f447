#include "tables/cell_formatting_rounds.hpp"

#include "text/errors.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace skeinlet::detail {
namespace {

constexpr TextView kOpen = u"<table";
constexpr TextView kClose = u"</table>";
constexpr std::size_t kNone = TextView::npos;

// The document as a finished front and a working back held in one buffer:
// the front is buf_[0, f_), the back buf_[b0_, end), and the units between
// are free room. The gap only moves forward; moving it moves the units it
// passes from the back to the front, and a replacement at the gap is
// written into the room, so the text is never held twice.
class SplitText {
 public:
  explicit SplitText(Text&& all) : buf_(std::move(all)) {
    // Room up front, as far as the buffer already has it, for tables that
    // their replacements lengthen.
    const std::size_t size = buf_.size();
    const std::size_t room = std::min(buf_.capacity() - size, size / 8 + 4096);
    if (room == 0) return;
    buf_.resize(size + room);
    std::char_traits<char16_t>::move(buf_.data() + room, buf_.data(), size);
    b0_ = room;
  }

  std::size_t Gap() const noexcept { return f_; }
  TextView Front() const noexcept { return TextView(buf_).substr(0, f_); }
  TextView Back() const noexcept { return TextView(buf_).substr(b0_); }

  void MoveGapTo(std::size_t at) {
    const std::size_t k = at - f_;
    if (f_ != b0_) std::char_traits<char16_t>::move(buf_.data() + f_, buf_.data() + b0_, k);
    f_ += k;
    b0_ += k;
  }
  // Replaces the `length` units after the gap by `with`.
  void ReplaceAtGap(std::size_t length, TextView with) {
    const std::size_t end = b0_ + length;
    if (with.size() <= end - f_) {
      b0_ = end - with.size();
      std::char_traits<char16_t>::copy(buf_.data() + b0_, with.data(), with.size());
      return;
    }
    const std::size_t tail = buf_.size() - end;
    const std::size_t room = (f_ + with.size() + tail) / 8 + 4096;
    Text fresh;
    fresh.reserve(f_ + room + with.size() + tail);
    fresh.append(buf_, 0, f_);
    fresh.append(room, u'\0');
    fresh.append(with);
    fresh.append(buf_, end, tail);
    buf_ = std::move(fresh);
    b0_ = f_ + room;
  }
  Text Take() {
    buf_.erase(f_, b0_ - f_);
    f_ = b0_ = 0;
    return std::move(buf_);
  }

 private:
  Text buf_;
  std::size_t f_ = 0;
  std::size_t b0_ = 0;
};

// A key for a table text: its length and its first and last 256 units,
// four units to a multiply.
std::uint64_t KeyOf(TextView s) {
  std::uint64_t h = 1469598103934665603ull ^ s.size();
  const auto mix = [&h](const char16_t* p, std::size_t n) {
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
      std::uint64_t w;
      std::memcpy(&w, p + i, sizeof w);
      h = (h ^ w) * 0x9E3779B97F4A7C15ull;
      h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  };
  const std::size_t head = std::min<std::size_t>(s.size(), 256);
  mix(s.data(), head);
  const std::size_t tail = std::max(head, s.size() - std::min<std::size_t>(s.size(), 256));
  mix(s.data() + tail, s.size() - tail);
  return h;
}

// The "<table" starts already passed, each with the text from it to its
// first "</table>": those whose "</table>" lies in the finished front are
// filed under their key; the others ("open", inside the table being
// worked on) wait, all sharing the one "</table>" that comes next.
class PassedTables {
 public:
  void Clear() {
    filed_.clear();
    open_.clear();
  }

  // Files the starts of front[from, to), the tables closed there and those
  // waiting whose shared close lies there. `nextClose` is the first
  // "</table>" at or after `to`.
  void Scan(TextView front, std::size_t from, std::size_t to) {
    const TextView part = front.substr(0, to);
    if (openClose_ != kNone && openClose_ + kClose.size() <= to) {
      for (std::size_t b : open_) File(front, b, openClose_);
      open_.clear();
    }
    std::vector<std::size_t> starts;
    for (std::size_t s = FindIndex(part, kOpen, from, Compare::Text); s != kNone;
         s = FindIndex(part, kOpen, s + 1, Compare::Text))
      starts.push_back(s);
    std::size_t close = kNone;
    for (std::size_t k = starts.size(); k-- > 0;) {
      // The first close after each start, found from the right so that each
      // part of the text is searched once.
      const std::size_t limit = k + 1 < starts.size() ? starts[k + 1] : to;
      const std::size_t c = FindIndex(part.substr(0, limit), kClose, starts[k], Compare::Text);
      if (c != kNone) close = c;
      if (close != kNone && close + kClose.size() <= to)
        File(front, starts[k], close);
      else
        open_.push_back(starts[k]);
    }
  }

  // The first filed start whose text equals t, or kNone.
  std::size_t FirstEqual(TextView front, TextView t) const {
    const auto it = filed_.find(KeyOf(t));
    if (it == filed_.end()) return kNone;
    std::size_t best = kNone;
    for (std::size_t b : it->second)
      if (b < best && front.substr(b, t.size()) == t) best = b;
    return best;
  }

  void SetOpenClose(std::size_t close) { openClose_ = close; }

 private:
  void File(TextView front, std::size_t start, std::size_t close) {
    filed_[KeyOf(front.substr(start, close + kClose.size() - start))].push_back(start);
  }

  std::unordered_map<std::uint64_t, std::vector<std::size_t>> filed_;
  std::vector<std::size_t> open_;
  std::size_t openClose_ = kNone;
};

}  // namespace

void RunCellFormattingRounds(Text& html, Pos rounds,
                             const std::function<Text(const Text&)>& carry) {
  SplitText doc(std::move(html));
  PassedTables passed;
  std::size_t scanFrom = 0;
  std::size_t pos = 0;  // where the next "<table" is sought, 0-based
  for (Pos round = 0; round < rounds; ++round) {
    const TextView back = doc.Back();
    const std::size_t gap = doc.Gap();
    const std::size_t ia = FindIndex(back, kOpen, pos - gap, Compare::Text);
    if (ia == kNone) break;
    const std::size_t ic = FindIndex(back, kClose, ia, Compare::Text);
    if (ic == kNone) break;
    const std::size_t a = gap + ia;
    pos = gap + ic;
    const Text t(back.substr(ia, ic + kClose.size() - ia));
    Text n;
    try {
      n = carry(t);
    } catch (const Error&) {
      break;
    }

    doc.MoveGapTo(a);
    passed.Scan(doc.Front(), scanFrom, a);
    const std::size_t earlier = passed.FirstEqual(doc.Front(), t);
    if (earlier == kNone) {
      doc.ReplaceAtGap(t.size(), n);
      const std::size_t next = FindIndex(doc.Back(), kClose, 0, Compare::Text);
      passed.SetOpenClose(next == kNone ? kNone : a + next);
      scanFrom = a;
      continue;
    }
    // An identical text comes first: it is the one replaced. Rare enough to
    // start the bookkeeping again on the whole text.
    Text whole = doc.Take();
    whole.replace(earlier, t.size(), n);
    doc = SplitText(std::move(whole));
    passed.Clear();
    passed.SetOpenClose(kNone);
    scanFrom = 0;
  }
  html = doc.Take();
}

}  // namespace skeinlet::detail
