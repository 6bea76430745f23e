// The map fingerprint a recording carries: FNV-1a 64 against its published test values,
// the digest of files as they stand, and the header line read back.
#include "world/map_digest.h"

#include "world/grid_map.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace steering {
namespace {

uint64_t digestOf(const std::string& text) {
    return mapBytesDigest(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

TEST(MapDigest, Fnv1aGivesItsPublishedValues) {
    EXPECT_EQ(digestOf(""), 0xcbf29ce484222325u);
    EXPECT_EQ(digestOf("a"), 0xaf63dc4c8601ec8cu);
    EXPECT_EQ(digestOf("foobar"), 0x85944171f73967e8u);
}

TEST(MapDigest, FileDigestIsTheBytesDigestAndMissingWhenUnreadable) {
    const std::string path = ::testing::TempDir() + "map_digest_test.raw";
    std::ofstream(path, std::ios::binary) << "foobar";
    EXPECT_EQ(mapFileDigest(path.c_str()), "85944171f73967e8");
    // A map and a byte more than a map differ: the read goes one byte past a map.
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(kMapBytes, '\0');
    const std::string map = mapFileDigest(path.c_str());
    std::ofstream(path, std::ios::binary | std::ios::app) << 'x';
    EXPECT_NE(mapFileDigest(path.c_str()), map);
    std::remove(path.c_str());
    EXPECT_EQ(mapFileDigest(path.c_str()), "missing");
    EXPECT_EQ(mapFileDigest(::testing::TempDir().c_str()), "missing");  // a folder
}

TEST(MapDigest, HeaderLineReadsBack) {
    const std::string line = mapHeaderLine("/nowhere/a \"quoted\" map.raw");
    EXPECT_EQ(line, "# map \"/nowhere/a \"quoted\" map.raw\" digest missing");
    std::string path, digest;
    ASSERT_TRUE(parseMapHeaderLine(line + "\r", path, digest));
    EXPECT_EQ(path, "/nowhere/a \"quoted\" map.raw");
    EXPECT_EQ(digest, "missing");
    for (const char* other : {"# steering session: replay with steering_headless steering --input FILE",
                              "# map \"x.raw\" digest ", "# map x.raw digest 1234", "5 key F12"}) {
        EXPECT_FALSE(parseMapHeaderLine(other, path, digest)) << other;
    }
}

}  // namespace
}  // namespace steering
