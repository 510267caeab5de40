// A corpus of malformed containers, made from one good container by a small generator: each is refused
// as corrupt (0x80070570, before anything is created or the engine is asked) or as content whose
// integrity value does not match (0x800FF01B), and nothing is left beside it. Changes that the
// container's rules allow (H0, H1 below the size) are accepted.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "Status.h"
#include "pipeline_test_support.h"
#include "pipelines/PipelineKeys.h"

namespace pipelinetest {
namespace {

using Bytes = std::vector<std::uint8_t>;
using scripted_engine::RecordedCalls;

// A container taken apart into its sections, so that a case can change one and put it back together.
struct Sections {
    std::array<std::uint32_t, 6> h{};
    Bytes extension, token, comment, integrity, payload;

    static Sections Of(const Bytes& file) {
        Sections s;
        for (std::size_t i = 0; i < 6; ++i)
            s.h[i] = file[4 * i] | file[4 * i + 1] << 8 | file[4 * i + 2] << 16 | static_cast<std::uint32_t>(file[4 * i + 3]) << 24;
        auto cut = [&](std::size_t from, std::size_t to) { return Bytes(file.begin() + from, file.begin() + to); };
        s.extension = cut(24, s.h[2]);
        s.token = cut(s.h[2], s.h[3]);
        s.comment = cut(s.h[3], s.h[4]);
        s.integrity = cut(s.h[4], s.h[5]);
        s.payload = cut(s.h[5], file.size());
        return s;
    }
    // The offsets from the sections' lengths, as lock computes them.
    void Recompute() {
        h[1] = 24;
        h[2] = 24 + static_cast<std::uint32_t>(extension.size());
        h[3] = h[2] + static_cast<std::uint32_t>(token.size());
        h[4] = h[3] + static_cast<std::uint32_t>(comment.size());
        h[5] = h[4] + static_cast<std::uint32_t>(integrity.size());
    }
    Bytes Join() const {
        Bytes file;
        for (std::uint32_t v : h)
            for (int b = 0; b < 4; ++b) file.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
        for (const Bytes* part : {&extension, &token, &comment, &integrity, &payload})
            file.insert(file.end(), part->begin(), part->end());
        return file;
    }
};

using Mutation = std::function<Bytes(Bytes)>;

Mutation Header(int field, std::function<std::uint32_t(std::uint32_t, std::size_t)> value) {
    return [=](Bytes file) {
        Sections s = Sections::Of(file);
        s.h[field] = value(s.h[field], file.size());
        return s.Join();
    };
}
Mutation Resections(std::function<void(Sections&)> change) {
    return [=](Bytes file) {
        Sections s = Sections::Of(file);
        change(s);
        s.Recompute();
        return s.Join();
    };
}
Mutation Extension(std::u16string_view text) {
    const Bytes bytes = Utf16LeBytes(text);
    return Resections([bytes](Sections& s) { s.extension = bytes; });
}
Mutation CutTo(std::function<std::size_t(const Sections&, std::size_t)> size) {
    return [=](Bytes file) {
        file.resize(size(Sections::Of(file), file.size()));
        return file;
    };
}
Mutation FlipPayloadByte(std::function<std::size_t(std::size_t)> at) {
    return [=](Bytes file) {
        const Sections s = Sections::Of(file);
        file[s.h[5] + at(s.payload.size())] ^= 0x01;
        return file;
    };
}

struct MalformedCase {
    const char* name;
    Mutation mutate;
    HRESULT expected;  // S_OK: accepted, and the source comes back
};

class MalformedContainer : public PipelineTest, public testing::WithParamInterface<MalformedCase> {
protected:
    void SetUp() override {
        PipelineTest::SetUp();
        const fs::path source = MakeSource("report.txt", 5000, 21);
        content_ = qlmtest::ReadBytes(source);
        good_ = qlmtest::ReadBytes(LockedContainer(source));
        fs::remove_all(dir_.path());
        fs::create_directories(dir_.path());
        scripted_engine::ResetScript();
    }

    Bytes content_;
    Bytes good_;
};

TEST_P(MalformedContainer, IsRefusedWithNothingCreated) {
    const MalformedCase& c = GetParam();
    const fs::path container = Path("report.qlm");
    const Bytes bad = c.mutate(good_);
    qlmtest::WriteBytes(container, bad);

    const RunResult run = RunUnlock(container);
    EXPECT_EQ(run.status, c.expected);
    EXPECT_EQ(qlmtest::ReadBytes(container), bad);
    if (c.expected == S_OK) {
        EXPECT_EQ(qlmtest::ReadBytes(Path("report.txt")), content_);
        return;
    }
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});
    // A header or a name that does not hold is refused before the engine is asked.
    if (c.expected == qlmfile::QLM_E_CORRUPT_CONTAINER) {
        EXPECT_EQ(RecordedCalls().unlock, 0);
    }
    EXPECT_EQ(RecordedCalls().liveEngines, 0);
}

