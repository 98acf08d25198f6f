#pragma once
// Error objects of the socket layer: the socket layer's own error set, the
// conversion of stream errors, and the exception raised on misuse.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/stream_pair.h"

namespace ohmkit::net {

// An error object: a domain, a signed code and at most a localized description.
struct Error {
    std::string domain;
    std::int32_t code = 0;
    std::optional<std::string> localizedDescription;   // the user info; absent when none

    // The description text, or "The operation couldn't be completed. (DOMAIN error CODE.)"
    // when there is none.
    std::string localizedDescriptionText() const;
    // One line for logs: Error Domain=DOMAIN Code=CODE "TEXT"
    std::string description() const;

    bool operator==(const Error&) const = default;
};

inline constexpr const char* EventSocketErrorDomain = "EventSocketErrorDomain";
inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* NSOSStatusErrorDomain = "NSOSStatusErrorDomain";
inline constexpr const char* NSMachErrorDomain = "NSMachErrorDomain";
inline constexpr const char* NetDBErrorDomain = "kCFStreamErrorDomainNetDB";

// Codes of EventSocketErrorDomain. There is no code 0.
enum EventSocketErrorCode : std::int32_t {
    EventSocketCFSocketError = -1,
    EventSocketCanceledError = 1,
    EventSocketReadMaxedOutError = 2,     // reserved: nothing produces it
    EventSocketReadTimeoutError = 3,
    EventSocketWriteTimeoutError = 4,
};

// The socket layer's own errors, with the description from the "EventSocket" string table
// (the default text when the table has no entry).
Error getSocketError();          // -1 "General CFSocket error"
Error getAbortError();           //  1 "Connection canceled"
Error getReadMaxedOutError();    //  2 "Read operation reached set maximum length"
Error getReadTimeoutError();     //  3 "Read operation timed out"
Error getWriteTimeoutError();    //  4 "Write operation timed out"

// A stream error as an error object; none only for (0, 0).
std::optional<Error> errorFromCFStreamError(platform::StreamError streamError);

// The exception raised on misuse. name() is "EventSocketException" for the socket layer's
// four misuse reasons, and "NSInternalInconsistencyException" when an address cannot be
// turned into text. what() is the reason.
class EventSocketException : public std::logic_error {
public:
    explicit EventSocketException(std::string reason, std::string name = "EventSocketException");
    const std::string& name() const { return name_; }
    std::string reason() const { return what(); }

private:
    std::string name_;
};

}  // namespace ohmkit::net
