#include "pipeline_test_support.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "pipelines/LockPipeline.h"
#include "ProcessState.h"
#include "pipelines/UnlockPipeline.h"
#include "engine/QlmEngine.h"
#include "platform/class_registry.h"
#include "platform/fault_injection.h"
#include "windows.h"
#include "winuser.h"

namespace pipelinetest {
namespace {

constexpr DWORD kGenerousWaitMs = 10000;

RunResult Run(HRESULT (*pipeline)(LPCWSTR), const fs::path& path, const Person& person) {
    qlmfile::ProcessState& process = qlmfile::Process();
    process.instance = GetModuleHandleW(nullptr);
    process.readyEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    process.progressBar = nullptr;
    process.cancelFlag = 0;

    RunResult result;
    {
        ScriptedPresenter presenter;
        for (int answer : person.answers) presenter.QueueAnswer(answer);
        if (person.cancelAtPosition) {
            const int position = *person.cancelAtPosition;
            presenter.OnBarChanged([position](HWND, const platform::ProgressBarState& state) {
                if (state.position == position) qlmfile::Process().cancelFlag = 1;
            });
        }
        const std::u16string widePath = qlmtest::Utf16(path);
        result.status = pipeline(widePath.c_str());
        result.boxes = presenter.MessageBoxes();
        result.bar = presenter.BarPositions();
        for (const auto& event : presenter.Events())
            if (event.kind == ScriptedPresenter::EventKind::Shown) result.dialogShown = true;
        // The product leaves its dialog to the process's end; a test ends it before the next run.
        if (const HWND dialog = presenter.ShownDialog()) {
            EndDialog(dialog, 0);
            EXPECT_TRUE(presenter.WaitForEnded(kGenerousWaitMs));
        } else if (result.dialogShown) {
            EXPECT_TRUE(presenter.WaitForEnded(kGenerousWaitMs));
        }
    }
    CloseHandle(process.readyEvent);
    process.readyEvent = nullptr;
    return result;
}

}  // namespace

void UseScriptedEngine() {
    static const fs::path registry = [] {
        const fs::path dir = fs::temp_directory_path() / ("qlm-scripted-engine-" + std::to_string(getpid()));
        fs::create_directories(dir);
        setenv("QLM_COM_REGISTRY", dir.c_str(), 1);
        platform::com::SetRegistrationTarget(dir);
        const HRESULT hr =
            platform::com::RegisterInprocServer(CLSID_QlmEngine, scripted_engine::ScriptedEnginePath(), "Both");
        platform::com::SetRegistrationTarget({});
        EXPECT_EQ(hr, S_OK);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(registry, ignored);
        });
        return dir;
    }();
}

RunResult RunLock(const fs::path& source, const Person& person) { return Run(qlmfile::LockPipeline, source, person); }
RunResult RunUnlock(const fs::path& container, const Person& person) {
    return Run(qlmfile::UnlockPipeline, container, person);
}

std::vector<OverwriteCase> OverwriteCases(HRESULT refusal) {
    return {OverwriteCase{"No", IDNO, S_OK, S_OK, false, 0}, OverwriteCase{"Yes", IDYES, S_OK, S_OK, true, 1},
            OverwriteCase{"YesButTheEngineRefuses", IDYES, refusal, refusal, false, 1}};
}

void ExpectOverwriteQuestion(const RunResult& run, const fs::path& target) {
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, u"Overwrite " + qlmtest::Utf16(target) + u"?");
    EXPECT_EQ(run.boxes[0].caption, u"Quillmarsh");
    EXPECT_EQ(run.boxes[0].style, static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
}

qlmfile::ContainerHeader HeaderOf(const fs::path& container) {
    BYTE bytes[qlmfile::kHeaderBytes] = {};
    std::ifstream in(container, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes), sizeof bytes);
    return qlmfile::DecodeHeader(bytes);
}

std::vector<std::uint8_t> BytesAt(const fs::path& file, std::size_t offset, std::size_t size) {
    const std::vector<std::uint8_t> all = qlmtest::ReadBytes(file);
    if (offset >= all.size()) return {};
    return {all.begin() + static_cast<std::ptrdiff_t>(offset),
            all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), offset + size))};
}

std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
}

std::optional<std::string> CommentsOf(const fs::path& file) {
    char value[1024];
    const ssize_t size = getxattr(file.c_str(), "user.xdg.comment", value, sizeof value);
    if (size < 0) return std::nullopt;
    return std::string(value, static_cast<std::size_t>(size));
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

void PipelineTest::TearDown() { platform::fault::DisarmAll(); }

fs::path PipelineTest::MakeSource(std::string_view name, std::size_t size, std::uint32_t seed) const {
    const fs::path path = dir_ / name;
    qlmtest::WriteBytes(path, qlmtest::PatternBytes(size, seed));
    return path;
}

fs::path PipelineTest::LockedContainer(const fs::path& source) const {
    const RunResult lock = RunLock(source);
    EXPECT_EQ(lock.status, S_OK);
    return fs::path(source).replace_extension(".qlm");
}

}  // namespace pipelinetest
