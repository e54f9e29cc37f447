#!/usr/bin/env python3
"""Writes seeded test documents of a given size for the benchmarks.

    scripts/gen_docs.py KIND SIZE_MB OUT [--seed N]

KIND is one of
  richedit  RTF as a rich edit control writes it (\\viewkind4\\uc1\\pard,
            bullets as \\pntext groups, one font and colour table)
  word      RTF as Word writes it (\\plain runs, style sheet, list tables,
            \\ls paragraphs, HYPERLINK fields, \\trowd tables)
  html      HTML with a style sheet, tables, lists, links and entities

Every kind mixes formatted paragraphs, lists, tables, web and e-mail
addresses and non-ASCII characters. The same seed and size give the same
bytes, so timings of two sizes compare like with like.
"""
import argparse
import random

WORDS = ("the quarterly report shows revenue growth across every region while "
         "costs stayed flat and the board approved a new plan for customer "
         "support staff training offices travel budget review meeting notes "
         "draft final summary appendix figure table section chapter").split()
ACCENTED = [("\\'e9", "&eacute;"), ("\\'fc", "&uuml;"), ("\\'e7", "&ccedil;"),
            ("\\'f1", "&ntilde;"), ("\\'e0", "&agrave;")]


def words(rng, n):
    return " ".join(rng.choice(WORDS) for _ in range(n))


def address(rng):
    host = rng.choice(WORDS) + rng.choice(["", "-" + rng.choice(WORDS)])
    if rng.random() < 0.5:
        return "http://www.%s.com/%s" % (host, rng.choice(WORDS))
    return "%s@%s.org" % (rng.choice(WORDS), host)


class RichEdit:
    head = ("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
            "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}"
            "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\r\n"
            "\\viewkind4\\uc1\\pard\\f0\\fs20 ")
    tail = "\\par\r\n}\r\n"

    def block(self, rng):
        kind = rng.random()
        if kind < 0.55:
            acc = rng.choice(ACCENTED)[0]
            return ("%s \\b %s\\b0  caf%s \\i %s\\i0  %s \\cf1 %s\\cf0\\par\r\n"
                    % (words(rng, 12), words(rng, 2), acc, words(rng, 3), address(rng), words(rng, 8)))
        if kind < 0.8:
            items = "".join("{\\pntext\\f2\\'B7\\tab}%s\\par\r\n" % words(rng, 6) for _ in range(3))
            return ("\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}"
                    "\\fi-720\\li720 " + items[len("{\\pntext\\f2\\'B7\\tab}"):] + "\\pard ")
        cells = "".join("\\cellx%d" % (2000 * (k + 1)) for k in range(3))
        rows = "".join("\\trowd\\trgaph108\\trleft-108%s\\pard\\intbl %s\\cell %s\\cell %s\\cell\\row\r\n"
                       % (cells, words(rng, 2), words(rng, 3), address(rng)) for _ in range(3))
        return rows + "\\pard "


