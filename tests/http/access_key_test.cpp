#include "http/access_key.h"

#include <gtest/gtest.h>

#include <set>

namespace ohmkit::http {
namespace {

TEST(AccessKey, IsSixLowercaseLettersAndDigits)
{
    for (int i = 0; i < 200; ++i) {
        const std::string key = makeAccessKey();
        EXPECT_TRUE(isAccessKey(key)) << key;
    }
}

TEST(AccessKey, DiffersFromStartToStart)
{
    std::set<std::string> keys;
    for (int i = 0; i < 100; ++i) keys.insert(makeAccessKey());
    // 36^6 keys: a repeat in a hundred draws would mean the source is not random.
    EXPECT_EQ(keys.size(), 100u);
}

TEST(AccessKey, UsesTheWholeAlphabet)
{
    std::set<char> seen;
    for (int i = 0; i < 2000; ++i)
        for (char c : makeAccessKey()) seen.insert(c);
    EXPECT_EQ(seen.size(), 36u);
}

TEST(AccessKey, RecognisesOnlyWellFormedKeys)
{
    const struct {
        const char* text;
        bool key;
    } cases[] = {
        {"k3x9p2", true}, {"000000", true}, {"zzzzzz", true}, {"K3x9p2", false}, {"k3x9p", false},
        {"k3x9p22", false}, {"k3x-p2", false}, {"", false}, {"k3x9p\xC3", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isAccessKey(c.text), c.key) << c.text;
}

}  // namespace
}  // namespace ohmkit::http