constexpr HRESULT kCorrupt = qlmfile::QLM_E_CORRUPT_CONTAINER;
constexpr HRESULT kIntegrity = qlmfile::QLM_E_INTEGRITY;

INSTANTIATE_TEST_SUITE_P(
    Corpus, MalformedContainer,
    testing::Values(
        // The header checks, in their order.
        MalformedCase{"Empty", CutTo([](const Sections&, std::size_t) { return 0; }), kCorrupt},
        MalformedCase{"NineteenBytes", CutTo([](const Sections&, std::size_t) { return 19; }), kCorrupt},
        MalformedCase{"HeaderCutShort", CutTo([](const Sections&, std::size_t) { return 23; }), kCorrupt},
        MalformedCase{"NoPayload", CutTo([](const Sections& s, std::size_t) { return s.h[5]; }), kCorrupt},
        MalformedCase{"H1AtTheSize", Header(1, [](std::uint32_t, std::size_t size) { return size; }), kCorrupt},
        MalformedCase{"H2PastTheSize", Header(2, [](std::uint32_t, std::size_t size) { return size + 100; }), kCorrupt},
        MalformedCase{"H5AtTheSize", Header(5, [](std::uint32_t, std::size_t size) { return size; }), kCorrupt},
        MalformedCase{"EmptyToken", Resections([](Sections& s) { s.token.clear(); }), kCorrupt},
        MalformedCase{"IntegrityGapOf21", Header(5, [](std::uint32_t h5, std::size_t) { return h5 + 1; }), kCorrupt},
        MalformedCase{"IntegrityGapOf19", Header(4, [](std::uint32_t h4, std::size_t) { return h4 + 1; }), kCorrupt},
        // Sections that descend, so that a length would wrap around, though every offset is below
        // the size and H5 - H4 is 20.
        MalformedCase{"TokenBeforeExtension", Header(2, [](std::uint32_t, std::size_t) { return 20; }), kCorrupt},
        MalformedCase{"CommentBeforeToken",
                      Header(3, [](std::uint32_t, std::size_t) { return 24; }), kCorrupt},
        MalformedCase{"IntegrityValueBeforeComment",
                      [](Bytes file) {
                          Sections s = Sections::Of(file);
                          s.h[4] = s.h[2] - 1;
                          s.h[5] = s.h[4] + 20;
                          return s.Join();
                      },
                      kCorrupt},
        // Extension texts that would put the restored file elsewhere, or are no extension at all.
        MalformedCase{"ExtensionWithSlash", Extension(u".x/../../escaped"), kCorrupt},
        MalformedCase{"ExtensionWithBackslash", Extension(u".x\\y"), kCorrupt},
        MalformedCase{"ExtensionWithoutDot", Extension(u"/etc/passwd"), kCorrupt},
        MalformedCase{"ExtensionWithNul", Extension(std::u16string_view(u".t\0xt", 5)), kCorrupt},
        MalformedCase{"ExtensionWithControl", Extension(u".t\nxt"), kCorrupt},
        // The payload: not whole blocks, blocks missing or added, a byte changed anywhere, and the
        // stored integrity value changed.
        MalformedCase{"PayloadCutByOneByte", CutTo([](const Sections&, std::size_t size) { return size - 1; }), kIntegrity},
        MalformedCase{"PayloadCutByOneBlock", CutTo([](const Sections&, std::size_t size) { return size - 16; }), kIntegrity},
        MalformedCase{"PayloadCutToOneChunk",
                      CutTo([](const Sections& s, std::size_t) { return s.h[5] + 1920; }), kIntegrity},
        MalformedCase{"PayloadWithABlockMore",
                      Resections([](Sections& s) { s.payload.resize(s.payload.size() + 16, 0x10); }), kIntegrity},
        MalformedCase{"FirstPayloadByte", FlipPayloadByte([](std::size_t) { return 0; }), kIntegrity},
        MalformedCase{"MiddlePayloadByte", FlipPayloadByte([](std::size_t n) { return n / 2; }), kIntegrity},
        MalformedCase{"LastBlockFirstByte", FlipPayloadByte([](std::size_t n) { return n - 16; }), kIntegrity},
        MalformedCase{"LastPayloadByte", FlipPayloadByte([](std::size_t n) { return n - 1; }), kIntegrity},
        MalformedCase{"StoredIntegrityValue",
                      [](Bytes file) {
                          file[Sections::Of(file).h[4] + 7] ^= 0x80;
                          return file;
                      },
                      kIntegrity},
        // What the rules allow: H0 is never read, H1 only has to lie below the size.
        MalformedCase{"H0Changed", Header(0, [](std::uint32_t, std::size_t) { return 0xFFFFFFFFu; }), S_OK},
        MalformedCase{"H1Zero", Header(1, [](std::uint32_t, std::size_t) { return 0; }), S_OK},
        MalformedCase{"H1JustBelowTheSize", Header(1, [](std::uint32_t, std::size_t size) { return size - 1; }), S_OK}),
    [](const auto& info) { return std::string(info.param.name); });

