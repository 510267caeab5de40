#pragma once
// A scratch folder for one test, removed with everything in it when the test ends.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qlmtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }
    // The names in the folder, sorted: shows what a run left behind.
    std::vector<std::string> Names() const;

private:
    std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes);
void WriteText(const std::filesystem::path& file, std::string_view text);
// Deterministic pseudo-random content, so that a failing case can be reproduced.
std::vector<std::uint8_t> PatternBytes(std::size_t size, std::uint32_t seed = 1);
// UTF-16 form of a UTF-8 path or text, for calls into the Windows-shaped API.
std::u16string Utf16(std::string_view utf8);
std::u16string Utf16(const std::filesystem::path& path);
inline std::u16string Utf16(const char* utf8) { return Utf16(std::string_view(utf8)); }
inline std::u16string Utf16(const std::string& utf8) { return Utf16(std::string_view(utf8)); }

}  // namespace qlmtest
