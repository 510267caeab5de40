#include "FileContents.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "Messages.h"
#include "errhandlingapi.h"
#include "fileapi.h"
#include "handleapi.h"
#include "platform/utf.h"
#include "platform/win32_errno.h"
#include "winbase_kernel.h"
#include "winerror.h"

namespace qlmhost {
namespace {

class UniqueFile {
public:
    explicit UniqueFile(HANDLE handle) noexcept : handle_(handle) {}
    ~UniqueFile() { (void)Close(); }
    UniqueFile(const UniqueFile&) = delete;
    UniqueFile& operator=(const UniqueFile&) = delete;

    HANDLE Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    // CloseHandle writes out what the handle still buffers, so its failure counts.
    bool Close() noexcept {
        if (!Valid()) return true;
        return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != FALSE;
    }

private:
    HANDLE handle_;
};

// A temporary file that is removed again unless it was kept (renamed into place).
class TemporaryFile {
public:
    explicit TemporaryFile(LPCWSTR name) : name_(name) {}
    ~TemporaryFile() {
        // Removing it must not replace the error that the caller is about to report.
        if (!kept_) {
            const DWORD error = GetLastError();
            DeleteFileW(name_.c_str());
            SetLastError(error);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    void Keep() noexcept { kept_ = true; }

private:
    std::u16string name_;
    bool kept_ = false;
};

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

HRESULT Fail(HRESULT hr, std::string_view step, const std::filesystem::path& file, std::string& why) {
    why = std::string(step) + " " + Quote(file.string()) + ": " + Describe(hr);
    return hr;
}

std::optional<std::u16string> WidePath(const std::filesystem::path& path) {
    return platform::Utf8ToUtf16(path.string());
}

}  // namespace

HRESULT ReadFileContents(const std::filesystem::path& file, std::string& bytes, std::string& why) {
    const auto wide = WidePath(file);
    if (!wide) return Fail(HRESULT_FROM_WIN32(ERROR_INVALID_NAME), "cannot read", file, why);
    UniqueFile handle(CreateFileW(wide->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) return Fail(LastError(), "cannot open", file, why);
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle.Get(), &size)) return Fail(LastError(), "cannot read", file, why);
    if (size.QuadPart < 0 || static_cast<unsigned long long>(size.QuadPart) > kMaxFileContents)
        return Fail(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE), "cannot read", file, why);

    std::string contents(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD got = 0;
        if (!ReadFile(handle.Get(), contents.data() + done, static_cast<DWORD>(contents.size() - done), &got, nullptr))
            return Fail(LastError(), "cannot read", file, why);
        if (got == 0) break;  // the file shrank while it was read: take what there is
        done += got;
    }
    contents.resize(done);
    bytes = std::move(contents);
    return S_OK;
}

HRESULT ReplaceFileContents(const std::filesystem::path& file, std::string_view bytes, std::string& why) {
    const auto target = WidePath(file);
    std::filesystem::path folder = file.parent_path();
    if (folder.empty()) folder = ".";
    const auto wideFolder = WidePath(folder);
    if (!target || !wideFolder) return Fail(HRESULT_FROM_WIN32(ERROR_INVALID_NAME), "cannot write", file, why);

    WCHAR name[MAX_PATH + 1] = {};
    if (GetTempFileNameW(wideFolder->c_str(), TEXT("qlm"), 0, name) == 0)
        return Fail(LastError(), "cannot create a temporary file beside", file, why);
    // Declared before the handle, so that the handle is closed before the file is removed.
    TemporaryFile temp(name);

    if (const auto nameUtf8 = platform::Utf16ToUtf8(name); nameUtf8 && ::chmod(nameUtf8->c_str(), 0600) != 0)
        return Fail(HRESULT_FROM_WIN32(platform::Win32ErrorFromErrno(errno)), "cannot restrict the temporary file for",
                    file, why);

    UniqueFile handle(CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.Valid()) return Fail(LastError(), "cannot open the temporary file for", file, why);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle.Get(), bytes.data() + done, chunk, &written, nullptr))
            return Fail(LastError(), "cannot write", file, why);
        done += written;
    }
    if (!FlushFileBuffers(handle.Get())) return Fail(LastError(), "cannot flush", file, why);
    if (!handle.Close()) return Fail(LastError(), "cannot write", file, why);

    if (!MoveFileExW(name, target->c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return Fail(LastError(), "cannot replace", file, why);
    temp.Keep();
    return S_OK;
}

}  // namespace qlmhost
