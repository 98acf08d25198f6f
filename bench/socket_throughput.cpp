// Pushes a large buffer through a pair of connected EventSockets over 127.0.0.1 on one run
// loop, and reports the throughput and the number of write calls.
//
//   socket_throughput [MiB]     (default 256)
//
// Compare runs on the same machine only; the numbers depend on the kernel's loopback.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "net/event_socket.h"
#include "platform/run_loop.h"
#include "platform/stream_pair.h"

using namespace ohmkit;

namespace {

// This process's CPU time (user + system) in seconds: on a shared, loaded machine it moves far
// less than the wall-clock figure, so it is what to compare between runs.
double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct Sink : net::EventSocketDelegate {
    std::shared_ptr<net::EventSocket> accepted;
    std::size_t received = 0;
    std::size_t chunks = 0;
    std::size_t largest = 0;
    void onSocketDidAcceptNewSocket(net::EventSocket&, const std::shared_ptr<net::EventSocket>& s) override
    {
        accepted = s;
    }
    bool onSocketWillConnect(net::EventSocket& s) override
    {
        s.readDataWithTimeout(-1, 0);
        return true;
    }
    void onSocketDidReadData(net::EventSocket&, std::string_view data, std::int32_t) override
    {
        received += data.size();
        ++chunks;
        if (data.size() > largest) largest = data.size();
    }
};

struct Source : net::EventSocketDelegate {
    bool connected = false;
    bool written = false;
    void onSocketDidConnectToHost(net::EventSocket&, const std::string&, std::uint16_t) override { connected = true; }
    void onSocketDidWriteDataWithTag(net::EventSocket&, std::int32_t) override { written = true; }
};

}  // namespace

int main(int argc, char** argv)
{
    const std::size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    if (mebibytes == 0 || mebibytes > 2047) {
        std::fprintf(stderr, "usage: socket_throughput [MiB, 1 to 2047]\n");
        return 2;
    }
    const std::size_t size = mebibytes * 1024 * 1024;

    platform::RunLoop loop;
    Sink sink;
    Source source;
    auto listener = net::EventSocket::create(&sink, &loop);
    net::Error error;
    if (!listener->acceptOnAddress("127.0.0.1", 0, &error)) {
        std::fprintf(stderr, "listen failed: %s\n", error.description().c_str());
        return 1;
    }
    auto sender = net::EventSocket::create(&source, &loop);
    if (!sender->connectToHost("127.0.0.1", listener->localPort(), &error)) {
        std::fprintf(stderr, "connect failed: %s\n", error.description().c_str());
        return 1;
    }
    if (!loop.runUntil([&] { return source.connected && sink.accepted && sink.accepted->isConnected(); },
                       std::chrono::seconds(10))) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }

    auto data = std::make_shared<const std::string>(size, 'x');
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = cpuSeconds();
    sender->writeData(data, -1, 1);
    const bool done = loop.runUntil([&] { return source.written && sink.received == size; }, std::chrono::minutes(5));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = cpuSeconds() - cpuStart;
    if (!done) {
        std::fprintf(stderr, "timed out after %zu of %zu bytes\n", sink.received, size);
        return 1;
    }

    const auto* stream = sender->writeStream();
    std::printf("socket_throughput: %zu MiB in %.3f s = %.1f MB/s (CPU %.3f s = %.1f MB per CPU second)\n", mebibytes,
                seconds, size / seconds / 1e6, cpu, size / cpu / 1e6);
    std::printf("  write calls: %llu (%.1f bytes each), bytes written: %llu\n",
                static_cast<unsigned long long>(stream->writeCalls()),
                static_cast<double>(stream->bytesWritten()) / static_cast<double>(stream->writeCalls()),
                static_cast<unsigned long long>(stream->bytesWritten()));
    std::printf("  read chunks: %zu (largest %zu bytes)\n", sink.chunks, sink.largest);
    return 0;
}
