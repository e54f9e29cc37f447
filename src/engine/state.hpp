// ConversionState: the working state of one RTF-to-HTML conversion.
//
// One copy per calling thread (thread_local), so conversions on different
// threads share nothing and take no locks. RtfToHtml resets it at the start
// of every call (ResetForConversion); the colour list and the font table are
// replaced only by a document that has such a table, so a document without
// one is converted with the lists of the previous conversion on the thread.
#pragma once

#include "text/array.hpp"
#include "text/text.hpp"

#include <array>
#include <cstdint>

namespace skeinlet::detail {

struct ImageOptionsRecord {
  Text ConvertImages;  // "yes" (lower-cased) turns picture extraction on
  Text ImageFolder;
  Text ImageFormat;
  Text ImageName;
};

struct ConversionState {
  // --- Engine (RtfToHtml) ---
  Text HtmlOut;
  // The RTF text handed to the engine. No stage reads it back, so it is
  // filled when the call ends, from the argument that the call empties,
  // rather than copied at the start: a copy would hold the document twice
  // through the whole call.
  Text SourceRtf;
  ImageOptionsRecord ImageOptions;
  Text Language = u"english";
  Text NoFrame = u"no";
  Text RawKeepFonts = u"no";
  Text CentreOpen = u"no";
  Text ParagraphOpen = u"no";
  Text EquationSeen = u"no";

  // --- Run converter ---
  std::int32_t RunCount = 0;
  std::int32_t MultiWordRuns = 0;
  Text IndentOpen = u"no";
  Text Indent;
  Text PendingIndent;
  Text CurrentFace;
  std::int16_t CurrentFontNumber = 0;
  Text CurrentSize;
  Text CurrentColour;
  // Where the run converter last found " COLOR=\"", " SIZE=\"" and
  // " FACE=\"" in HtmlOut (npos: not yet), and how much of HtmlOut it had
  // searched: the runs only append to HtmlOut, so each search covers only
  // what was appended since. Cleared with HtmlOut.
  struct ReadBackMarks {
    std::size_t searched = 0;
    // The searched part's first and last kReadBackEdge units (all of it
    // when it is shorter), first then last.
    static constexpr std::size_t kReadBackEdge = 64;
    std::array<char16_t, 2 * kReadBackEdge> edges{};
    std::size_t colour = static_cast<std::size_t>(-1);
    std::size_t size = static_cast<std::size_t>(-1);
    std::size_t face = static_cast<std::size_t>(-1);
  } ReadBack;

  // --- Colour table (kept from one conversion to the next) ---
  BoundedArray<Text> ColourList;
  std::int16_t ColourCount = 0;
  std::int16_t ColourTableEnd = 0;

  // --- Font table (kept from one conversion to the next) ---
  std::int16_t FontCount = 0;
  BoundedArray<Text> FontNames;
  BoundedArray<std::int16_t> FontCharsets;
  Text NonWesternFonts = u"no";
  BoundedArray<Text> FontSizeMap;

  // --- Address scans: the tables are rebuilt before every scan, the found
  // lists re-created empty at the start of each scan ---
  BoundedArray<Text> LinkPrefixes;
  BoundedArray<Text> LinkTerminators;
  BoundedArray<Text> FoundLinks;
  BoundedArray<Text> FoundMail;
};

// The calling thread's state.
ConversionState& State() noexcept;

}  // namespace skeinlet::detail
