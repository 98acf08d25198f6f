#pragma once
// A small blocking FTP client for the loopback tests and the benchmarks. It runs on its own
// thread while the test thread runs the server's run loop; every read has a time-out so a
// stuck server fails the test instead of hanging it. Only 127.0.0.1 and ::1 are ever contacted.
#include <cstdint>
#include <string>
#include <vector>

namespace ohmkit::test {

// A connected TCP socket to host:port (a numeric loopback address), or -1.
int connectTo(const std::string& host, std::uint16_t port);

class Socket {
public:
    Socket() = default;
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Socket& operator=(Socket&& other) noexcept;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool sendAll(const std::string& bytes);
    // Reads until the peer closes (or the time-out passes; then `timedOut` is set).
    std::string readAll(bool* timedOut = nullptr);
    // True when the peer has closed the connection within the time-out.
    bool waitForClose();
    void shutdownWrite();
    void close();
    void abortiveClose();   // sends a reset instead of a clean end

private:
    int fd_ = -1;
};

class ControlClient {
public:
    bool connect(const std::string& host, std::uint16_t port);
    const std::string& host() const { return host_; }

    void send(const std::string& line);          // appends CR LF
    void sendRaw(const std::string& bytes);
    // One line without its CR LF; "<timeout>" or "<closed>" when none comes.
    std::string readLine();
    // A whole reply: lines up to the one starting with the final "NNN ".
    std::vector<std::string> readReply();
    // Sends a command and returns its last reply line.
    std::string command(const std::string& line);
    // True when nothing arrives within `milliseconds`.
    bool quietFor(int milliseconds);
    bool waitForClose() { return socket_.waitForClose(); }
    Socket& socket() { return socket_; }

    // PASV or EPSV, then connects a data socket to the announced port.
    Socket openPassive(bool extended = false);
    // Listens on the control connection's loopback family, sends PORT (or EPRT) and returns
    // the listening socket; acceptData() takes the server's connection.
    Socket openActive(bool extended = false);
    static Socket acceptData(Socket& listener);

private:
    Socket socket_;
    std::string host_;
    std::string buffered_;
};

// The names in a folder, hidden ones included, sorted.
std::vector<std::string> namesIn(const std::string& folder);
// Reads a whole file; empty when missing.
std::string readFileBytes(const std::string& path);
void writeFileBytes(const std::string& path, const std::string& bytes);

// True when ::1 can be bound here.
bool hasIPv6Loopback();

}  // namespace ohmkit::test
