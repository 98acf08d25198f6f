// Browser upload server benchmark over loopback: the server runs in a child process on a free
// port over a temporary store; curl is the client.
//
//   http_bench [--big-mib M] [--store-in DIR]
//
// Phases: a PUT upload of one big file (default 256 MiB) and its download, each with MB/s and
// the server's peak private memory (resident minus shared, sampled from /proc every few
// milliseconds); an upload must not make the server grow with the file's size. Run it on a
// quiet machine; it is not a test and asserts nothing.
#include "http/http_server.h"
#include "memory_sampler.h"
#include "platform/run_loop.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int stopPipe[2] = {-1, -1};
extern "C" void onStop(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(stopPipe[1], &byte, 1);
}

// The child: serves `store` until SIGTERM; writes "PORT KEY\n" to `report` once listening.
[[noreturn]] void serve(const std::string& store, int report)
{
    using namespace ohmkit;
    ::signal(SIGPIPE, SIG_IGN);
    if (::pipe(stopPipe) != 0) std::_Exit(1);
    ::signal(SIGTERM, onStop);
    platform::RunLoop loop;
    auto server = http::HttpServer::start(loop, 0, store, nullptr);
    if (!server->isListening()) std::_Exit(1);
    const std::string line = std::to_string(server->port()) + " " + server->key() + "\n";
    [[maybe_unused]] ssize_t n = ::write(report, line.data(), line.size());
    ::close(report);
    platform::FdWatch stop(loop, stopPipe[0], platform::FdWatch::Readable, [&loop](unsigned) { loop.stop(); });
    loop.run();
    server->stop();
    std::_Exit(0);
}

// Runs curl with `args`; returns its "-w" output (status code), empty when it failed.
std::string runCurl(const std::string& args)
{
    const std::string command = "curl -s -S --noproxy '*' --max-time 600 -w '%{http_code}' " + args;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return {};
    char buffer[64] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, pipe);
    const int status = ::pclose(pipe);
    return status == 0 ? std::string(buffer, n) : std::string();
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main(int argc, char** argv)
{
    int bigMiB = 256;
    std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--big-mib") == 0) bigMiB = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--store-in") == 0) base = argv[i + 1];
    }
    std::string root = base + "/ohmkit-http-bench-XXXXXX";
    if (!::mkdtemp(root.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string store = root + "/store";
    const std::string source = root + "/big.bin";
    std::filesystem::create_directory(store);
    {
        // Not all zeros, so that nothing on the way can shortcut it.
        std::vector<char> chunk(1 << 20);
        for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 + (i >> 11));
        FILE* out = std::fopen(source.c_str(), "wb");
        for (int i = 0; out && i < bigMiB; ++i) std::fwrite(chunk.data(), 1, chunk.size(), out);
        if (out) std::fclose(out);
    }

    int report[2];
    if (::pipe(report) != 0) return 1;
    const pid_t server = ::fork();
    if (server == 0) {
        ::close(report[0]);
        serve(store, report[1]);
    }
    ::close(report[1]);
    char line[64] = {};
    const ssize_t got = ::read(report[0], line, sizeof line - 1);
    ::close(report[0]);
    unsigned port = 0;
    char key[16] = {};
    if (got <= 0 || std::sscanf(line, "%u %15s", &port, key) != 2) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/" + key + "/files/big.bin";
    const double bytes = static_cast<double>(bigMiB) * 1024 * 1024;

    {
        MemorySampler memory(server);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::printf("HTTP server at rest: %.1f MiB private\n", memory.nowMiB());
        memory.takePeakMiB();

        auto start = Clock::now();
        const std::string up = runCurl("-o /dev/null -T '" + source + "' '" + url + "'");
        double seconds = secondsSince(start);
        struct stat st{};
        const bool upOk = up == "201" && ::stat((store + "/big.bin").c_str(), &st) == 0 && st.st_size == static_cast<off_t>(bytes);
        std::printf("PUT %d MiB: %s %.0f MB/s (%.2f s), peak %.1f MiB private\n", bigMiB, upOk ? "ok" : "FAILED",
                    bytes / 1e6 / seconds, seconds, memory.takePeakMiB());

        start = Clock::now();
        const std::string down = runCurl("-o /dev/null '" + url + "'");
        seconds = secondsSince(start);
        std::printf("GET %d MiB: %s %.0f MB/s (%.2f s), peak %.1f MiB private\n", bigMiB, down == "200" ? "ok" : "FAILED",
                    bytes / 1e6 / seconds, seconds, memory.takePeakMiB());
    }

    ::kill(server, SIGTERM);
    int status = 0;
    ::waitpid(server, &status, 0);
    std::filesystem::remove_all(root);
    return 0;
}
