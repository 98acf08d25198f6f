#pragma once
// Helpers for the socket layer's tests: a delegate that records what it is told, and a plain
// blocking-free POSIX peer. Loopback addresses only (127.0.0.1 and ::1).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/event_socket.h"
#include "platform/run_loop.h"

#include "control_client.h"

namespace ohmkit::net::test {

using namespace std::chrono_literals;

// Generous: the tests must fail rather than hang, and pass on a loaded 2-core machine.
inline constexpr std::chrono::milliseconds Watchdog = std::chrono::seconds(20);

// Records every callback as one line of text (in order) and keeps what it is given. Each
// behaviour can be replaced through a hook; without a hook a callback behaves as the
// default (not implemented) one, except that accepted sockets are adopted.
struct Recorder : EventSocketDelegate {
    std::vector<std::string> events;
    std::vector<std::shared_ptr<EventSocket>> accepted;
    std::string data;                                         // every chunk, appended
    std::vector<std::pair<std::string, std::int32_t>> chunks; // chunk and tag
    std::vector<std::int32_t> writeTags;
    std::vector<std::optional<Error>> disconnectErrors;
    int didDisconnect = 0;
    int readStreamEnded = 0;
    std::string connectedHost;
    std::uint16_t connectedPort = 0;

    bool adopt = true;
    EventSocketDelegate* delegateForNew = nullptr;            // set on accepted sockets
    platform::RunLoop* loopForNew = nullptr;
    std::function<void(EventSocket&, const std::shared_ptr<EventSocket>&)> onAccept;
    std::function<bool(EventSocket&)> onWillConnect;
    std::function<void(EventSocket&)> onConnect;
    std::function<void(EventSocket&, std::string_view, std::int32_t)> onRead;
    std::function<void(EventSocket&, std::int32_t)> onWrite;
    std::function<bool(EventSocket&)> onEnded;
    std::function<void(EventSocket&, const std::optional<Error>&)> onWillDisconnect;
    std::function<void(EventSocket&)> onDidDisconnect;

    void onSocketDidAcceptNewSocket(EventSocket& sock, const std::shared_ptr<EventSocket>& newSocket) override;
    platform::RunLoop* onSocketWantsRunLoopForNewSocket(EventSocket& sock,
                                                        const std::shared_ptr<EventSocket>& newSocket) override;
    bool onSocketWillConnect(EventSocket& sock) override;
    void onSocketDidConnectToHost(EventSocket& sock, const std::string& host, std::uint16_t port) override;
    void onSocketDidReadData(EventSocket& sock, std::string_view data, std::int32_t tag) override;
    void onSocketDidWriteDataWithTag(EventSocket& sock, std::int32_t tag) override;
    bool onReadStreamEnded(EventSocket& sock) override;
    void onSocketWillDisconnectWithError(EventSocket& sock, const std::optional<Error>& error) override;
    void onSocketDidDisconnect(EventSocket& sock) override;

    bool saw(const std::string& event) const;
};

// A plain non-blocking TCP peer over loopback.
class Peer {
public:
    Peer() = default;
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // Connects (the handshake completes in the kernel against a listening socket).
    bool connect(const std::string& address, std::uint16_t port);
    bool send(const std::string& bytes);          // all of it, waiting for room if needed
    std::size_t drain();                          // reads what is there into received()
    bool atEnd() const { return atEnd_; }          // the other side closed
    int lastError() const { return error_; }
    void shutdownWrite();
    void reset();                                  // close with RST
    void close();
    std::uint16_t localPort() const;
    int fd() const { return fd_; }
    std::string received;

private:
    int fd_ = -1;
    bool atEnd_ = false;
    int error_ = 0;
};

using ohmkit::test::hasIPv6Loopback;   // shared with the FTP tests

// A listening EventSocket on 127.0.0.1 (port 0), and the server side of one connection made
// to it by a Peer, connected and reported. `serverDelegate` becomes the accepted socket's
// delegate before its streams open.
struct Connection {
    std::shared_ptr<EventSocket> listener;
    std::shared_ptr<EventSocket> server;
    Recorder listenerDelegate;
    Peer peer;
};
// Returns false (with a failure recorded by the caller's ASSERT) when the set-up did not
// complete within the watchdog.
bool connect(platform::RunLoop& loop, Connection& c, Recorder& serverDelegate);

// Runs the loop for about `duration`, whatever happens.
void runFor(platform::RunLoop& loop, std::chrono::milliseconds duration);

}  // namespace ohmkit::net::test
