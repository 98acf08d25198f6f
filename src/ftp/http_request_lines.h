#pragma once
// Lines of HTTP arriving on an FTP control connection. A web page can make a browser send a
// request to any port, and its body (a script's choice) would reach the server as command
// lines after the request line and the headers; the connection closes when it sees either.
#include <string_view>

namespace ohmkit::ftp {

// A request line: a method word, a target and an HTTP version ("POST / HTTP/1.1").
bool isHttpRequestLine(std::string_view line);
// A header line: a field name (a token, no blank) followed by a colon ("Host: 10.0.0.5").
bool isHttpHeaderLine(std::string_view line);

}  // namespace ohmkit::ftp
