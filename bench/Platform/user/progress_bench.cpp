// What QlmFile's progress messages cost beside its encryption: PBM_SETPOS sent from a worker thread
// to the bar of a running dialog, against AES-256-CBC over a 1920-byte chunk (QlmFile sends one
// message per chunk). Run: build/default/bin/user_progress_bench
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <array>
#include <atomic>
#include <thread>
#include <vector>

#include "commctrl.h"
#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "shlwapi.h"
#include "windows.h"

namespace {

constexpr WORD kDialog = 1;
constexpr platform::DialogTemplateHeader kHeader{
    0, 0, WS_POPUP | WS_CAPTION | DS_SETFONT, 0, 0, 199, 64, u"Benchmark", {8, 400, 0, 1, u"MS Shell Dlg"}};
constexpr platform::DialogTemplateItem kItems[] = {
    {0, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 78, 41, 50, 14, IDCANCEL, platform::kButtonClassOrdinal, {}, u"Cancel"},
};
constexpr auto kBytes = platform::BuildDialogTemplate<platform::DialogTemplateSize(kHeader, kItems)>(kHeader, kItems);
const platform::ResourceEntry kEntries[] = {
    {RT_DIALOG, MAKEINTRESOURCEW(kDialog), 0x0409, kBytes.data(), static_cast<DWORD>(kBytes.size())}};
const platform::ResourceTable resources(&resources, kEntries);

std::atomic<HWND> g_bar{nullptr};

INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    const INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    const HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 20, 20, 260, 17, dialog,
                                     nullptr, nullptr, nullptr);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 210));
    g_bar = bar;
    return TRUE;
}

DWORD WINAPI DialogThread(LPVOID) {
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialog), nullptr, Proc, 0);
    return 0;
}

// The dialog runs for the rest of the process, as QlmFile's does.
HWND RunningBar() {
    static const HWND bar = [] {
        SHCreateThread(DialogThread, nullptr, CTF_COINIT | CTF_REF_COUNTED, nullptr);
        while (g_bar.load() == nullptr) std::this_thread::yield();
        return g_bar.load();
    }();
    return bar;
}

void ProgressSetPos(benchmark::State& state) {
    const HWND bar = RunningBar();
    WPARAM position = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SendMessageW(bar, PBM_SETPOS, position, 0));
        position = position == 210 ? 0 : position + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ProgressSetPos)->Iterations(1000000)->Unit(benchmark::kNanosecond)->UseRealTime();

// The same AES-256-CBC chain that QlmFile runs, one 1920-byte chunk per iteration.
void EncryptChunk(benchmark::State& state) {
    std::array<unsigned char, 32> key{};
    std::array<unsigned char, 16> iv{};
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<unsigned char>(i * 7 + 1);
    std::vector<unsigned char> in(1920, 0x5A);
    std::vector<unsigned char> out(1920 + 16);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(ctx, EVP_aes_256_cbc(), nullptr, key.data(), iv.data());
    for (auto _ : state) {
        int written = 0;
        EVP_EncryptUpdate(ctx, out.data(), &written, in.data(), static_cast<int>(in.size()));
        benchmark::DoNotOptimize(out.data());
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(in.size()));
}
BENCHMARK(EncryptChunk)->Iterations(1000000)->Unit(benchmark::kNanosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
