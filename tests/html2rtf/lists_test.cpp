#include "fresh_state.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

Text Offer(TextView tag) {
  OfferTag(Text(tag), 1, Text());
  return Emitted();
}

TEST(Lists, BulletItemsClosed) {
  HtmlRtfState& s = FreshState();
  EXPECT_EQ(Offer(u"<UL>"), u"\r\n\\par");
  EXPECT_EQ(Offer(u"<LI>"), u" \\plain\\cf1\\fi720 \\u9679\\'3f \\f0");
  EXPECT_TRUE(s.InListItem);
  EXPECT_FALSE(s.ListItemClosed);
  EXPECT_EQ(Offer(u"</LI>"), u"\r\n\\par\\pard\\pard");
  EXPECT_TRUE(s.ListItemClosed);
  EXPECT_EQ(Offer(u"<LI CLASS=X>"), u" \\plain\\cf1\\fi720 \\u9679\\'3f \\f0");
  EXPECT_EQ(Offer(u"</LI>"), u"\r\n\\par\\pard\\pard");
  // Every item closed: the list end adds nothing.
  EXPECT_EQ(Offer(u"</UL>"), u"");
  EXPECT_FALSE(s.InListItem);
}

TEST(Lists, NumberedItemsLeftOpen) {
  HtmlRtfState& s = FreshState();
  s.CurrentFont = 3;
  s.TextInCell = true;
  s.PendingParagraph = true;
  EXPECT_EQ(Offer(u"<OL TYPE=1>"), u"\r\n\\par");
  EXPECT_EQ(Offer(u"<LI>"), u" \\plain\\cf1\\fi720 1. \\f3");
  EXPECT_FALSE(s.TextInCell);
  EXPECT_FALSE(s.PendingParagraph);
  EXPECT_EQ(Offer(u"<LI>"), u"\r\n\\par\\pard \\plain\\cf1\\fi720 2. \\f3");
  EXPECT_EQ(Offer(u"</OL>"), u"\r\n\\par\\pard");
  EXPECT_FALSE(s.OrderedList);
  EXPECT_EQ(s.ItemNumber, 0);
  // A second numbered list starts at 1 again.
  Offer(u"<OL>");
  EXPECT_EQ(Offer(u"<LI>"), u" \\plain\\cf1\\fi720 1. \\f3");
}

TEST(Lists, ItemsOutsideListsInnerListsAndParagraphs) {
  HtmlRtfState& s = FreshState();
  EXPECT_EQ(Offer(u"<LI>"), u" \\plain\\cf1\\fi720 \\u9679\\'3f \\f0");
  // An item with a paragraph in it writes no break of its own at its end.
  FreshState();
  Offer(u"<UL>");
  Offer(u"<LI>");
  EXPECT_EQ(Offer(u"<P>"), u"");
  EXPECT_EQ(Offer(u"<P>"), u" \\plain\\cf1\\fi900 ");
  EXPECT_EQ(s.ParagraphsInItem, 2);
  EXPECT_EQ(Offer(u"</LI>"), u"\\pard");
  EXPECT_EQ(s.ParagraphsInItem, 0);
  // After an inner numbered list ends, the outer numbered list goes on with
  // bullets.
  FreshState();
  Offer(u"<OL>");
  Offer(u"<LI>");
  Offer(u"<OL>");
  EXPECT_EQ(Offer(u"<LI>"), u"\r\n\\par\\pard \\plain\\cf1\\fi720 1. \\f0");
  Offer(u"</LI>");
  Offer(u"</OL>");
  EXPECT_EQ(Offer(u"<LI>"), u" \\plain\\cf1\\fi720 \\u9679\\'3f \\f0");
}

TEST(Lists, InsideACell) {
  HtmlRtfState& s = FreshState();
  s.TableDepth = 1;
  Offer(u"<UL>");
  Offer(u"<LI>");
  EXPECT_EQ(Offer(u"</LI>"), u"\r\n\\par\\pard\\intbl\\itap1\\pard\\intbl\\itap1");
  Offer(u"<LI>");
  // The list end leaves the item first, so its break is a bare one.
  EXPECT_EQ(Offer(u"</UL>"), u"\r\n\\par\\pard\\intbl\\itap1");
}

}  // namespace
}  // namespace skeinlet::detail
