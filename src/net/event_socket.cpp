// Temporary stub so the tree builds against the header; the implementation follows.
#include "net/event_socket.h"

#include "platform/run_loop.h"
#include "platform/stream_pair.h"

namespace ohmkit::net {

class SocketObject {};

void EventSocketDelegate::onSocketDidAcceptNewSocket(EventSocket&, const std::shared_ptr<EventSocket>&) {}
platform::RunLoop* EventSocketDelegate::onSocketWantsRunLoopForNewSocket(EventSocket&, const std::shared_ptr<EventSocket>&) { return nullptr; }
bool EventSocketDelegate::onSocketWillConnect(EventSocket&) { return true; }
void EventSocketDelegate::onSocketDidConnectToHost(EventSocket&, const std::string&, std::uint16_t) {}
void EventSocketDelegate::onSocketDidReadData(EventSocket&, std::string_view, std::int32_t) {}
void EventSocketDelegate::onSocketDidWriteDataWithTag(EventSocket&, std::int32_t) {}
bool EventSocketDelegate::onReadStreamEnded(EventSocket&) { return true; }
void EventSocketDelegate::onSocketWillDisconnectWithError(EventSocket&, const std::optional<Error>&) {}
void EventSocketDelegate::onSocketDidDisconnect(EventSocket&) {}

std::shared_ptr<EventSocket> EventSocket::create(EventSocketDelegate* delegate, platform::RunLoop* loop)
{
    return std::make_shared<EventSocket>(delegate, loop ? *loop : platform::RunLoop::main());
}
EventSocket::EventSocket(EventSocketDelegate* delegate, platform::RunLoop& loop) : loop_(&loop), theDelegate_(delegate) {}
EventSocket::~EventSocket() = default;
bool EventSocket::acceptOnPort(std::uint16_t port, Error* error) { return acceptOnAddress(std::nullopt, port, error); }
bool EventSocket::acceptOnAddress(const std::optional<std::string>&, std::uint16_t, Error*) { return false; }
bool EventSocket::connectToHost(const std::string&, std::uint16_t, Error*) { return false; }
void EventSocket::closeWithError(const std::optional<Error>&) {}
void EventSocket::close() {}
void EventSocket::disconnect() { close(); }
void EventSocket::disconnectAfterWriting() {}
void EventSocket::readDataToData(const std::string& t, double timeout, std::int32_t tag) { readDataToData(t, timeout, -1, tag); }
void EventSocket::readDataToData(const std::string&, double, std::int32_t, std::int32_t) {}
void EventSocket::readDataWithTimeout(double, std::int32_t) {}
void EventSocket::writeData(std::shared_ptr<const std::string>, double, std::int32_t) {}
void EventSocket::writeData(std::string data, double timeout, std::int32_t tag) { writeData(std::make_shared<const std::string>(std::move(data)), timeout, tag); }
std::string EventSocket::CRLFData() { return "\r\n"; }
bool EventSocket::isConnected() const { return false; }
std::optional<std::string> EventSocket::connectedHost() const { return std::nullopt; }
std::uint16_t EventSocket::connectedPort() const { return 0; }
std::optional<std::string> EventSocket::localHost() const { return std::nullopt; }
std::uint16_t EventSocket::localPort() const { return 0; }
std::optional<std::string> EventSocket::connectedHost(const SocketObject*) { return std::nullopt; }
std::uint16_t EventSocket::connectedPort(const SocketObject*) { return 0; }
std::optional<std::string> EventSocket::localHost(const SocketObject*) { return std::nullopt; }
std::uint16_t EventSocket::localPort(const SocketObject*) { return 0; }
std::optional<Error> EventSocket::getStreamError() const { return std::nullopt; }
std::optional<std::string> EventSocket::addressHost(const std::optional<std::string>&) { return std::nullopt; }
std::uint16_t EventSocket::addressPort(const std::optional<std::string>&) { return 0; }
std::string EventSocket::description() const { return "<EventSocket>"; }

}  // namespace ohmkit::net
