#pragma once
// The pipelines in-process: the scripted engine registered in a class registry of the test's own, the
// state the entry point would have prepared, a scripted presenter for each run, and the dialog that
// a run leaves on screen ended once the run is over (the product leaves it to the process's end).
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedEngine.h"
#include "container/ContainerHeader.h"
#include "platform/presenter.h"
#include "temp_dir.h"
#include "windef.h"

namespace pipelinetest {

namespace fs = std::filesystem;
using platform::ScriptedPresenter;

// What one run showed and returned.
struct RunResult {
    HRESULT status = E_UNEXPECTED;
    std::vector<ScriptedPresenter::MessageBox> boxes;
    std::vector<int> bar;  // the bar positions, a repeated one kept once
    bool dialogShown = false;
};

// How a person takes part in a run: answers to the questions, and Cancel once the bar reaches a
// position. The cancel flag is set on the run's own thread the moment the bar gets there, as if the
// dialog thread had been quick, so that a test hits the cancel test after a chosen pass. (Pressing the
// dialog's button sets it a moment later on the dialog's thread: the terminal tests do that.)
struct Person {
    std::vector<int> answers;
    std::optional<int> cancelAtPosition;
};
inline Person Answering(int answer) { return Person{{answer}, std::nullopt}; }
inline Person AnsweringAndCancellingAt(int answer, int position) { return Person{{answer}, position}; }

// An output that exists already: the answer to the question, what the engine then says, and the
// outcome.
struct OverwriteCase {
    const char* name;
    int answer;
    HRESULT engineStatus;
    HRESULT expectedStatus;
    bool replaced;
    int engineCalls;
};
// No (the engine is not asked), Yes, and Yes with the engine refusing with `refusal`.
std::vector<OverwriteCase> OverwriteCases(HRESULT refusal);
// The run's one message box is the overwrite question for `target`.
void ExpectOverwriteQuestion(const RunResult& run, const fs::path& target);

// Registers the scripted engine for the whole test process.
void UseScriptedEngine();

RunResult RunLock(const fs::path& source, const Person& person = {});
RunResult RunUnlock(const fs::path& container, const Person& person = {});

// The header of a container file.
qlmfile::ContainerHeader HeaderOf(const fs::path& container);

// The bytes of [offset, offset + size) of a file.
std::vector<std::uint8_t> BytesAt(const fs::path& file, std::size_t offset, std::size_t size);

// UTF-16LE bytes of a text, as the container stores texts.
std::vector<std::uint8_t> Utf16LeBytes(std::u16string_view text);

// The container's Comments property as a file manager reads it (user.xdg.comment), if set.
std::optional<std::string> CommentsOf(const fs::path& file);

std::string Hex(const std::vector<std::uint8_t>& bytes);

class PipelineTest : public testing::Test {
protected:
    static void SetUpTestSuite() { UseScriptedEngine(); }
    void SetUp() override { scripted_engine::ResetScript(); }
    void TearDown() override;

    fs::path Path(std::string_view name) const { return dir_ / name; }
    // A source file with deterministic content.
    fs::path MakeSource(std::string_view name, std::size_t size, std::uint32_t seed = 7) const;
    // Locks `source` with the default script and returns the container's path.
    fs::path LockedContainer(const fs::path& source) const;

    qlmtest::TempDir dir_;
};

}  // namespace pipelinetest
