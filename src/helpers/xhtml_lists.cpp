#include "helpers/xhtml_lists.hpp"

#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

// Twenty-one case-sensitive rules, every occurrence, in this order. Rule 6
// also turns an existing CR LF into CR CR LF; the rules after it are written
// for the text as rule 6 leaves it.
constexpr Rule kFixXhtmlLists[] = {
    {u"\n      ", u" ", kAll, kExact},                                      // 1
    {u"=\r\n\"", u"=\"", kAll, kExact},                                     // 2
    {u"\"\ncolor=", u"\" COLOR=", kAll, kExact},                            // 3
    {u"\"\nsize=", u"\" SIZE=", kAll, kExact},                              // 4
    {u"\"\nsrc=", u"\" src=", kAll, kExact},                                // 5
    {u"\n", u"\r\n", kAll, kExact},                                         // 6
    {u"</ul></ul>", u"</ul>", kAll, kExact},                                // 7
    {u"</ul>\r\n</ul>", u"</ul>", kAll, kExact},                            // 8
    {u"</ul>\r</ul>", u"</ul>", kAll, kExact},                              // 9
    {u"</ul>\n</ul>", u"</ul>", kAll, kExact},                              // 10
    {u"</ul> \r\n</ul>", u"</ul>", kAll, kExact},                           // 11
    {u"</ul> \r</ul>", u"</ul>", kAll, kExact},                             // 12
    {u"</ul> \n</ul>", u"</ul>", kAll, kExact},                             // 13
    {u"</ul><br /></ul>", u"</ul>", kAll, kExact},                          // 14
    {u"</ul>\r\n<br />\r\n</ul>", u"</ul>", kAll, kExact},                  // 15
    {u"</ul>\r<br />\r</ul>", u"</ul>", kAll, kExact},                      // 16
    {u"</ul>\n<br />\n</ul>", u"</ul>", kAll, kExact},                      // 17
    {u"</ul> \r\n<br />\r\n</ul>", u"</ul>", kAll, kExact},                 // 18
    {u"</ul> \r<br />\r</ul>", u"</ul>", kAll, kExact},                     // 19
    {u"</ul> \n<br />\n</ul>", u"</ul>", kAll, kExact},                     // 20
    {u"<li style=\"list-style: none\">", u"<li>", kAll, kExact},           // 21
};

}  // namespace

Text FixXhtmlLists(Text& text) {
  ApplyRules(text, kFixXhtmlLists);
  return text;
}

}  // namespace skeinlet::detail
