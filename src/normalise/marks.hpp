// Placeholder tokens: fixed runs of Latin-1 characters that the
// normalisation and the run converter write in place of constructs that a
// later stage turns into text or HTML. They cannot occur in RTF written by
// the usual producers. Every token written is consumed later; like every
// other rule they are matched case-insensitively.
#pragma once

#include "text/text.hpp"

namespace skeinlet::detail {

// Before a picture path (a blank, then nine characters); the engine turns
// it into the start of an image tag.
inline constexpr TextView PictureOpenMark = u" ¢iûJjK9±Í";
// After a picture path (ten characters, the last a blank).
inline constexpr TextView PictureCloseMark = u"K9iûJ±¢jÍ ";
// Stands for each backslash of a picture file path.
inline constexpr TextView PathSeparatorMark = u"¤þÞÚ§";
// Becomes "<li>" in the run converter.
inline constexpr TextView BulletItemMark = u"iåçë|æ¢¦l6¢i±ÍÉ|Ü";
// Becomes "</li><br>" in the run converter.
inline constexpr TextView BulletParagraphMark = u"iåÍçxXxs34l6¢i±É";
// The literal document text "\\plain\\"; becomes "\plain\".
inline constexpr TextView EscapedPlainMark = u"Óì:ì|+lûJjK9|©";
// The literal document text "\\pard\\"; becomes "\pard\".
inline constexpr TextView EscapedPardMark = u"Ó34:ì|+xxxx|©";
// The literal text "\\tab" inside a run; becomes "\tab".
inline constexpr TextView EscapedTabMark = u"±Û||líôÄÎþµÕÒƒA";
// The literal text "\\pard\\" inside a run; becomes "\pard\".
inline constexpr TextView RunPardMark = u"#A£$%Â|MÄ§¶¾¾±_";

}  // namespace skeinlet::detail

namespace skeinlet::detail {

// --- The run converter's protect-and-restore runs. Each stands for an
// escaped form (a control word after an escaped backslash, mostly) while
// a pass rewrites the real control words, and is restored after it. ---

inline constexpr TextView EscapedQuoteMark = u"MÄ§¶A£$%Â¾¾±_";          // "\\'"
inline constexpr TextView SpecialWordMark = u"ÂÔÒôÄÎ_õÕ";              // "\\emdash" ...
inline constexpr TextView EscapedBackslashMark = u"ÕÓ4567_ßÔÒõ";       // "\\"
inline constexpr TextView EscapedLangMark = u"æçëb¢A£$%Â¾i±ÍÉ";        // "\\lang"
inline constexpr TextView EscapedParMark = u"|||ÄHÕÓ_ßÔÒõÕbÆ";         // "\\par"
inline constexpr TextView ParagraphWordMark = u"æçëb¢¦l6ÕÓ_ßÔÒ¢i±ÍÉ";   // "\pard"
inline constexpr TextView EscapedUnderlineMark = u"¢i±Í7åçëkÄHg";      // "\\ul"
inline constexpr TextView EscapedBoldMark = u"¢jkÄåçëbjÒõ±b";          // "\\b"
inline constexpr TextView EscapedItalicMark = u"±Í785¢i44åçëg";        // "\\i"
inline constexpr TextView EscapedInlineLangMark = u"44å5435234ëg";     // "\\lang"
inline constexpr TextView BorderWordMark = u"6hå34çÙÚi44åÛfeef";       // "\brd"
inline constexpr TextView InTableWordMark = u"44åeef34çÚÛÙýÝfëg";      // "\intbl"
inline constexpr TextView EscapedColourMark = u"ôÎ_õeef3456ôÒ_ÄÎÄ";    // "\\cf"
inline constexpr TextView EscapedSizeMark = u"õe4ôÎ_ÎÄftry6ôÒ_Ä";      // "\\fs"
inline constexpr TextView EscapedFontMark = u"ôÒ_ÄÎÄôÎ_õeef3456";      // "\\f"
inline constexpr TextView EscapedSpacingMark = u"õe¾¶§þÞÚÛÙýÝf3456";   // "\\expndtw"
inline constexpr TextView BulletTabMark = u"õe¾¶§þÞÚ65323ÛÙýÝf";       // "b7\tab"
inline constexpr TextView EscapedStrikeMark = u"ôefryõeÄ345ÄôôÒ";      // "\\strike"
inline constexpr TextView EscapedSubMark = u"dfhõeÄÎ74ÎeÄÄ435";        // "\\sub"
inline constexpr TextView EscapedSuperMark = u"ryõeÄÎÄôÎf346ô";        // "\\super"
inline constexpr TextView EscapedNoSuperSubMark = u"ryÎeÄÄôõÎf36e4";   // "\\nosupersub"
inline constexpr TextView LineXWordMark = u"eÄÄô34ëgõÎf36";            // "\linex"
inline constexpr TextView EscapedAlignMark = u"ryÎeÄÄô4õôÎ46ôÎ";       // "\\q"
inline constexpr TextView EscapedDownMark = u"ryÄ9945ÎeÄxxxx";         // "\\dn"
inline constexpr TextView EscapedUpMark = u"ryÄÄô4345Î46ôÎ";           // "\\up"
inline constexpr TextView CellxWordMark = u"745Î44ÄÄô4j";              // "\cellx"
inline constexpr TextView InTablePardMark = u"ÄÎÄôÎf4ÄÄy";             // "\pard\intbl"

// A tab in a run whose control part sets tab stops; the tab stop's width
// replaces it (and the engine's last stages resolve what is left).
inline constexpr TextView TabStopMark = u"þxxxTABSTOPxxxþ";

// The picture close mark of a right-aligned picture: the engine writes a
// left-aligned paragraph after the image.
inline constexpr TextView RightPictureCloseMark = u"K9iûJ±¢jÍ ™";

}  // namespace skeinlet::detail
