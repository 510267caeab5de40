// Every test process gets a home of its own: per-user data (the class registry under
// $XDG_DATA_HOME/quillmarsh/com, the local engine's key store) never touches the real user's files,
// and parallel test processes never see each other's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string tmpl = (std::filesystem::temp_directory_path() / "qlm-test-home-XXXXXX").string();
    const char* home = mkdtemp(tmpl.data());
    if (home == nullptr) return 2;
    setenv("XDG_DATA_HOME", home, 1);
    unsetenv("QLM_COM_REGISTRY");
    unsetenv("QLM_ENGINE_STORE");
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return result;
}
