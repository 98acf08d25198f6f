#include "net/error.h"

#include <netdb.h>

#include "platform/strings.h"
#include "platform/text.h"

namespace ohmkit::net {

namespace {

Error socketLayerError(std::int32_t code, const char* key, const char* defaultText)
{
    return Error{EventSocketErrorDomain, code, platform::localizedString(key, "EventSocket", defaultText)};
}

}  // namespace

std::string Error::localizedDescriptionText() const
{
    if (localizedDescription) return *localizedDescription;
    return platform::format("The operation couldn't be completed. (%s error %d.)", domain.c_str(), code);
}

std::string Error::description() const
{
    return platform::format("Error Domain=%s Code=%d \"%s\"", domain.c_str(), code, localizedDescriptionText().c_str());
}

Error getSocketError()
{
    return socketLayerError(EventSocketCFSocketError, "EventSocketCFSocketError", "General CFSocket error");
}

Error getAbortError()
{
    return socketLayerError(EventSocketCanceledError, "EventSocketCanceledError", "Connection canceled");
}

Error getReadMaxedOutError()
{
    return socketLayerError(EventSocketReadMaxedOutError, "EventSocketReadMaxedOutError",
                            "Read operation reached set maximum length");
}

Error getReadTimeoutError()
{
    return socketLayerError(EventSocketReadTimeoutError, "EventSocketReadTimeoutError", "Read operation timed out");
}

Error getWriteTimeoutError()
{
    return socketLayerError(EventSocketWriteTimeoutError, "EventSocketWriteTimeoutError", "Write operation timed out");
}

std::optional<Error> errorFromCFStreamError(platform::StreamError streamError)
{
    namespace D = platform::StreamErrorDomain;
    if (streamError.domain == 0 && streamError.code == 0) return std::nullopt;
    Error error;
    error.code = streamError.code;
    switch (streamError.domain) {
    case D::MacOSStatus: error.domain = NSOSStatusErrorDomain; break;
    case D::POSIX: error.domain = NSPOSIXErrorDomain; break;
    case D::Mach: error.domain = NSMachErrorDomain; break;
    case D::NetDB:
        error.domain = NetDBErrorDomain;
        if (const char* text = ::gai_strerror(streamError.code)) error.localizedDescription = text;
        break;
    case D::NetServices: error.domain = "kCFStreamErrorDomainNetServices"; break;
    case D::SOCKS: error.domain = "kCFStreamErrorDomainSOCKS"; break;
    case D::SystemConfiguration: error.domain = "kCFStreamErrorDomainSystemConfiguration"; break;
    case D::SSL: error.domain = "kCFStreamErrorDomainSSL"; break;
    default: error.domain = "CFStreamError (unlisted domain)"; break;
    }
    return error;
}

EventSocketException::EventSocketException(std::string reason, std::string name)
    : std::logic_error(reason), name_(std::move(name))
{
}

}  // namespace ohmkit::net
