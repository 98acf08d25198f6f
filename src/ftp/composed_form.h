#pragma once
// UTF-8 checks and the composed form of the texts the FTP server sends.
//
// Listings reach clients with accented letters in composed form: a Latin letter followed by
// one combining mark becomes the single precomposed character. The table covers the letters
// of Latin-1 Supplement and Latin Extended-A that are an ASCII letter with one of the marks
// U+0300 to U+030C, U+0327 (cedilla) or U+0328 (ogonek). A letter followed by more than one
// combining mark is left as it is, since its composed form may depend on reordering the
// marks; other scripts pass through unchanged. Bytes that are not valid UTF-8 pass through.
#include "platform/text.h"

#include <string>
#include <string_view>

namespace ohmkit::ftp {

using platform::hasControlCharacter;   // the UTF-8 checks are shared with the browser server
using platform::isValidUtf8;

// `text` with every covered letter-plus-mark pair replaced by its precomposed character.
std::string composedForm(std::string_view text);

}  // namespace ohmkit::ftp
