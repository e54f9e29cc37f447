// Stages 8 and 12 of RtfToHtml: the two markup clean-up series. The run
// converter leaves empty font and list elements, size tags around a lone
// line break, non-breaking space runs where the document indented a list
// item, rows without a cell start and the "<b>rsp20 " that its bold switch
// makes of a border spacing control word; these series remove or rewrite
// them. The patterns are the run converter's output to the character.
#include "engine/rtf_to_html.hpp"

#include "text/rules.hpp"

namespace skeinlet::detail {
namespace {

constexpr Rule kMarkupCleanupFirst[] = {
    {u"<font size=\"7\"><br> <font", u"<br> <font", kAll, kText},
    {u"<font size=\"6\"><br> <font", u"<br> <font", kAll, kText},
    {u"<font size=\"5\"><br> <font", u"<br> <font", kAll, kText},
    {u"<font size=\"4\"><br> <font", u"<br> <font", kAll, kText},
    {u"<font size=\"3\"><br> <font", u"<br> <font", kAll, kText},
    {u"<li></font></li>", u"<li></li>", kAll, kText},
    {u"</font><font COLOR=\"#000000\" ><b>", u"<font COLOR=\"#000000\" ><b>", kAll, kText},
    {u"<font FACE=\"MS Sans Serif\" ></font>", u"", kAll, kText},
    // Longest run first: what a rule leaves of a longer run is for the
    // rules after it.
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;&nbsp;", u"<ul><li>", kAll, kText},
    {u"<li>&nbsp;&nbsp;", u"</ul></ul></ul></ul></ul><li>", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;<li>", u"<ul><li>", kAll, kText},
    {u"</tr>{LF}<tr>", u"</tr><tr><td>", kAll, kText},
    {u"</tr>{CR}<tr>", u"</tr><tr><td>", kAll, kText},
    {u"</tr>{CRLF}<tr>{SP}", u"</tr><tr><td>", kAll, kText},
    {u"</tr>{CRLF}<tr>", u"</tr><tr><td>", kAll, kText},
    {u"<br>&nbsp;&nbsp;&nbsp;", u"<br>&nbsp;&nbsp;", kAll, kText},
    {u"<font FACE=\"Verdana\" >&nbsp;&nbsp;</font>", u"", kAll, kText},
    {u"<font FACE=\"Arial\" SIZE=\"3\"></font>", u"", kAll, kText},
    {u"<font FACE=\"Arial\" SIZE=\"3\" ></font>", u"", kAll, kText},
    {u"<li></li></li>", u"</li>", kAll, kText},
    {u"<br> <li>{CRLF}</font></li></li>", u"</li></font></ul><br>", kAll, kText},
    {u">&nbsp;<", u">&nbsp; <", kAll, kText},
    {u"</b></b><CENTER>", u"<CENTER>", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;·&nbsp;&nbsp;&nbsp;", u"·&nbsp;&nbsp;&nbsp;", kAll, kExact},
    {u"<br>&nbsp;&nbsp;{SP}", u"<br>&nbsp;&nbsp;", kAll, kExact},
};

constexpr Rule kMarkupCleanupSecond[] = {
    {u"</span>&nbsp;&nbsp;", u"</span>&nbsp;", kAll, kText},
    {u"\" >{SP}", u"\">&nbsp;", kAll, kText},
    {u"</td><td><font FACE=\"SimSun\"></tr>", u"</td><td> </td></tr>", kAll, kText},
    {u"</td><td> </td></tr>{CRLF}<font FACE=\"Times New Roman\"><tr>{SP}",
     u"</td><td> </td></tr>{CRLF}<font FACE=\"Times New Roman\"><tr><td>{SP}", kAll, kText},
    {u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Arial\"><tr></td><td><font{SP}",
     u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Arial\"><tr><td></td><td><font{SP}",
     kAll, kText},
    {u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Times New Roman\"><tr></td><td><font{SP}",
     u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Times New Roman\"><tr><td></td><td><font{SP}",
     kAll, kText},
    {u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr></td><td><font{SP}",
     u"\"></tr>{CRLF}<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr><td></td><td><font{SP}",
     kAll, kText},
    {u"</td><td><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>",
     u"</td><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>",
     kAll, kText},
    {u"<tr><td></font></b></b></b><b><font{SP}",
     u"<tr><td></td><td></font></b></b></b><b><font{SP}", kAll, kText},
    {u"</td><td></b><font COLOR=\"#000000\" ><font FACE=\"Arial\"><font SIZE=\"3\"></tr>",
     u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Arial\"><font SIZE=\"3\"></tr>", kAll, kText},
    {u"</td><td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>",
     u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>",
     kAll, kText},
    {u"</td><td></b><font COLOR=\"#000000\" ><font FACE=\"Courier New\"><font SIZE=\"3\"></tr>",
     u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Courier New\"><font SIZE=\"3\"></tr>",
     kAll, kText},
    {u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>"
     u"{CRLF}<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr>{SP}",
     u"</td></b><font COLOR=\"#000000\" ><font FACE=\"Times New Roman\"><font SIZE=\"3\"></tr>"
     u"{CRLF}<font COLOR=\"#000000\"><font FACE=\"Courier New\"><tr><td>{SP}",
     kAll, kText},
    {u"<td></td>", u"<td>&nbsp;</td>", kAll, kText},
    {u"bordercolor=\"#000000\"><tr><td><font FACE=\"TimesNew Roman\" SIZE=\"2\" >",
     u"bordercolor=\"#000000\"><font FACE=\"TimesNew Roman\" SIZE=\"2\" ><tr><td>", kAll, kText},
    {u"bordercolor=\"#000000\"><tr><td><font FACE=\"Times New Roman\" SIZE=\"2\" >",
     u"bordercolor=\"#000000\"><font FACE=\"Times New Roman\" SIZE=\"2\" ><tr><td>", kAll, kText},
    {u"bordercolor=\"#000000\"><tr><td><font FACE=\"Courier New\" SIZE=\"2\" >",
     u"bordercolor=\"#000000\"><font FACE=\"Courier New\" SIZE=\"2\" ><tr><td>", kAll, kText},
    {u"bordercolor=\"#000000\"><tr><td><font FACE=\"Arial\" SIZE=\"2\" >",
     u"bordercolor=\"#000000\"><font FACE=\"Arial\" SIZE=\"2\" ><tr><td>", kAll, kText},
    {u"</tr>{CRLF}<tr><td></font></b></b><font FACE=",
     u"</tr>{CRLF}<tr><td></td><td></font></b></b><font FACE=", kAll, kText},
    {u"</td></tr><tr><td><td></font>", u"</td></tr><tr><td></font>", kAll, kText},
    // The doubled border spacing text with the run of spaces before it,
    // longest first, so that no shorter rule leaves part of a run behind.
    {u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"&nbsp;<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"{SP}<b>rsp20 <b>rsp20{SP}", u"", kAll, kText},
    {u"<b>rsp20{SP}", u"", kAll, kText},
    {u"t><table{SP}", u"t><br><table{SP}", kAll, kText},
    {u"</tr><tr><td></font><font FACE=\"Times New Roman\" SIZE=\"2\" >", u"</tr><tr><td>", kAll, kText},
    {u"</tr><tr><td></font><font FACE=\"Arial\" SIZE=\"2\" >", u"</tr><tr><td>", kAll, kText},
    {u"</td></tr>{CRLF}</font><font FACE=\"Times New Roman\" SIZE=\"2\" >",
     u"</td></tr>{CRLF}<tr><td>", kAll, kText},
    {u"</td></tr>{CRLF}</font><font FACE=\"Arial\" SIZE=\"2\" >", u"</td></tr>{CRLF}<tr><td>",
     kAll, kText},
    {u"cellpadding=\"0\">{CRLF}<font FACE=\"TimesNew Roman\" SIZE=\"2\" >",
     u"cellpadding=\"0\">{CRLF}<tr><td><font FACE=\"TimesNew Roman\" SIZE=\"2\" >", kAll, kText},
    // The middle dot is the bullet the run converter left in the text.
    {u"·", u"</li><li>", kAll, kText},
    {u"> <li></li><fo", u"> <fo", kAll, kText},
    {u"\" ></li><li>}}", u"\" ></li><li>", kAll, kText},
};

}  // namespace

void Stage08MarkupCleanupFirst(EngineCall& call) {
  static const RuleTable kTable = RuleTable::FromNotation(kMarkupCleanupFirst);
  call.Html.Apply(kTable);
}

void Stage12MarkupCleanupSecond(EngineCall& call) {
  static const RuleTable kTable = RuleTable::FromNotation(kMarkupCleanupSecond);
  call.Html.Apply(kTable);
}

}  // namespace skeinlet::detail
