#include "helpers/links.hpp"

#include <gtest/gtest.h>

namespace skeinlet::detail {
namespace {

const Text kBlue = u"<font COLOR=\"#0000FF\">";
const Text kBlack = u"<font COLOR=\"#000000\">";

// The passes, which also tell whether they changed the text.
Text Tidy(Text html) {
  const Text before = html;
  const bool reported = TidyUnderlinedLinks(html);
  EXPECT_EQ(reported, html != before);
  return html;
}
Text Linked(Text html) {
  const Text before = html;
  const bool reported = LinkUnderlinedAddresses(html);
  EXPECT_EQ(reported, html != before);
  return html;
}

TEST(TidyUnderlinedLinks, AnchorInBracketsTakesTheLinkText) {
  const Text inner = u"<a href=\"http://www.site.org\">www.site.org</a>";
  const Text html = u"<p>Go: <u>" + kBlue + u"Our site &lt;" + inner + u"&gt;</u>" + kBlack +
                    u" now</p>";
  EXPECT_EQ(Tidy(html), u"<p>Go: <u><a href=\"http://www.site.org\">Our site</a></u>" +
                                           kBlack + u" now</p>");

  // Every copy of the same pair goes in one loop; letter case does not matter.
  const Text upper = u"<U>" + kBlue + u"Our site &lt;" + inner + u"&gt;</U>";
  EXPECT_EQ(Tidy(upper + u" and " + upper),
            u"<u><a href=\"http://www.site.org\">Our site</a></u> and "
            u"<u><a href=\"http://www.site.org\">Our site</a></u>");

  // Two nested font tags end the pass without a change.
  const Text nested = u"<u>" + kBlue + u"<font face=\"Arial\">Our site &lt;" + inner + u"&gt;</u>";
  EXPECT_EQ(Tidy(nested), nested);
  // No "<u>" before the bracket, or none at all.
  const Text bare = u"Our site &lt;" + inner + u"&gt;</u>";
  EXPECT_EQ(Tidy(bare), bare);
  EXPECT_EQ(Tidy(u"plain"), u"plain");
  // A target without its closing quote is a cut of negative length.
  EXPECT_THROW(Tidy(u"<u>x &lt;<a href=\"abc</a>&gt;</u>"), Error);
}

TEST(LinkUnderlinedAddresses, AddressInBracketsBecomesTheTarget) {
  const Text html = u"<p><u>" + kBlue + u"Docs &lt;www.site.org&gt;</u>" + kBlack + u"x</p>";
  EXPECT_EQ(Linked(html),
            u"<p><u>" + kBlue + u"<a href=\"www.site.org\">Docs</a></u></u>" + kBlack + u"x</p>");

  // Two different pairs: one loop each.
  const Text two = u"<u>" + kBlue + u"A &lt;a.org&gt;</u>" + kBlack + u"<u>" + kBlue +
                   u"B &lt;b.org&gt;</u>" + kBlack;
  EXPECT_EQ(Linked(two), u"<u>" + kBlue + u"<a href=\"a.org\">A</a></u></u>" +
                                              kBlack + u"<u>" + kBlue +
                                              u"<a href=\"b.org\">B</a></u></u>" + kBlack);

  // No "." in the address: unchanged.
  const Text local = u"<u>" + kBlue + u"Docs &lt;localhost&gt;</u>" + kBlack;
  EXPECT_EQ(Linked(local), local);
  // Link text without a font tag.
  EXPECT_EQ(Linked(u"<u>Docs &lt;a.org&gt;</u>" + kBlack),
            u"<u><a href=\"a.org\">Docs</a></u></u>" + kBlack);
  // A tag other than a font tag in the link text ends the pass.
  const Text bold = u"<u><b>Docs &lt;a.org&gt;</u>" + kBlack;
  EXPECT_EQ(Linked(bold), bold);
}

}  // namespace
}  // namespace skeinlet::detail
