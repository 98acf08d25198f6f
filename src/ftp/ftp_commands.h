#pragma once
// The server's command table: lower-case command word to handler name. The connection looks a
// handler up by that name; "doAck:" names a handler that does not exist, so ACK is answered
// like an unknown word.
#include <map>
#include <string>

namespace ohmkit::ftp {

const std::map<std::string, std::string>& commandTable();

}  // namespace ohmkit::ftp
