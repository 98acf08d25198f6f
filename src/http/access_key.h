#pragma once
// The access key of the browser server: six lowercase letters and digits, made anew at every
// start and part of every address the server answers ("http://192.168.1.5:8080/k3x9p2/").
// A request without it gets a bare 404, so a scanner on the network finds no page and no file.
#include <string>
#include <string_view>

namespace ohmkit::http {

inline constexpr std::size_t kAccessKeyLength = 6;

// A fresh key from the system's random source, each character drawn evenly from a-z and 0-9.
std::string makeAccessKey();

// True for six characters, each a lowercase ASCII letter or a digit.
bool isAccessKey(std::string_view text);

}  // namespace ohmkit::http
