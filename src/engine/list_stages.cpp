// The list and numbering stages of RtfToHtml: 15 (numbered paragraph
// indentation), 16 (bullet fix-ups), 19, 21 and 23 (the three list clean-up
// series), 20 (section-sign bullets), 22 (bold numbered lists) and 24 (the
// last numbering indentation). The run converter writes numbered
// paragraphs as "<br> " and the number, and bullets as Symbol-font runs,
// "§", "o" or list items; these stages indent, nest or unwrap them by the
// markup around the first item. The guarded ones look for that first item
// once and leave a document without it alone.
#include "engine/rtf_to_html.hpp"
#include "text/rules.hpp"

#include <vector>

namespace skeinlet::detail {
namespace {

// A block of rules that runs only when its marker occurs.
struct GuardedBlock {
  Text marker;
  RuleTable rules;
};

void ApplyBlock(IndexedText& html, const GuardedBlock& block) {
  ApplyGuarded(html, block.marker, block.rules);
}

// `notated` expanded, then every {S} replaced by `size`.
Text WithSize(TextView notated, int size) {
  Text out = ExpandNotation(notated);
  ReplaceIn(out, u"{S}", NumberText(size), Compare::Binary);
  return out;
}

}  // namespace

void Stage15NumberedIndentation(EngineCall& call) {
  // Each block changes only the first remaining item of each number, so
  // the items of a document's first list go to the first block whose
  // marker is present, the next list's to the next.
  static const std::vector<GuardedBlock> kBlocks = [] {
    struct Shape {
      TextView marker;
      TextView replace;
    };
    static constexpr Shape kShapes[] = {
        {u"&nbsp;&nbsp;<font SIZE=\"{S}\" FACE=\"Arial\" COLOR=\"#000000\" >1.&nbsp;&nbsp;&nbsp;{SP}",
         u"<br>&nbsp;&nbsp;{N}.&nbsp;&nbsp;&nbsp;{SP}"},
        {u"<br> </font>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"{S}\" >&nbsp;&nbsp;&nbsp;&nbsp;1.&nbsp;&nbsp;&nbsp;{SP}",
         u"<br>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;{N}.&nbsp;&nbsp;&nbsp;{SP}"},
    };
    std::vector<GuardedBlock> blocks;
    for (const Shape& shape : kShapes) {
      for (const int size : Range(1, 5)) {
        GuardedBlock b{WithSize(shape.marker, size), {}};
        b.rules.AddFamily(ExpandNotation(u"<br> {N}.&nbsp;&nbsp;&nbsp;{SP}"),
                          ExpandNotation(shape.replace), Range(2, 9), kFirst);
        blocks.push_back(std::move(b));
      }
    }
    return blocks;
  }();
  for (const GuardedBlock& b : kBlocks) ApplyBlock(call.Html, b);
}

void Stage16BulletFixups(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"1\" ></li></li><font FAC",
       u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"1\" ></li></li><li><font FAC", kAll, kText},
      {u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"1\" >&nbsp;&nbsp;&nbsp;&nbsp;</li></li></li>",
       u"<br> </font><font FACE=\"Symbol\" SIZE=\"1\" ></li></li></li>", kAll, kText},
      {u"></li><li>}}<font{SP}", u"></li><li><font{SP}", kAll, kText},
      {u"<font COLOR=\"#000000\"></u>", u"</u><font COLOR=\"#000000\">", kAll, kText},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  call.Html.Apply(kTable);
}

void Stage19ListCleanupFirst(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" COLOR=\"#000000\" ></li></li><font{SP}",
       u"</li></li><li><font{SP}", kAll, kText},
      {u"<font COLOR=\"#ff0000\"><br> <font COLOR=\"#000000\" >", u"<br> <font COLOR=\"#000000\" >", kAll, kText},
      {u"<br> </CENTER> <br>", u"</ul></li></li><br> </CENTER> <br>", kAll, kText},
      {u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" COLOR=\"#000000\" >&nbsp;&nbsp;&nbsp;&nbsp;</li></li>",
       u"<br> </font></li></li>", kAll, kText},
      {u">§&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<", u">§&nbsp;<", kAll, kText},
      {u">§&nbsp;&nbsp;&nbsp;&nbsp;<", u">§&nbsp;<", kAll, kText},
      {u">§&nbsp;&nbsp;&nbsp;<", u">§&nbsp;<", kAll, kText},
      {u">§&nbsp;&nbsp;<", u">§&nbsp;<", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}",
       u">&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;&nbsp;&nbsp;<font{SP}",
       u">&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;&nbsp;<font{SP}",
       u">&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}",
       u">&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;o<font{SP}",
       u">&nbsp;&nbsp;&nbsp;&nbsp;o&nbsp;<font{SP}", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;&nbsp;&nbsp;&nbsp;<",
       u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;&nbsp;&nbsp;<",
       u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;&nbsp;<",
       u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<",
       u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<", kAll, kText},
      {u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§<",
       u">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;§&nbsp;<", kAll, kText},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  call.Html.Apply(kTable);
}

