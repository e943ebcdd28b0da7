// Reads, dumps, sizes and writes mutants of seed profiles: truncations,
// extreme values in the size, count, offset and version fields, and byte
// flips, all from a fixed random seed.
#include "fuzz_framework.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <sstream>

using namespace icctest;

namespace iccfuzz {

namespace {

// Lower the flips, not the truncations, when time runs short: the sanitizers
// make each read of a large seed several times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kFlips = 500;
#else
constexpr int kFlips = 2000;
#endif
constexpr int kExtraTruncations = 200;
constexpr uint32_t kRandomSeed = 0x1CC0B0Bu;
constexpr size_t kMaxSeedBytes = 1 << 20;
constexpr size_t kMaxOracleSeeds = 12;
constexpr size_t kSmallInput = 64 * 1024;  // below: full dumps, and no allocation may be refused
// A guard against a mutant that loops, not a speed target: a loaded machine
// running the sanitizer build takes minutes; ctest stops a shard at 600 s.
constexpr double kTimeBoundSeconds = 540;
constexpr size_t kLookupMutants = 2000;  // readable mutants asked for lookup objects
constexpr size_t kLookupEvery = 16;      // spread over the run

struct NamedSeed {
    const char *name;
    SeedBuilder build;
};

std::vector<NamedSeed> &seed_builders() {
    static std::vector<NamedSeed> v;
    return v;
}

std::vector<std::pair<const char *, MutantReader>> &readers() {
    static std::vector<std::pair<const char *, MutantReader>> v;
    return v;
}

std::map<uint32_t, CountFieldsFn> &count_field_fns() {
    static std::map<uint32_t, CountFieldsFn> m;
    return m;
}

class NullBuf : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char *, std::streamsize n) override { return n; }
};

struct Seed {
    std::string name;
    Bytes data;
};

// The smallest oracle profile of each device class and colour space.
std::vector<Seed> oracle_seeds() {
    std::map<std::pair<uint32_t, uint32_t>, const OracleProfile *> best;
    for (const std::vector<OracleProfile> *set : {&package_profiles(), &lcms_v2_profiles()}) {
        for (const OracleProfile &o : *set) {
            if (o.data.size() > kMaxSeedBytes)
                continue;
            auto key = std::make_pair(get32(o.data, 12), get32(o.data, 16));
            auto it = best.find(key);
            if (it == best.end() || o.data.size() < it->second->data.size())
                best[key] = &o;
        }
    }
    std::vector<const OracleProfile *> chosen;
    for (const auto &kv : best)
        chosen.push_back(kv.second);
    std::sort(chosen.begin(), chosen.end(),
              [](const OracleProfile *a, const OracleProfile *b) { return a->data.size() < b->data.size(); });
    if (chosen.size() > kMaxOracleSeeds)
        chosen.resize(kMaxOracleSeeds);
    std::vector<Seed> out;
    for (const OracleProfile *o : chosen)
        out.push_back({o->path, o->data});
    return out;
}

struct Outcomes {
    size_t mutants = 0, read_ok = 0, written = 0, failures = 0, lookup_mutants = 0, lookups = 0;
};

class Runner {
public:
    Runner(Outcomes *out, size_t lookup_limit) : out_(out), lookup_limit_(lookup_limit) {}

    void run(const std::string &seed, const std::string &what, const uint8_t *data, size_t len) {
        ctx_seed_ = &seed;
        ctx_what_ = &what;
        len_ = len;
        out_->mutants++;
        auto ms = MemStream::view(data, len);
        icc *p = new_icc();
        if (p == nullptr) {
            fail("new_icc failed");
            return;
        }
        int rv = p->read(p, ms->io(), 0);
        check(rv, p, "read");
        if (rv == 0) {
            out_->read_ok++;
            exercise(p, ms.get());
        }
        p->stream = nullptr;
        p->del(p);
        for (const auto &reader : readers()) {
            icc *q = new_icc();
            if (q == nullptr) {
                fail("new_icc failed");
                return;
            }
            check(reader.second(q, data, len), q, reader.first);
            q->del(q);
        }
    }

private:
    void exercise(icc *p, MemStream *ms) {
        for (unsigned int i = 0; i < p->tag_count; i++)
            if (p->read_tag(p, p->tag_table[i].sig) == nullptr)
                check_failed(p, "read_tag");
        check(p->read_all_tags(p), p, "read_all_tags");

        NullBuf nb;
        std::ostream os(&nb);
        p->dump(p, &os, len_ < kSmallInput ? 2 : 1);

        if (p->get_size(p) == 0)
            check_failed(p, "get_size");
        if (out_->read_ok % kLookupEvery == 0 && out_->lookup_mutants < lookup_limit_)
            lookups(p);

        // What did not load is dropped, so that the rest is sized and written.
        for (unsigned int i = p->tag_count; i-- > 0;)
            if (i < p->tag_count && p->tag_table[i].object == nullptr)
                p->delete_tag(p, p->tag_table[i].sig);
        if (icc_check_legal(p) != 0)
            return;
        unsigned int size = p->get_size(p);
        if (size == 0) {
            check_failed(p, "get_size");
            return;
        }
        auto out = MemStream::zeroed(size);
        int rv = p->write(p, out->io(), 0);
        p->stream = ms->io();
        check(rv, p, "write");
        if (rv != 0)
            return;
        out_->written++;
        Bytes written = out->bytes();
        if (get32(written, 0) != size)
            fail("header size differs from get_size");
        Loaded back = load(written);
        if (back.rv != 0 || back.p->tag_count != p->tag_count)
            fail(std::string("written profile does not read back: ") + back.p->error_text);
    }