class Word:
    head = ("{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff0\\deff0\\stshfdbch0\\stshfloch0"
            "\\stshfhich0\\stshfbi0\\deflang1033\\deflangfe1033"
            "{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
            "{\\f1\\fswiss\\fcharset0\\fprq2{\\*\\panose 020b0604020202020204}Arial;}"
            "{\\f3\\froman\\fcharset2\\fprq2{\\*\\panose 05050102010706020507}Symbol;}}\r\n"
            "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red255\\green0\\blue0;}\r\n"
            "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright"
            "\\rin0\\lin0\\itap0 \\rtlch\\fcs1 \\af0\\afs24\\alang1025 \\ltrch\\fcs0 \\fs24\\lang1033"
            "\\langfe1033\\cgrid\\langnp1033\\langfenp1033 \\snext0 \\sqformat \\spriority0 Normal;}"
            "{\\*\\cs10 \\additive \\ssemihidden \\sunhideused \\spriority1 Default Paragraph Font;}}\r\n"
            "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23\\leveljc0\\levelfollow0"
            "\\levelstartat1{\\leveltext\\'01\\u-3913 ?;}{\\levelnumbers;}\\f3\\fi-360\\li720}"
            "\\listid1}}{\\*\\listoverridetable{\\listoverride\\listid1\\listoverridecount0\\ls1}}\r\n"
            "{\\info{\\title Generated}{\\author Bench}}\\paperw12240\\paperh15840\\margl1440\\margr1440"
            "\\widowctrl\\ftnbj\\aenddoc\\formshade\\sectd \\linex0\\endnhere\\sectdefaultcl\r\n")
    tail = "\\par }}\r\n"

    def block(self, rng):
        kind = rng.random()
        plain = "\\plain \\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\fs24\\lang1033\\langfe1033 "
        if kind < 0.5:
            acc = rng.choice(ACCENTED)[0]
            return ("\\pard \\ql \\li0\\ri0\\sa200\\sl276\\slmult1\\widctlpar\\wrapdefault\\aspalpha"
                    "\\aspnum\\faauto\\adjustright\\rin0\\lin0\\itap0 {%s%s }{%s\\b %s}{%s caf%s %s }"
                    "{\\field{\\*\\fldinst {%s HYPERLINK \"%s\" }}{\\fldrslt {%s\\ul\\cf2 %s}}}"
                    "{%s %s}\\par\r\n"
                    % (plain, words(rng, 10), plain, words(rng, 2), plain, acc, words(rng, 6),
                       plain, address(rng), plain, words(rng, 2), plain, words(rng, 6)))
        if kind < 0.75:
            return "".join(
                "\\pard \\ql \\fi-360\\li720\\ri0\\widctlpar\\jclisttab\\tx720\\wrapdefault"
                "\\aspalpha\\aspnum\\faauto\\ls1\\adjustright\\rin0\\lin720\\itap0 "
                "{\\listtext\\pard\\plain\\f3\\fs24 \\loch\\af3\\hich\\af3\\dbch\\af0\\insrsid1 "
                "\\loch\\f3 \\'b7\\tab}{%s%s}\\par\r\n" % (plain, words(rng, 7)) for _ in range(3))
        cells = "".join("\\clvertalt\\clbrdrt\\brdrs\\brdrw10 \\clbrdrl\\brdrs\\brdrw10 "
                        "\\clbrdrb\\brdrs\\brdrw10 \\clbrdrr\\brdrs\\brdrw10 \\cltxlrtb\\clftsWidth3"
                        "\\clwWidth2952 \\cellx%d" % (2952 * (k + 1)) for k in range(3))
        rows = []
        for _ in range(3):
            rows.append("\\trowd \\irow0\\irowband0\\ts11\\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10 "
                        "\\trbrdrl\\brdrs\\brdrw10 \\trbrdrb\\brdrs\\brdrw10 \\trbrdrr\\brdrs\\brdrw10 "
                        "\\trftsWidth1%s\\pard\\plain \\ql \\li0\\ri0\\widctlpar\\intbl\\wrapdefault "
                        "{%s%s\\cell %s\\cell %s\\cell }\\pard \\intbl {%s\\row }\r\n"
                        % (cells, plain, words(rng, 2), words(rng, 3), words(rng, 2), plain))
        return "".join(rows)


class Html:
    head = ("<!DOCTYPE html>\r\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
            "<title>Generated</title><style>\r\np { font-family: Arial; font-size: 10pt }\r\n"
            ".note { color: #336699; font-weight: bold }\r\ntd { border: 1px solid black }\r\n"
            "</style></head>\r\n<body bgcolor=\"#ffffff\">\r\n")
    tail = "</body></html>\r\n"

    def block(self, rng):
        kind = rng.random()
        if kind < 0.5:
            acc = rng.choice(ACCENTED)[1]
            url = address(rng)
            href = url if url.startswith("http") else "mailto:" + url
            return ("<p>%s <b>%s</b> caf%s <i>%s</i> <a href=\"%s\">%s</a> "
                    "<span class=\"note\">%s</span> <font color=\"red\" size=\"4\">%s</font></p>\r\n"
                    % (words(rng, 12), words(rng, 2), acc, words(rng, 3), href, words(rng, 2),
                       words(rng, 3), words(rng, 4)))
        if kind < 0.75:
            tag = rng.choice(["ul", "ol"])
            items = "".join("<li>%s</li>\r\n" % words(rng, 6) for _ in range(3))
            return "<%s>\r\n%s</%s>\r\n" % (tag, items, tag)
        rows = "".join("<tr><td width=\"120\">%s</td><td>%s</td><td bgcolor=\"#eeeeee\">%s</td></tr>\r\n"
                       % (words(rng, 2), words(rng, 3), words(rng, 2)) for _ in range(3))
        return "<table border=\"1\" cellpadding=\"2\">\r\n%s</table>\r\n" % rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("kind", choices=["richedit", "word", "html"])
    parser.add_argument("size_mb", type=float)
    parser.add_argument("out")
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    gen = {"richedit": RichEdit, "word": Word, "html": Html}[args.kind]()
    target = int(args.size_mb * 1024 * 1024)
    parts = [gen.head]
    size = len(gen.head) + len(gen.tail)
    while size < target:
        block = gen.block(rng)
        parts.append(block)
        size += len(block)
    parts.append(gen.tail)
    with open(args.out, "w", encoding="cp1252", newline="") as f:
        f.write("".join(parts))


if __name__ == "__main__":
    main()
