// What the component tests share: the arguments of one RTF method call, as
// a host would hold them, and a document as a word processor writes it.
#pragma once

#include <skeinlet/convert.hpp>

namespace skeinlet::test_support {

struct Args {
  Text rtf, title = u"T", colour = u"white", generator, links = u"no",
            debug = u"no", images = u"no", folder, format, clean = u"no",
            name, xhtml = u"no";
};

inline Text Rtf(TextView body) {
  return u"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 " +
         Text(body) + u"\\par\r\n}\r\n";
}

}  // namespace skeinlet::test_support