// A payload whose last block has no valid pad but whose integrity value matches: only then does the
// provider's error show. The same payload with one byte changed is only "corrupted content", so that
// a broken pad cannot be told from any other change.
class PaddingTest : public PipelineTest {
protected:
    // The scripted engine's keys, as unlock sets them up.
    Bytes Encrypt(Bytes plain) {
        qlmfile::CipherHandles cipher;
        qlmfile::IntegrityHandles integrity;
        DWORD chunk = 0;
        EXPECT_EQ(qlmfile::SetUpKeys(keyText_.c_str(), tokenText_.c_str(), cipher, integrity, chunk), S_OK);
        DWORD length = static_cast<DWORD>(plain.size());
        plain.resize(plain.size() + 16);
        // Not final: the blocks go out as they are, without a pad.
        EXPECT_TRUE(CryptEncrypt(cipher.key, 0, FALSE, 0, plain.data(), &length, static_cast<DWORD>(plain.size())));
        plain.resize(length);
        return plain;
    }
    Bytes Mac(const Bytes& payload) {
        qlmfile::CipherHandles cipher;
        qlmfile::IntegrityHandles integrity;
        DWORD chunk = 0;
        EXPECT_EQ(qlmfile::SetUpKeys(keyText_.c_str(), tokenText_.c_str(), cipher, integrity, chunk), S_OK);
        EXPECT_TRUE(CryptHashData(integrity.hash, payload.data(), static_cast<DWORD>(payload.size()), 0));
        Bytes value(20);
        DWORD length = 20;
        EXPECT_TRUE(CryptGetHashParam(integrity.hash, HP_HASHVAL, value.data(), &length, 0));
        return value;
    }

    std::string keyText_ = "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=";
    std::string tokenText_ = "EBESExQVFhcYGRobHB0eHw==";
};

TEST_F(PaddingTest, BrokenPadShowsOnlyWhenTheIntegrityValueMatches) {
    const fs::path source = MakeSource("report.txt", 40);
    Sections s = Sections::Of(qlmtest::ReadBytes(LockedContainer(source)));
    fs::remove(source);
    Bytes plain(32, 0x41);
    plain.back() = 0x00;  // a pad length of 0 is never valid
    s.payload = Encrypt(plain);
    s.integrity = Mac(s.payload);
    const fs::path container = Path("report.qlm");

    qlmtest::WriteBytes(container, s.Join());
    EXPECT_EQ(RunUnlock(container).status, NTE_BAD_DATA);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});

    s.payload[5] ^= 0x01;
    qlmtest::WriteBytes(container, s.Join());
    EXPECT_EQ(RunUnlock(container).status, qlmfile::QLM_E_INTEGRITY);
    EXPECT_EQ(dir_.Names(), std::vector<std::string>{"report.qlm"});
}

// A container's sections may be as large as the file. One whose comment claims a gigabyte of a sparse
// file, unlocked with little memory to spare, ends with E_OUTOFMEMORY like any failure: nothing is
// created and the process goes on. Run in a child of its own, under an address-space limit.
TEST_F(PipelineTest, SectionsLargerThanTheMemoryLeftEndWithOutOfMemory) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit does not work with AddressSanitizer's shadow memory";
#else
    Sections s = Sections::Of(qlmtest::ReadBytes(LockedContainer(MakeSource("report.txt", 5000, 21))));
    fs::remove_all(dir_.path());
    fs::create_directories(dir_.path());
    s.comment.clear();
    s.Recompute();
    constexpr std::uint32_t kHugeComment = 1u << 30;
    for (int field : {4, 5}) s.h[field] += kHugeComment;
    const Bytes head = s.Join();  // the header and the sections before the comment
    const fs::path container = Path("report.qlm");
    qlmtest::WriteBytes(container, Bytes(head.begin(), head.begin() + s.h[3]));
    fs::resize_file(container, std::uintmax_t{s.h[5]} + s.payload.size());

    // In the child: what the process has mapped now, and 256 MiB more, far less than the comment needs.
    auto unlockWithLittleMemory = [&] {
        std::ifstream statm("/proc/self/statm");
        std::uintmax_t pages = 0;
        statm >> pages;
        const rlim_t limit = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        const rlimit cap{limit, limit};
        if (setrlimit(RLIMIT_AS, &cap) != 0) return 3;
        const RunResult run = RunUnlock(container);
        if (run.status != E_OUTOFMEMORY) return 1;
        return dir_.Names() == std::vector<std::string>{"report.qlm"} ? 0 : 2;
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(unlockWithLittleMemory()), testing::ExitedWithCode(0), "");
#endif
}

}  // namespace
}  // namespace pipelinetest
