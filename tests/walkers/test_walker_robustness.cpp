// Every walker on hostile input: random bytes, and random bytes behind each
// type's own header patterns, fed in pieces of many sizes. Checks the rules
// every walker keeps (no crash under the sanitizers, a proven length never
// shrinks, a final verdict never changes, nothing is refused as a header
// after the header check's look-ahead). The fuzz targets go deeper.

#include "walkers/WalkerTestSupport.h"

using namespace walkertest;
using ostrel::walkers::kHeaderLookahead;

namespace {

void checkRules(const std::string& type, const Bytes& data, size_t piece)
{
    auto walker = ostrel::walkers::makeWalker(type);
    ASSERT_TRUE(walker) << type;
    Verdict last = walker->verdict();
    size_t fed = 0;
    for (size_t at = 0; at < data.size(); at += piece) {
        const size_t n = std::min(piece, data.size() - at);
        const Verdict v = walker->feed(data.data() + at, n);
        fed += n;
        if (last.final()) {
            ASSERT_EQ(v, last) << type << ": a final verdict changed";
        }
        if (last.state == State::Continues && v.state == State::Continues) {
            ASSERT_GE(v.offset, last.offset) << type << ": a proven length shrank";
        }
        if (v.state == State::NotFormat && !last.final()) {
            ASSERT_LE(fed - n, kHeaderLookahead) << type << ": refused as a header after the look-ahead";
        }
        ASSERT_EQ(v, walker->verdict()) << type;
        last = v;
    }
}

} // namespace

TEST(WalkerRobustness, RandomInputKeepsTheRules)
{
    for (const std::string& type : ostrel::walkers::walkerTypes()) {
        for (uint32_t seed = 1; seed <= 20; ++seed) {
            const Bytes data = randomBytes(4096 + seed * 997, seed);
            checkRules(type, data, 1 + seed * 61);
        }
    }
}
