// skeinlet/convert.hpp - the public surface of the converter.
//
// Documents and options are UTF-16 strings (skeinlet::Text). Every
// parameter is taken by reference and may be written, as the legacy
// component did: the RTF argument is emptied, the colour argument receives
// the normalised colour, an unknown mode becomes "no", the clean-up option
// rewrites the caller's RTF.
//
//   skeinlet::Convert conv;
//   skeinlet::Text rtf = skeinlet::FromUtf8(file_bytes), title = u"Report",
//       colour = u"white", gen, links = u"yes", debug, images = u"no",
//       folder, format, clean, name;
//   skeinlet::Text html = conv.ConvertRTF(rtf, title, colour, gen, links,
//       debug, images, folder, format, clean, name);
//   // rtf is empty now, colour is "white" normalised.
//
// C++ callers that do not care about the writes use the UTF-8 overloads:
//
//   std::string html = conv.ConvertRTF(std::string_view{bytes});
#pragma once

#include <skeinlet/error.hpp>

#include <string>
#include <string_view>

namespace skeinlet {

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 at the edge. Invalid input sequences and lone surrogates become
// U+FFFD.
SKEINLET_API Text FromUtf8(std::string_view utf8);
SKEINLET_API std::string ToUtf8(TextView text);

class SKEINLET_API Convert {
 public:
  // --- The eight methods, in the interface's slot order. ---

  // RTF to a complete HTML document.
  Text ConvertRTF(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
                  Text& mGenerator, Text& mLinks, Text& mDoDebug,
                  Text& mConvertImages, Text& mImageFolder,
                  Text& mImageFormat, Text& mCleanRTF, Text& mImageName);

  // RTF to plain text.
  Text ConvertRTFPlain(Text& mRTF_Text);

  // RTF to the inner part of the body only (XHTML when mDoXHTML is "yes").
  Text ConvertNoBody(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
                     Text& mGenerator, Text& mLinks, Text& mDoDebug,
                     Text& mConvertImages, Text& mImageFolder,
                     Text& mImageFormat, Text& mCleanRTF, Text& mImageName,
                     Text& mDoXHTML);

  // The page header of an RTF document to HTML.
  Text ConvertRTFHeader(Text& mRTF_Text, Text& mHTML_Title,
                        Text& mHTML_Colour, Text& mGenerator, Text& mLinks,
                        Text& mDoDebug, Text& mConvertImages,
                        Text& mImageFolder, Text& mImageFormat,
                        Text& mImageName);

  // RTF to HTML without the html/head frame.
  Text ConvertRawHTML(Text& mRTF_Text, Text& mHTML_Title, Text& mHTML_Colour,
                      Text& mGenerator, Text& mLinks, Text& mDoDebug,
                      Text& mConvertImages, Text& mImageFolder,
                      Text& mImageFormat, Text& mCleanRTF, Text& mImageName);

  // HTML to RTF.
  Text ConvertHTML2RTF(Text& mHTML_Text, Text& mImageFolder,
                       Text& mDo_Border);

  // RTF to XHTML.
  Text ConvertRTFXHTML(Text& mRTF_Text, Text& mHTML_Title,
                       Text& mHTML_Colour, Text& mGenerator, Text& mLinks,
                       Text& mDoDebug, Text& mConvertImages,
                       Text& mImageFolder, Text& mImageFormat,
                       Text& mCleanRTF, Text& mImageName);

  // Plain text to a complete HTML document.
  Text ConvertPlainHTML(Text& mPlain_Text, Text& mHTML_Title,
                        Text& mHTML_Colour, Text& mGenerator, Text& mLinks,
                        Text& mDoDebug);

  // --- UTF-8 conveniences: arguments by value, results as UTF-8. ---

  std::string ConvertRTF(std::string_view mRTF_Text,
                         std::string_view mHTML_Title = {},
                         std::string_view mHTML_Colour = {},
                         std::string_view mGenerator = {},
                         std::string_view mLinks = {},
                         std::string_view mDoDebug = {},
                         std::string_view mConvertImages = {},
                         std::string_view mImageFolder = {},
                         std::string_view mImageFormat = {},
                         std::string_view mCleanRTF = {},
                         std::string_view mImageName = {});
  std::string ConvertRTFPlain(std::string_view mRTF_Text);
  std::string ConvertNoBody(std::string_view mRTF_Text,
                            std::string_view mHTML_Title = {},
                            std::string_view mHTML_Colour = {},
                            std::string_view mGenerator = {},
                            std::string_view mLinks = {},
                            std::string_view mDoDebug = {},
                            std::string_view mConvertImages = {},
                            std::string_view mImageFolder = {},
                            std::string_view mImageFormat = {},
                            std::string_view mCleanRTF = {},
                            std::string_view mImageName = {},
                            std::string_view mDoXHTML = {});
  std::string ConvertRTFHeader(std::string_view mRTF_Text,
                               std::string_view mHTML_Title = {},
                               std::string_view mHTML_Colour = {},
                               std::string_view mGenerator = {},
                               std::string_view mLinks = {},
                               std::string_view mDoDebug = {},
                               std::string_view mConvertImages = {},
                               std::string_view mImageFolder = {},
                               std::string_view mImageFormat = {},
                               std::string_view mImageName = {});
  std::string ConvertRawHTML(std::string_view mRTF_Text,
                             std::string_view mHTML_Title = {},
                             std::string_view mHTML_Colour = {},
                             std::string_view mGenerator = {},
                             std::string_view mLinks = {},
                             std::string_view mDoDebug = {},
                             std::string_view mConvertImages = {},
                             std::string_view mImageFolder = {},
                             std::string_view mImageFormat = {},
                             std::string_view mCleanRTF = {},
                             std::string_view mImageName = {});
  std::string ConvertHTML2RTF(std::string_view mHTML_Text,
                              std::string_view mImageFolder = {},
                              std::string_view mDo_Border = {});
  std::string ConvertRTFXHTML(std::string_view mRTF_Text,
                              std::string_view mHTML_Title = {},
                              std::string_view mHTML_Colour = {},
                              std::string_view mGenerator = {},
                              std::string_view mLinks = {},
                              std::string_view mDoDebug = {},
                              std::string_view mConvertImages = {},
                              std::string_view mImageFolder = {},
                              std::string_view mImageFormat = {},
                              std::string_view mCleanRTF = {},
                              std::string_view mImageName = {});
  std::string ConvertPlainHTML(std::string_view mPlain_Text,
                               std::string_view mHTML_Title = {},
                               std::string_view mHTML_Colour = {},
                               std::string_view mGenerator = {},
                               std::string_view mLinks = {},
                               std::string_view mDoDebug = {});
};

}  // namespace skeinlet
