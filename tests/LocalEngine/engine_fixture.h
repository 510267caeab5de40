#pragma once
// The engine as QlmFile gets it: COM initialised on the thread, the engine created through
// CoCreateInstance with the documented CLSID, class context and IID. Each test has a home of its
// own, so the default key store (${XDG_DATA_HOME}/quillmarsh/engine.db) is its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "LocalEngine.h"
#include "combaseapi.h"
#include "platform/bstr.h"
#include "platform/com_ptr.h"
#include "platform/utf.h"
#include "temp_dir.h"

namespace enginetest {

using platform::com::UniqueBstr;

inline std::string Narrow(BSTR text) {
    return platform::Utf16ToUtf8(std::u16string_view(text, SysStringLen(text))).value_or("<not UTF-16>");
}

inline UniqueBstr Wide(std::string_view utf8) {
    const std::u16string wide = platform::Utf8ToUtf16(utf8).value();
    return UniqueBstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

struct LockKeys {
    HRESULT hr = E_UNEXPECTED;
    UniqueBstr key;
    UniqueBstr token;
    UniqueBstr comment;
};

struct UnlockKey {
    HRESULT hr = E_UNEXPECTED;
    UniqueBstr key;
};

class EngineTest : public testing::Test {
protected:
    void SetUp() override {
        if (const char* xdg = std::getenv("XDG_DATA_HOME")) savedXdg_ = xdg;
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        unsetenv("QLM_ENGINE_STORE");
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_QlmEngine, nullptr, CLSCTX_ALL, IID_IQlmEngine,
                                   reinterpret_cast<void**>(engine_.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override {
        engine_.Reset();
        CoUninitialize();
        unsetenv("QLM_ENGINE_STORE");
        if (savedXdg_) setenv("XDG_DATA_HOME", savedXdg_->c_str(), 1);
    }

    LockKeys Lock() {
        LockKeys keys;
        keys.hr = engine_->GetLockKeys(keys.key.Put(), keys.token.Put(), keys.comment.Put());
        return keys;
    }
    UnlockKey Unlock(BSTR token, BSTR comment) {
        UnlockKey key;
        key.hr = engine_->GetUnlockKey(token, comment, key.key.Put());
        return key;
    }
    std::filesystem::path DefaultStore() const { return home_.path() / "quillmarsh" / "engine.db"; }

    qlmtest::TempDir home_;
    platform::com::ComPtr<IQlmEngine> engine_;

private:
    std::optional<std::string> savedXdg_;
};

}  // namespace enginetest
