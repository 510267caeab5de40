// The product streams files through 1920-byte ReadFile/WriteFile calls. These benchmarks show what one
// such call costs through a sequential-scan handle (for several buffer sizes), beside the same calls
// on a plain handle, raw read(2)/write(2), and memcpy, the floor. Files live in the page cache under
// $TMPDIR (or /tmp), so the figures are the layer's own cost, not the disk's.
//
// BM_EncryptStream* do what the product does between the calls (AES-256-CBC and SHA-1 of each
// chunk): through sequential handles, whose system calls the I/O thread overlaps with that work, and
// on memory alone, the bound that the I/O should come close to.
//
//   build/default/bin/platform_kernel_bench
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/sequential_io.h"
#include "platform/utf.h"
#include "windows.h"

namespace {

constexpr std::size_t kChunk = 1920;
constexpr std::size_t kFileSize = std::size_t{64} << 20;
constexpr std::size_t kCalls = kFileSize / kChunk;

class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr ? tmp : "/tmp") + "/qlm-bench-XXXXXX";
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    std::string File(const char* name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

const ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

std::u16string Wide(const std::string& path) { return *platform::Utf8ToUtf16(path); }

// A 64 MiB file to read, written once.
const std::string& InputFile() {
    static const std::string path = [] {
        const std::string p = Scratch().File("input");
        std::vector<char> block(1 << 20, 'q');
        const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        for (std::size_t i = 0; i < kFileSize / block.size(); ++i) (void)!::write(fd, block.data(), block.size());
        ::close(fd);
        return p;
    }();
    return path;
}

void Finish(benchmark::State& state) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kCalls * kChunk));
    // Wall time: the kernel's share of the I/O counts too.
    state.counters["per_call"] = benchmark::Counter(static_cast<double>(state.iterations() * kCalls),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void WriteFileCalls(benchmark::State& state, DWORD flags) {
    platform::SetSequentialBufferSize(static_cast<std::size_t>(state.range(0)));
    const std::u16string path = Wide(Scratch().File("output"));
    std::vector<char> chunk(kChunk, 'w');
    for (auto _ : state) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr);
        for (std::size_t i = 0; i < kCalls; ++i) {
            DWORD done;
            WriteFile(h, chunk.data(), kChunk, &done, nullptr);
        }
        CloseHandle(h);
    }
    platform::SetSequentialBufferSize(0);
    Finish(state);
}

void ReadFileCalls(benchmark::State& state, DWORD flags) {
    platform::SetSequentialBufferSize(static_cast<std::size_t>(state.range(0)));
    const std::u16string path = Wide(InputFile());
    std::vector<char> chunk(kChunk);
    for (auto _ : state) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               flags, nullptr);
        DWORD done = kChunk;
        while (done == kChunk) ReadFile(h, chunk.data(), kChunk, &done, nullptr);
        CloseHandle(h);
        benchmark::DoNotOptimize(chunk.data());
    }
    platform::SetSequentialBufferSize(0);
    Finish(state);
}

void BM_WriteFileSequential(benchmark::State& state) { WriteFileCalls(state, FILE_FLAG_SEQUENTIAL_SCAN); }
void BM_WriteFilePlain(benchmark::State& state) { WriteFileCalls(state, FILE_ATTRIBUTE_NORMAL); }
void BM_ReadFileSequential(benchmark::State& state) { ReadFileCalls(state, FILE_FLAG_SEQUENTIAL_SCAN); }
void BM_ReadFilePlain(benchmark::State& state) { ReadFileCalls(state, FILE_ATTRIBUTE_NORMAL); }

void BM_RawWrite(benchmark::State& state) {
    const std::string path = Scratch().File("output");
    std::vector<char> chunk(kChunk, 'w');
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        for (std::size_t i = 0; i < kCalls; ++i) (void)!::write(fd, chunk.data(), kChunk);
        ::close(fd);
    }
    Finish(state);
}