void Stage20SectionSignBullets(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u"&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" ><ul></li></li><font{SP}",
       u"<font FACE=\"Symbol\" SIZE=\"3\" ><ul><li><font{SP}", kAll, kText},
      {u"<br> </font>&nbsp;&nbsp;<u><font FACE=\"Arial\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;<br> <br>{SP}",
       u"</li></li></li></ul></ul></ul></ul><br> </font><font FACE=\"Arial\" SIZE=\"3\" ><br> <br><u>{SP}",
       kAll, kText},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  ApplyGuarded(call.Html, u"§&nbsp;", kTable);
}

void Stage21ListCleanupSecond(EngineCall& call) {
  static constexpr Rule kRules[] = {
      {u">&nbsp;&nbsp;<b><i><font FACE=\"Arial\" SIZE=\"3\" >1", u"><b><i><font FACE=\"Arial\" SIZE=\"3\" >1", kAll, kText},
      {u"\" >&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;2.&nbsp;&nbsp;&nbsp;{SP}", u"\" >2.&nbsp;&nbsp;&nbsp;{SP}", kAll, kText},
      {u"<br> </font></b></b></i></i>&nbsp;&nbsp;</b></i>", u"<br> </font></b></b></i></i></b></i>", kAll, kText},
      {u"<br> </font>&nbsp;&nbsp;<font FACE=\"Symbol\" SIZE=\"3\" ></li></li><font{SP}",
       u"<br> <br></font><font FACE=\"Symbol\" SIZE=\"3\" ></li></li><li><font{SP}", kAll, kText},
      {u"<br> </font>&nbsp;&nbsp;<font{SP}", u"<br></font><font{SP}", kAll, kText},
      {u"{SP}>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</li></li></li><li><font{SP}",
       u"{SP}></li></li></li><li><font{SP}", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;&nbsp;</li>", u"</li>", kAll, kText},
      {u"<font FACE=\"Symbol\" SIZE=\"3\" >&nbsp;</li>", u"</li>", kAll, kText},
      {u"<br></font><font FACE=\"Symbol\" SIZE=\"3\" COLOR=\"#000000\" ></li></li><i>",
       u"<br></font><font SIZE=\"3\" COLOR=\"#000000\" ></li></li><ul><li><i>", kAll, kText},
      {u"<br></font><font FACE=\"Symbol\" SIZE=\"3\" COLOR=\"#000000\" ></li></li><b>",
       u"<br></font><font SIZE=\"3\" COLOR=\"#000000\" ></li></li><ul><li><b>", kAll, kText},
      {u"<br></font><font FACE=\"Symbol\" SIZE=\"3\" COLOR=\"#000000\" ></li></li><u>",
       u"<br></font><font SIZE=\"3\" COLOR=\"#000000\" ></li></li><ul><li><u>", kAll, kText},
      {u"{SP}><ul></li></li><i><font{SP}", u"{SP}></li></li><li><i><font{SP}", kAll, kText},
      {u"{SP}><ul></li></li><b><font{SP}", u"{SP}></li></li><li><b><font{SP}", kAll, kText},
      {u"{SP}><ul></li></li><u><font{SP}", u"{SP}></li></li><li><u><font{SP}", kAll, kText},
  };
  static const RuleTable kTable = RuleTable::FromNotation(kRules);
  call.Html.Apply(kTable);
}

void Stage22BoldNumberedLists(EngineCall& call) {
  static const GuardedBlock kBoldGap{
      u"&nbsp;<b><font FACE=\"Arial\" SIZE=\"1\" >1.&nbsp;",
      [] {
        RuleTable t;
        t.Add(u"&nbsp;<br> </font></b></b>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" >&nbsp;",
              u"&nbsp;<br> </font></b></b><b>&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" >&nbsp;");
        return t;
      }()};
  // Blocks 2 and 3: the first bold item in size 1, then in size 2. The size
  // appears only in the guard and the first family.
  static const std::vector<GuardedBlock> kNumbered = [] {
    std::vector<GuardedBlock> blocks;
    for (const int size : Range(1, 2)) {
      GuardedBlock b{WithSize(u">&nbsp;&nbsp;<b><font FACE=\"Arial\" SIZE=\"{S}\" >1.", size), {}};
      b.rules.AddFamily(
          WithSize(u"&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"{S}\" >&nbsp;&nbsp;&nbsp;&nbsp;{N}.", size),
          WithSize(u"<font FACE=\"Arial\" SIZE=\"{S}\" >&nbsp;&nbsp; {N}.", size), Range(2, 9));
      b.rules.AddFamily(u"<br> {N}.&nbsp;&nbsp;", u"<br>&nbsp;&nbsp; {N}.&nbsp;&nbsp;", Range(2, 9));
      blocks.push_back(std::move(b));
    }
    return blocks;
  }();
  ApplyBlock(call.Html, kBoldGap);
  for (const GuardedBlock& b : kNumbered) ApplyBlock(call.Html, b);
}

void Stage23ListCleanupThird(EngineCall& call) {
  static constexpr Rule kFirst[] = {
      {u"<br> </li><br></CENTER> <br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}",
       u"<br> </li><br></CENTER> <br> </li></li><li>&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}", kAll, kText},
  };
  // Rules 2 to 5.
  static constexpr Rule kEmptyItem[] = {
      {u"<br> <li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}", u"<br> </li><li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}", kAll, kText},
      {u"<br> <li>", u"<br> <li>&nbsp;&nbsp;&nbsp;&nbsp;", kAll, kText},
      {u"<br> </li></li><li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" >&nbsp;&nbsp;&nbsp;&nbsp;",
       u"<br> </li></li><li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" >", kAll, kText},
      {u"<br> </li><br></CENTER> <br> </li></li><li>", u"<br> </li></CENTER> <br> </li></li><li>", kAll, kText},
  };
  // Rules 6 onward.
  static constexpr Rule kRest[] = {
      {u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"1\" ><ul></li></li> <br>{SP}",
       u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"1\" ></li></li> <br>{SP}", kAll, kText},
      {u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"2\" ><ul></li></li> <br>{SP}",
       u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"2\" ></li></li> <br>{SP}", kAll, kText},
      {u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"3\" ><ul></li></li> <br>{SP}",
       u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"3\" ></li></li> <br>{SP}", kAll, kText},
      {u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"4\" ><ul></li></li> <br>{SP}",
       u"<br> </li><br></font><font FACE=\"Arial\" SIZE=\"4\" ></li></li> <br>{SP}", kAll, kText},
      {u"</li><li> <br> </li><li>", u"</li> <br> </li><li>", kAll, kText},
      {u"<br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" >&nbsp;",
       u"<br> </li></li><li><font FACE=\"Arial\" SIZE=\"1\" >&nbsp;", kAll, kText},
      {u"<br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" >&nbsp;",
       u"<br> </li></li><li><font FACE=\"Arial\" SIZE=\"2\" >&nbsp;", kAll, kText},
      {u"<br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"3\" >&nbsp;",
       u"<br> </li></li><li><font FACE=\"Arial\" SIZE=\"3\" >&nbsp;", kAll, kText},
      {u"<br> </li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"4\" >&nbsp;",
       u"<br> </li></li><li><font FACE=\"Arial\" SIZE=\"4\" >&nbsp;", kAll, kText},
      {u"<br> <li></li></b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" ><li>",
       u"<br> </b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"1\" ><li>", kAll, kText},
      {u"<br> <li></li></b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" ><li>",
       u"<br> </b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"2\" ><li>", kAll, kText},
      {u"<br> <li></li></b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"3\" ><li>",
       u"<br> </b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"3\" ><li>", kAll, kText},
      {u"<br> <li></li></b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"4\" ><li>",
       u"<br> </b></b><b>&nbsp;&nbsp;&nbsp;&nbsp;<font FACE=\"Arial\" SIZE=\"4\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"1\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"1\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"2\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"2\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"3\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"3\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"4\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"4\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"5\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"5\" ><li>", kAll, kText},
      {u"<br> <li></li></span><font FACE=\"ARIAL\" SIZE=\"6\" ><li>", u"<br> </span><font FACE=\"ARIAL\" SIZE=\"6\" ><li>", kAll, kText},
  };
  static const RuleTable kFirstTable = RuleTable::FromNotation(kFirst);
  static const GuardedBlock kEmptyItemBlock{
      ExpandNotation(u"<br> <li></li>&nbsp;&nbsp;&nbsp;&nbsp;<font{SP}"),
      RuleTable::FromNotation(kEmptyItem)};
  static const RuleTable kRestTable = RuleTable::FromNotation(kRest);
  IndexedText& html = call.Html;
  html.Apply(kFirstTable);
  ApplyBlock(html, kEmptyItemBlock);
  html.Apply(kRestTable);
}

void Stage24NumberedIndentationLast(EngineCall& call) {
  // Item 2's indented form is the marker, so item 2 is left out of both
  // families.
  static const GuardedBlock kBlock{
      ExpandNotation(u">&nbsp;&nbsp;&nbsp;&nbsp;2.&nbsp;&nbsp;&nbsp;{SP}"), [] {
        static constexpr int kItems[] = {1, 3, 4, 5, 6, 7, 8, 9};
        RuleTable t;
        t.AddFamily(ExpandNotation(u">{N}.&nbsp;&nbsp;&nbsp;{SP}"),
                    ExpandNotation(u">&nbsp;&nbsp;&nbsp;&nbsp;{N}.&nbsp;&nbsp;&nbsp;{SP}"), kItems);
        t.AddFamily(ExpandNotation(u"<br> {N}.&nbsp;&nbsp;&nbsp;{SP}"),
                    ExpandNotation(u"<br>&nbsp;&nbsp;&nbsp;&nbsp;{N}.&nbsp;&nbsp;&nbsp;{SP}"), kItems);
        t.Add(u"<br> </font></u></u>&nbsp;&nbsp;<", u"<br> </font></u></u><");
        return t;
      }()};
  ApplyBlock(call.Html, kBlock);
}

}  // namespace skeinlet::detail