    // Every function with every intent; each object built is evaluated at 8
    // inputs, in range, outside it and NaN.
    void lookups(icc *p) {
        static const double values[8] = {0.0, 1.0, 0.5, -0.25, 1.5, 75.0, -130.0, NAN};
        const int order = (int)(out_->lookup_mutants++ % 2);
        for (int func = 0; func <= 3; func++) {
            for (int intent : {0, 1, 2, 3, 98, 99}) {
                iccLuBase *lu = p->get_luobj(p, func, intent, order);
                if (lu == nullptr) {
                    check_failed(p, "get_luobj");
                    continue;
                }
                out_->lookups++;
                int inn = 0, outn = 0;
                lu->lu_spaces(lu, nullptr, &inn, nullptr, &outn, nullptr);
                if (inn < 1 || inn > (int)icmLutMaxChan || outn < 1 || outn > (int)icmLutMaxChan)
                    fail("lookup object with " + std::to_string(inn) + " and " + std::to_string(outn) + " channels");
                for (int k = 0; k < 8; k++) {
                    double in[icmLutMaxChan], out[icmLutMaxChan];
                    for (unsigned int e = 0; e < icmLutMaxChan; e++)
                        in[e] = values[(k + e) % 8];
                    const int rv = lu->lookup(lu, out, in);
                    if (rv > 1)
                        check(rv, p, "lookup");
                }
                lu->del(lu);
            }
        }
    }

    void check_failed(icc *p, const char *step) {
        if (p->error_code == 0)
            fail(std::string(step) + " failed with code 0: " + p->error_text);
        else
            check(p->error_code, p, step);
    }

    void check(int rv, icc *p, const char *step) {
        if (rv == 0)
            return;
        const std::string text = p->error_text;
        if (rv != 1 && rv != 2) {
            fail(std::string(step) + ": code " + std::to_string(rv) + " " + text);
            return;
        }
        size_t n = 0;
        while (n < text.size() && (isalnum((unsigned char)text[n]) || text[n] == '_'))
            n++;
        if (n < 4 || (text.rfind("icc", 0) != 0 && text.rfind("icm", 0) != 0))
            fail(std::string(step) + ": text names no function: '" + text + "'");
        if (rv == 2 && !code2_allowed(text))
            fail(std::string(step) + ": code 2 '" + text + "'");
    }

    // Code 2 from a mutant is a refused allocation or a failed write: only a
    // count whose sizes pass 32 bits may give it, and only large inputs may
    // have an allocation refused.
    bool code2_allowed(const std::string &text) const {
        if (text == "icc_read: Tag table malloc() failed" ||
            text == "icc_read: Tag table read buffer malloc() failed")
            return true;
        // A singular matrix; a curve's reverse search refused (it has a bound).
        if (text == "icc_new_iccLuMatrix: Matrix wasn't invertable" ||
            text.rfind("icc_lookup: Curve->", 0) == 0)
            return true;
        return len_ >= kSmallInput && text.find("alloc") != std::string::npos;
    }

    void fail(const std::string &msg) {
        if (++out_->failures <= 20)
            ADD_FAILURE() << *ctx_seed_ << " / " << *ctx_what_ << " (" << len_ << " bytes): " << msg;
    }

    Outcomes *out_;
    size_t lookup_limit_;
    const std::string *ctx_seed_ = nullptr;
    const std::string *ctx_what_ = nullptr;
    size_t len_ = 0;
};

