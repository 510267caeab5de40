// Key texts pass through the code-page conversions: no copy of a converted text may be left in freed
// memory. This program replaces the global operator delete to look into every block freed while a
// conversion runs, so it is a program of its own.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>

#include "windows.h"

namespace {

// Longer than any short-string buffer, so that the converters' temporaries live on the heap.
constexpr char kSecret[] = "S2V5TWF0ZXJpYWwgdGhhdCBtdXN0IG5vdCBzdGF5IGluIGZyZWVkIG1lbW9yeQ==";
constexpr char16_t kWideSecret[] = u"S2V5TWF0ZXJpYWwgdGhhdCBtdXN0IG5vdCBzdGF5IGluIGZyZWVkIG1lbW9yeQ==";

std::atomic<bool> g_watching{false};
std::atomic<int> g_blocksWithSecret{0};

bool Holds(const void* block, std::size_t size, const void* needle, std::size_t needleSize) {
    return size >= needleSize && memmem(block, size, needle, needleSize) != nullptr;
}

void Inspect(void* block) {
    if (block == nullptr || !g_watching.load()) return;
    const std::size_t size = malloc_usable_size(block);
    if (Holds(block, size, kSecret, sizeof kSecret - 1) || Holds(block, size, kWideSecret, sizeof kWideSecret - 2))
        ++g_blocksWithSecret;
}

// Runs one conversion with the freed blocks watched; the count of those that still held the text.
template <typename Call>
int FreedCopiesDuring(Call call) {
    g_blocksWithSecret = 0;
    g_watching = true;
    call();
    g_watching = false;
    return g_blocksWithSecret.load();
}

TEST(CodePageConversions, LeaveNoCopyOfTheTextInFreedMemory) {
    const int wideLength = static_cast<int>(std::char_traits<char16_t>::length(kWideSecret));
    const int narrowLength = static_cast<int>(sizeof kSecret - 1);
    static char narrow[256];
    static WCHAR wide[256];
    struct Case {
        const char* name;
        int (*convert)(int length);
    };
    // Measuring and converting, with an explicit length and with -1 (the terminator converted too).
    const Case cases[] = {
        {"WideCharToMultiByte, measuring", [](int length) { return WideCharToMultiByte(CP_ACP, 0, kWideSecret, length, nullptr, 0, nullptr, nullptr); }},
        {"WideCharToMultiByte, converting", [](int length) { return WideCharToMultiByte(CP_ACP, 0, kWideSecret, length, narrow, sizeof narrow, nullptr, nullptr); }},
        {"MultiByteToWideChar, measuring", [](int length) { return MultiByteToWideChar(CP_THREAD_ACP, 0, kSecret, length, nullptr, 0); }},
        {"MultiByteToWideChar, converting", [](int length) { return MultiByteToWideChar(CP_THREAD_ACP, 0, kSecret, length, wide, 256); }},
    };
    for (const Case& c : cases) {
        const bool toNarrow = std::string_view(c.name).starts_with("Wide");
        for (int length : {toNarrow ? wideLength : narrowLength, -1}) {
            int result = 0;
            EXPECT_EQ(FreedCopiesDuring([&] { result = c.convert(length); }), 0) << c.name << ", length " << length;
            EXPECT_EQ(result, length == -1 ? narrowLength + 1 : narrowLength) << c.name;
        }
    }
    EXPECT_EQ(std::string_view(narrow, narrowLength), kSecret);
    EXPECT_EQ(std::u16string_view(wide, wideLength), kWideSecret);
}

}  // namespace

void operator delete(void* block) noexcept {
    Inspect(block);
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept {
    Inspect(block);
    std::free(block);
}

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
