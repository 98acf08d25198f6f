#include "http/access_key.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>
#include <random>

namespace ohmkit::http {

namespace {

constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";

// One random byte from the kernel's pool; std::random_device (the same pool) when getrandom
// cannot be used.
unsigned char randomByte()
{
    unsigned char byte = 0;
    for (;;) {
        const ssize_t n = ::getrandom(&byte, 1, 0);
        if (n == 1) return byte;
        if (n < 0 && errno == EINTR) continue;
        std::random_device device;
        return static_cast<unsigned char>(device());
    }
}

}  // namespace

std::string makeAccessKey()
{
    // 252 is the largest multiple of 36 below 256: bytes above it are drawn again, so that
    // every character is equally likely.
    constexpr unsigned kLimit = 256 - 256 % kAlphabet.size();
    std::string key;
    while (key.size() < kAccessKeyLength) {
        const unsigned byte = randomByte();
        if (byte < kLimit) key += kAlphabet[byte % kAlphabet.size()];
    }
    return key;
}

bool isAccessKey(std::string_view text)
{
    if (text.size() != kAccessKeyLength) return false;
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

}  // namespace ohmkit::http
