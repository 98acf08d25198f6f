#pragma once
// Unicode normalisation form C (composed) of the names the FTP server takes and sends.
//
// A client may send a name decomposed (a letter followed by combining marks, as macOS does)
// while listings show it composed. Names are therefore taken in composed form, and a name
// finds the entry whose composed form is the same, however the entry is spelled on disk.
// The UTF-8 checks of command lines are shared with the browser server.
#include "platform/text.h"

#include <string>
#include <string_view>

namespace ohmkit::store {

using platform::hasControlCharacter;
using platform::isValidUtf8;

// `text` in form C. Each run of valid UTF-8 is composed; bytes that are not UTF-8 pass through.
std::string composedForm(std::string_view text);

// The spelling on disk of the absolute `path`, component by component: an existing entry as
// it is, else the entry of that folder whose composed form is the component's, else the
// component's composed form (a name to be created). Reads the file system, never changes it.
// A relative path is returned unchanged.
std::string storedSpelling(std::string_view path);

}  // namespace ohmkit::store
