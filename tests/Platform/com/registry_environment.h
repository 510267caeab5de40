#pragma once
// Gives one test a class registry environment of its own: a fresh per-user folder, no
// $QLM_COM_REGISTRY, the default registration target; everything restored afterwards.
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/class_registry.h"
#include "temp_dir.h"

namespace comtest {

class RegistryEnvironment {
public:
    RegistryEnvironment() : savedXdg_(Get("XDG_DATA_HOME")), savedRegistry_(Get("QLM_COM_REGISTRY")) {
        setenv("XDG_DATA_HOME", home_.path().c_str(), 1);
        unsetenv("QLM_COM_REGISTRY");
        platform::com::SetRegistrationTarget({});
    }
    ~RegistryEnvironment() {
        Restore("XDG_DATA_HOME", savedXdg_);
        Restore("QLM_COM_REGISTRY", savedRegistry_);
        platform::com::SetRegistrationTarget({});
    }
    RegistryEnvironment(const RegistryEnvironment&) = delete;
    RegistryEnvironment& operator=(const RegistryEnvironment&) = delete;

    std::filesystem::path UserRegistry() const { return home_.path() / "quillmarsh" / "com"; }
    // Sets $QLM_COM_REGISTRY to a folder of this test's own and returns it.
    std::filesystem::path UseTestRegistry() {
        setenv("QLM_COM_REGISTRY", tests_.path().c_str(), 1);
        return tests_.path();
    }

private:
    static std::optional<std::string> Get(const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    }
    static void Restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    std::optional<std::string> savedXdg_;
    std::optional<std::string> savedRegistry_;
    qlmtest::TempDir home_;
    qlmtest::TempDir tests_;
};

}  // namespace comtest
