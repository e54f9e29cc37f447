// Writing picture files for ImageExtractor: one file name inside one folder,
// nothing else.
//
//   WritePictureFile(u"c:\\img\\", u"object000.png", bytes);
//   // writes c:/img/object000.png relative to the working folder
//
// "\" counts as a path separator, like "/". The folder must exist; nothing
// is created but the file itself. A file name that holds a separator, is
// "." or "..", or a folder that is the file system root is refused, and a
// symbolic link in the file's place is not followed.
#pragma once

#include "text/text.hpp"

#include <string>
#include <string_view>

namespace skeinlet::detail {

// The folder part of a picture file name prefix (up to and including its
// last separator) and the base name after it.
struct PicturePrefix {
  Text Folder;
  Text BaseName;
};
PicturePrefix SplitPicturePrefix(TextView prefix);

// The POSIX form of a folder: "\" becomes "/"; "" stays "" (the working
// folder).
std::string PictureFolderPath(TextView folder);

// Whether `fileName` names a file directly inside a folder.
bool IsPlainFileName(TextView fileName) noexcept;

// Writes (or replaces) the file; false when refused or when the folder
// cannot be written.
bool WritePictureFile(TextView folder, TextView fileName,
                      std::string_view bytes);

}  // namespace skeinlet::detail