// The floor for writing: the same bytes handed to the kernel in 1 MiB write(2) calls.
void BM_RawWriteWholeMegabytes(benchmark::State& state) {
    const std::string path = Scratch().File("output");
    std::vector<char> block(1 << 20, 'w');
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        for (std::size_t i = 0; i < kFileSize / block.size(); ++i) (void)!::write(fd, block.data(), block.size());
        ::close(fd);
    }
    Finish(state);
}

void BM_RawRead(benchmark::State& state) {
    const std::string& path = InputFile();
    std::vector<char> chunk(kChunk);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        while (::read(fd, chunk.data(), kChunk) == static_cast<ssize_t>(kChunk)) {
        }
        ::close(fd);
        benchmark::DoNotOptimize(chunk.data());
    }
    Finish(state);
}

// The floor: the same bytes copied in 1920-byte pieces out of a 1 MiB block.
void BM_Memcpy(benchmark::State& state) {
    std::vector<char> block(1 << 20, 'm');
    std::vector<char> chunk(kChunk);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCalls; ++i) {
            std::memcpy(chunk.data(), block.data() + (i * kChunk) % (block.size() - kChunk), kChunk);
            benchmark::ClobberMemory();
        }
    }
    Finish(state);
}

// AES-256-CBC over the chunk in place, then SHA-1 of the ciphertext: the product's work per chunk.
class ChunkWork {
public:
    ChunkWork() : cipher_(EVP_CIPHER_CTX_new()), digest_(EVP_MD_CTX_new()) {
        const unsigned char key[32] = {1}, iv[16] = {2};
        EVP_EncryptInit_ex(cipher_, EVP_aes_256_cbc(), nullptr, key, iv);
        EVP_CIPHER_CTX_set_padding(cipher_, 0);
        EVP_DigestInit_ex(digest_, EVP_sha1(), nullptr);
    }
    ~ChunkWork() {
        EVP_CIPHER_CTX_free(cipher_);
        EVP_MD_CTX_free(digest_);
    }
    void operator()(unsigned char* chunk, std::size_t size) {
        int out = 0;
        EVP_EncryptUpdate(cipher_, chunk, &out, chunk, static_cast<int>(size));
        EVP_DigestUpdate(digest_, chunk, size);
    }

private:
    EVP_CIPHER_CTX* cipher_;
    EVP_MD_CTX* digest_;
};

void BM_EncryptStreamSequential(benchmark::State& state) {
    platform::SetSequentialBufferSize(static_cast<std::size_t>(state.range(0)));
    const std::u16string in = Wide(InputFile());
    const std::u16string out = Wide(Scratch().File("output"));
    std::vector<unsigned char> chunk(kChunk);
    ChunkWork work;
    for (auto _ : state) {
        HANDLE source = CreateFileW(in.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        HANDLE target = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        DWORD done = kChunk;
        while (done == kChunk) {
            ReadFile(source, chunk.data(), kChunk, &done, nullptr);
            work(chunk.data(), done);
            DWORD written;
            WriteFile(target, chunk.data(), done, &written, nullptr);
        }
        CloseHandle(target);
        CloseHandle(source);
    }
    platform::SetSequentialBufferSize(0);
    Finish(state);
}

// The bound: the same work on the chunks of a 1 MiB block in memory.
void BM_EncryptStreamComputeOnly(benchmark::State& state) {
    std::vector<unsigned char> block(1 << 20, 'm');
    ChunkWork work;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kCalls; ++i) work(block.data() + (i * kChunk) % (block.size() - kChunk), kChunk);
        benchmark::ClobberMemory();
    }
    Finish(state);
}

// Buffer sizes compared: 64 KiB to 4 MiB.
void BufferSizes(benchmark::internal::Benchmark* b) {
    for (long size : {64L << 10, 256L << 10, 512L << 10, 1L << 20, 4L << 20}) b->Arg(size);
}

BENCHMARK(BM_WriteFileSequential)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteFilePlain)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWrite)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawWriteWholeMegabytes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFileSequential)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFilePlain)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncryptStreamSequential)->Apply(BufferSizes)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncryptStreamComputeOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
