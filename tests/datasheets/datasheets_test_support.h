#pragma once
// Helpers for the datasheet store's tests: a private documents directory, a small PDF, and
// a loopback client that the test thread drives between turns of the main run loop.
#include <chrono>
#include <functional>
#include <string>

namespace ohmkit::datasheets::test {

// A fresh folder made the documents directory ($OHMKIT_DOCUMENTS) while the object exists.
class TempDocuments {
public:
    TempDocuments();
    ~TempDocuments();
    TempDocuments(const TempDocuments&) = delete;
    TempDocuments& operator=(const TempDocuments&) = delete;
    const std::string& path() const { return path_; }
    void write(const std::string& name, const std::string& bytes) const;

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// Sets an environment variable while the object exists.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// A one-page PDF document showing `text`, with a correct cross-reference table.
std::string minimalPdf(const std::string& text);

// Turns the main run loop until `done` holds or `seconds` pass (a watchdog, not a timing
// check); returns done().
bool runMainLoopUntil(const std::function<bool()>& done, double seconds = 5.0);

// A port on 127.0.0.1 that was free a moment ago.
unsigned freeLoopbackPort();

// A TCP client of 127.0.0.1 that never blocks the test thread: the server runs on the same
// thread's run loop, so every wait turns the loop.
class LoopbackClient {
public:
    ~LoopbackClient();
    bool connect(unsigned port);                 // 127.0.0.1 only
    bool send(const std::string& bytes);
    // Reads until `text` has arrived (true) or the watchdog passes; everything read is kept.
    bool waitFor(const std::string& text, double seconds = 5.0);
    // True when the server closed the connection (end of stream or reset) within the watchdog.
    bool waitForClose(double seconds = 5.0);
    const std::string& received() const { return received_; }
    void close();                                // ends the connection from this side
    void reset();                                // breaks it off (the peer sees a reset)

private:
    bool pump();                                 // one non-blocking read; false on close
    int fd_ = -1;
    bool closed_ = false;
    std::string received_;
};

// True when a new TCP connection to 127.0.0.1:port is refused.
bool connectionRefused(unsigned port);

}  // namespace ohmkit::datasheets::test
