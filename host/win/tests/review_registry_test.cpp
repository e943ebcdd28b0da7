// The registry file format against random keys and values, and damaged
// texts: what is written reads back the same, and no text crashes the reader.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "win/registry.h"

namespace {

using host::reg::Hive;

bool Same(const Hive& a, const Hive& b) {
  if (a.size() != b.size()) return false;
  for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib) {
    if (ia->first != ib->first || ia->second.className != ib->second.className) return false;
    const auto& va = ia->second.values();
    const auto& vb = ib->second.values();
    if (va.size() != vb.size()) return false;
    for (size_t i = 0; i < va.size(); ++i)
      if (va[i].name != vb[i].name || va[i].type != vb[i].type || va[i].data != vb[i].data) return false;
  }
  return true;
}

TEST(ReviewRegistryFormat, RandomHivesRoundTripAndDamagedTextsNeverCrash) {
  uint32_t state = 99;
  auto next = [&]() {
    state = state * 1103515245u + 12345u;
    return (state >> 8) & 0xFFFFFF;
  };
  // Bytes that matter to the format, and any byte at all.
  const std::string special = "[]\"%\\/ ;\t\r\n\x7f\x00sz hex class";
  auto text = [&](size_t most) {
    std::string t;
    for (size_t n = next() % (most + 1); n > 0; --n)
      t += next() % 2 ? special[next() % special.size()] : static_cast<char>(next() & 0xFF);
    return t;
  };
  auto start = std::chrono::steady_clock::now();
  for (int run = 0; run < 3000; ++run) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(4)) break;
    Hive hive;
    for (int k = next() % 4; k >= 0; --k) {
      std::string path = text(12);
      if (path.empty()) path = "K";
      host::reg::Key key;
      key.className = next() % 2 ? "String" : text(6);
      for (int v = next() % 5; v > 0; --v) {
        ASUns32 type = next() % 3 == 0 ? static_cast<ASUns32>(next()) : 1;
        std::string data = text(20);
        if (type == 1 && next() % 2) data += '\0';
        key.Set(text(8), type, data);
      }
      hive[path] = key;
    }
    std::string written = host::reg::Serialize(hive);
    Hive back;
    std::string why;
    ASSERT_TRUE(host::reg::Parse(written, &back, &why)) << why << "\n" << written;
    ASSERT_TRUE(Same(hive, back)) << written;

    // Damaged: what still parses writes itself back the same way.
    std::string damaged = written;
    for (int m = next() % 3 + 1; m > 0; --m) {
      size_t at = next() % (damaged.size() + 1);
      if (next() % 2)
        damaged.insert(at, 1, special[next() % special.size()]);
      else if (at < damaged.size())
        damaged.erase(at, next() % 4 + 1);
    }
    Hive again;
    if (host::reg::Parse(damaged, &again, &why)) {
      Hive twice;
      ASSERT_TRUE(host::reg::Parse(host::reg::Serialize(again), &twice, &why)) << why;
      ASSERT_TRUE(Same(again, twice));
    } else {
      EXPECT_TRUE(again.empty());
      EXPECT_FALSE(why.empty());
    }
  }
}

}  // namespace
