#include "datasheets/store_servers.h"

#include "platform/log.h"
#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ohmkit::datasheets {
namespace {

TEST(StoreServerOptions, TheSharedLimitsReachBothServers)
{
    StoreServerOptions options;
    options.setMaxClients(3);
    options.setMaxPerAddress(2);
    options.setIdleTimeout(0.5);
    EXPECT_EQ(options.ftpLimits.maxClients, 3u);
    EXPECT_EQ(options.httpLimits.maxClients, 3u);
    EXPECT_EQ(options.ftpLimits.maxPerAddress, 2u);
    EXPECT_EQ(options.httpLimits.maxPerAddress, 2u);
    EXPECT_DOUBLE_EQ(options.ftpLimits.idleTimeout, 0.5);
    EXPECT_EQ(options.httpLimits.idleTimeout, 1u);   // whole seconds, at least one
}

TEST(StoreServers, StartBothOnTheStoreAndStopBoth)
{
    platform::LogCapture quiet;
    const std::string folder = std::filesystem::canonical(std::filesystem::temp_directory_path()).string();
    StoreServerOptions options;
    options.ftpPort = 0;
    options.httpPort = 0;
    options.setMaxClients(5);
    StoreServers servers;
    servers.start(platform::RunLoop::main(), folder, options, nullptr, nullptr);
    ASSERT_TRUE(servers.running());
    EXPECT_TRUE(servers.ftp()->isListening());
    EXPECT_TRUE(servers.browser()->isListening());
    EXPECT_EQ(servers.ftp()->baseDir(), folder);
    EXPECT_EQ(servers.browser()->folder(), folder);
    EXPECT_EQ(servers.ftp()->limits().maxClients, 5u);
    servers.stop();
    EXPECT_FALSE(servers.running());
    servers.stop();   // idempotent
}

}  // namespace
}  // namespace ohmkit::datasheets
