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
