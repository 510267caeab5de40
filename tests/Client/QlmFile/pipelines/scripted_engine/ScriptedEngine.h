#pragma once
// An engine that the pipeline tests script: what GetLockKeys and GetUnlockKey answer, and what they
// were asked. A test links this library and registers it under the engine's CLSID in a class
// registry of its own, so that CoCreateInstance loads the very copy whose script the test set.
#include <functional>
#include <optional>
#include <string>

#include "windef.h"
#include "winerror.h"

#define SCRIPTED_ENGINE_API __attribute__((visibility("default")))

namespace scripted_engine {

// base64(bytes 0..31) and base64(bytes 16..31): the texts whose keys the crypto tests know.
inline constexpr char16_t kKeyText[] = u"AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=";
inline constexpr char16_t kTokenText[] = u"EBESExQVFhcYGRobHB0eHw==";
inline constexpr char16_t kCommentText[] = u"Locked for the pipeline tests";

struct Script {
    HRESULT lockStatus = S_OK;
    std::optional<std::u16string> keyText{kKeyText};  // nullopt: a null BSTR
    std::optional<std::u16string> tokenText{kTokenText};
    std::optional<std::u16string> commentText{kCommentText};
    HRESULT unlockStatus = S_OK;
    std::optional<std::u16string> unlockKeyText{kKeyText};
    // What happens elsewhere while the engine is asked (the engine may take its time over a login).
    std::function<void()> whileAsked;
};

struct Calls {
    int lock = 0;
    int unlock = 0;
    std::u16string token;                  // what the last GetUnlockKey got
    std::optional<std::u16string> comment;
    int liveEngines = 0;                   // instances not yet released
};

SCRIPTED_ENGINE_API Script& CurrentScript();
SCRIPTED_ENGINE_API Calls& RecordedCalls();
// The default script and no calls.
SCRIPTED_ENGINE_API void ResetScript();
SCRIPTED_ENGINE_API const char* ScriptedEnginePath();

}  // namespace scripted_engine