void mutate_seed(const Seed &seed, std::mt19937 &rng, Runner &runner) {
    Bytes work = seed.data;
    const size_t n = work.size();
    const uint32_t count = n >= 132 ? get32(work, 128) : 0;
    const size_t entries = 132 + 12 * (uint64_t)count <= n ? count : 0;
    const size_t table_end = std::min<size_t>(n, 132 + 12 * entries);
    std::string what;

    what = "truncated in header or table";
    for (size_t len = 0; len < table_end; len++)
        runner.run(seed.name, what, work.data(), len);

    what = "truncated at a tag's start or end";
    for (size_t i = 0; i < entries; i++) {
        const int64_t off = get32(work, 136 + 12 * i), end = off + get32(work, 140 + 12 * i);
        for (int64_t at : {off, end})
            for (int64_t d = -4; d <= 4; d++)
                if (at + d >= 0 && at + d < (int64_t)n)
                    runner.run(seed.name, what, work.data(), (size_t)(at + d));
    }

    what = "truncated at random";
    std::uniform_int_distribution<size_t> any_len(0, n - 1);
    for (int k = 0; k < kExtraTruncations; k++)
        runner.run(seed.name, what, work.data(), any_len(rng));

    // Extreme values in the size, version, count, offset and size fields and
    // in the count fields of each tag type that registered them.
    std::vector<CountField> fields = {{0, 4}, {8, 4}, {128, 4}};
    for (size_t i = 0; i < entries; i++) {
        fields.push_back({136 + 12 * i, 4});
        fields.push_back({140 + 12 * i, 4});
        const size_t off = get32(work, 136 + 12 * i), sz = get32(work, 140 + 12 * i);
        auto fn = off + 4 <= n ? count_field_fns().find(get32(work, off)) : count_field_fns().end();
        if (fn != count_field_fns().end())
            for (CountField f : fn->second(work.data() + off, std::min(sz, n - off)))
                fields.push_back({off + f.offset, f.width});
    }
    const uint32_t extremes[] = {0, 1, uint32_t(n - 1), uint32_t(n), uint32_t(n + 1), 0x7FFFFFFFu, 0xFFFFFFFFu};
    for (const CountField &f : fields) {
        if (f.offset + f.width > n)
            continue;
        Bytes saved(work.begin() + f.offset, work.begin() + f.offset + f.width);
        for (uint32_t v : extremes) {
            for (int b = 0; b < f.width; b++)
                work[f.offset + b] = uint8_t(v >> (8 * (f.width - 1 - b)));
            what = "value " + std::to_string(v) + " at " + std::to_string(f.offset);
            runner.run(seed.name, what, work.data(), n);
        }
        std::copy(saved.begin(), saved.end(), work.begin() + f.offset);
    }

    std::uniform_int_distribution<size_t> any_pos(0, n - 1);
    std::uniform_int_distribution<int> any_mask(1, 255);
    for (int k = 0; k < kFlips; k++) {
        const size_t at = any_pos(rng);
        const uint8_t mask = (uint8_t)any_mask(rng);
        work[at] ^= mask;
        what = "byte " + std::to_string(at) + " flipped";
        runner.run(seed.name, what, work.data(), n);
        work[at] ^= mask;
    }
}

}  // namespace

bool add_seed(const char *name, SeedBuilder build) {
    seed_builders().push_back({name, build});
    return true;
}

bool add_reader(const char *name, MutantReader read) {
    readers().push_back({name, read});
    return true;
}

bool add_count_fields(const char *ttype, CountFieldsFn fields) {
    count_field_fns()[str2tag(ttype)] = fields;
    return true;
}

namespace {

// One seed to a shard, and CTest runs the shards side by side, so the whole
// run stays short even under the sanitizers on a loaded machine.
constexpr int kShards = 16;

class IccFuzzShard : public ::testing::TestWithParam<int> {};

TEST_P(IccFuzzShard, MutantsFailCleanly) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<Seed> seeds = oracle_seeds();
    ASSERT_FALSE(seeds.empty()) << "no oracle profiles to start from";
    ASSERT_FALSE(seed_builders().empty()) << "no profiles written by the library";
    for (const NamedSeed &s : seed_builders()) {
        Bytes b = s.build();
        ASSERT_GE(b.size(), 132u) << s.name << ": the library did not write it";
        seeds.push_back({s.name, b});
    }
    ASSERT_GE(seeds.size(), (size_t)kShards) << "a shard would have no seed";

    Outcomes out;
    Runner runner(&out, kLookupMutants / kShards);
    size_t mine = 0;
    for (size_t i = GetParam(); i < seeds.size(); i += kShards, mine++) {
        std::mt19937 rng(kRandomSeed + (uint32_t)i);  // each seed's mutants, whatever the sharding
        mutate_seed(seeds[i], rng, runner);
    }

    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(out.failures, 0u);
    EXPECT_GT(out.read_ok, 0u);
    EXPECT_GT(out.lookup_mutants, 0u);  // some seeds give no lookup object, and some none the library writes
    EXPECT_LT(secs, kTimeBoundSeconds);
    std::cout << mine << " of " << seeds.size() << " seeds, " << out.mutants << " mutants, " << out.read_ok
              << " read, " << out.written << " written, " << out.lookup_mutants << " asked for lookups, "
              << out.lookups << " lookup objects, " << secs << " s\n";
}

INSTANTIATE_TEST_SUITE_P(IccFuzz, IccFuzzShard, ::testing::Range(0, kShards));

}  // namespace

}  // namespace iccfuzz
