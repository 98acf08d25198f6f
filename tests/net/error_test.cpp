// The socket layer's errors, stream-error conversion and the misuse exceptions.
#include <gtest/gtest.h>
#include <netdb.h>

#include "net/error.h"
#include "net/event_socket.h"
#include "platform/run_loop.h"

using namespace ohmkit::net;
namespace D = ohmkit::platform::StreamErrorDomain;

TEST(SocketErrors, OwnErrorsHaveTheirCodesAndTexts)
{
    struct Case {
        Error error;
        int code;
        const char* text;
    } cases[] = {
        {getSocketError(), -1, "General CFSocket error"},
        {getAbortError(), 1, "Connection canceled"},
        {getReadMaxedOutError(), 2, "Read operation reached set maximum length"},
        {getReadTimeoutError(), 3, "Read operation timed out"},
        {getWriteTimeoutError(), 4, "Write operation timed out"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.domain, "EventSocketErrorDomain");
        EXPECT_EQ(c.error.code, c.code);
        ASSERT_TRUE(c.error.localizedDescription.has_value());
        EXPECT_EQ(*c.error.localizedDescription, c.text);
    }
}

TEST(SocketErrors, NoErrorConvertsToNone)
{
    EXPECT_FALSE(errorFromCFStreamError({0, 0}).has_value());
    // Only the pair (0, 0) is none.
    EXPECT_TRUE(errorFromCFStreamError({0, 5}).has_value());
}

TEST(SocketErrors, PosixStreamErrorKeepsItsCodeWithoutDescription)
{
    auto e = errorFromCFStreamError({D::POSIX, 54});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->domain, "NSPOSIXErrorDomain");
    EXPECT_EQ(e->code, 54);
    EXPECT_FALSE(e->localizedDescription.has_value());
}

TEST(SocketErrors, NameResolutionErrorCarriesTheLookUpText)
{
    auto e = errorFromCFStreamError({D::NetDB, EAI_NONAME});
    ASSERT_TRUE(e);
    EXPECT_EQ(e->domain, "kCFStreamErrorDomainNetDB");
    EXPECT_EQ(e->code, EAI_NONAME);
    ASSERT_TRUE(e->localizedDescription.has_value());
    EXPECT_EQ(*e->localizedDescription, gai_strerror(EAI_NONAME));
}

TEST(SocketErrors, DomainsMapByNumber)
{
    const std::pair<long, const char*> table[] = {
        {D::MacOSStatus, "NSOSStatusErrorDomain"},
        {D::Mach, "NSMachErrorDomain"},
        {D::NetServices, "kCFStreamErrorDomainNetServices"},
        {D::SOCKS, "kCFStreamErrorDomainSOCKS"},
        {D::SystemConfiguration, "kCFStreamErrorDomainSystemConfiguration"},
        {D::SSL, "kCFStreamErrorDomainSSL"},
        {99, "CFStreamError (unlisted domain)"},
        {D::HTTP, "CFStreamError (unlisted domain)"},
    };
    for (auto [domain, name] : table) {
        auto e = errorFromCFStreamError({domain, 7});
        ASSERT_TRUE(e) << domain;
        EXPECT_EQ(e->domain, name) << domain;
        EXPECT_EQ(e->code, 7);
        EXPECT_FALSE(e->localizedDescription.has_value());
    }
}

TEST(SocketErrors, DescriptionLine)
{
    EXPECT_EQ(getReadTimeoutError().description(),
              "Error Domain=EventSocketErrorDomain Code=3 \"Read operation timed out\"");
    EXPECT_EQ(errorFromCFStreamError({D::POSIX, 111})->description(),
              "Error Domain=NSPOSIXErrorDomain Code=111 \"The operation couldn't be completed. (NSPOSIXErrorDomain "
              "error 111.)\"");
}

namespace {

template <typename F>
EventSocketException thrown(F f)
{
    try {
        f();
    } catch (const EventSocketException& e) {
        return e;
    }
    ADD_FAILURE() << "no EventSocketException";
    return EventSocketException("");
}

}  // namespace

TEST(SocketExceptions, MisuseRaisesNamedExceptionsWithTheReasons)
{
    ohmkit::platform::RunLoop loop;
    auto socket = EventSocket::create(nullptr, &loop);
    auto e = thrown([&] { socket->acceptOnPort(0); });
    EXPECT_EQ(e.name(), "EventSocketException");
    EXPECT_EQ(e.reason(), "Attempting to accept without a delegate. Set a delegate first.");
    e = thrown([&] { socket->connectToHost("127.0.0.1", 9); });
    EXPECT_EQ(e.reason(), "Attempting to connect without a delegate. Set a delegate first.");

    EventSocketDelegate delegate;
    socket->setDelegate(&delegate);
    ASSERT_TRUE(socket->acceptOnAddress("127.0.0.1", 0));
    e = thrown([&] { socket->acceptOnPort(0); });
    EXPECT_EQ(e.name(), "EventSocketException");
    EXPECT_EQ(e.reason(), "Attempting to accept while connected or accepting connections. Disconnect first.");
    e = thrown([&] { socket->connectToHost("127.0.0.1", 9); });
    EXPECT_EQ(e.reason(), "Attempting to connect while connected or accepting connections. Disconnect first.");
    // Nothing was changed by the refused calls.
    EXPECT_TRUE(socket->isIPv4());
    EXPECT_NE(socket->localPort(), 0);
}

TEST(SocketExceptions, UnconvertibleAddressRaisesInternalInconsistency)
{
    auto e = thrown([] { EventSocket::addressHost(std::string("\x02\x00\x01", 3)); });
    EXPECT_EQ(e.name(), "NSInternalInconsistencyException");
    EXPECT_EQ(e.reason(), "Cannot convert address to string.");
    EXPECT_STREQ(e.what(), "Cannot convert address to string.");
}
