#pragma once
// What the EventSocket source files share and nobody else needs.
#include <cstdint>
#include <string>

#include "platform/stream_pair.h"
#include "platform/text.h"

namespace ohmkit::net::detail {

// An object's address as log lines show it ("0x55d0c0a8").
inline std::string identity(const void* p)
{
    return platform::format("0x%llx", static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(p)));
}

// A stream that is open, busy with a call, or failed (its error is still to be reported).
inline bool isOpenish(platform::StreamStatus s, platform::StreamStatus busy)
{
    return s == platform::StreamStatus::Open || s == busy || s == platform::StreamStatus::Error;
}

}  // namespace ohmkit::net::detail
