#include "StagedOutput.h"

#include "crypto/CryptoSteps.h"
#include "fileapi.h"
#include "winbase_kernel.h"
#include "winerror.h"

namespace qlmfile {
namespace {

using crypto_steps::LastErrorStatus;

constexpr DWORD kNoSharingButDelete = FILE_SHARE_DELETE;

// The calls that stage the output are not steps of the lock or unlock themselves, so the rule that a
// failure without a last error goes on does not apply to them: such a failure still fails.
HRESULT StagingFailure() {
    const HRESULT hr = LastErrorStatus();
    return FAILED(hr) ? hr : E_FAIL;
}

// The folder that the file system puts the target in: everything before its last "/" ("." for a bare
// name). Only "/" counts here, since that is where the kernel looks for the folder.
std::u16string FolderOf(const std::u16string& path) {
    const std::size_t slash = path.find_last_of(u'/');
    if (slash == std::u16string::npos) return u".";
    if (slash == 0) return u"/";
    return path.substr(0, slash);
}

}  // namespace

HRESULT StagedOutput::CreatePlaceholder() {
    targetHold_.Reset(CreateFileW(target_.c_str(), GENERIC_WRITE, kNoSharingButDelete, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (targetHold_) {
        placeholderIsOurs_ = true;
        return S_OK;
    }
    return LastErrorStatus();
}

HRESULT StagedOutput::HoldExistingTarget() {
    // OPEN_ALWAYS, not CREATE_ALWAYS: the file the user agreed to replace keeps its content until
    // the new one is moved over it. If it went away while the engine was asked, it is made anew, as
    // CREATE_ALWAYS would, and is then this run's own placeholder.
    const HANDLE held = CreateFileW(target_.c_str(), GENERIC_WRITE, kNoSharingButDelete, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    targetHold_.Reset(held);
    if (!targetHold_) return LastErrorStatus();
    replacingExisting_ = existed;
    placeholderIsOurs_ = !existed;
    return S_OK;
}

HRESULT StagedOutput::CreateTemporary() {
    WCHAR name[MAX_PATH] = {};
    if (GetTempFileNameW(FolderOf(target_).c_str(), TEXT("qlm"), 0, name) == 0) return StagingFailure();
    temporaryPath_ = name;
    // Sequential: the platform buffers the 1920-byte writes of the chunk loop.
    temporary_.Reset(CreateFileW(name, GENERIC_WRITE, kNoSharingButDelete, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return temporary_ ? S_OK : StagingFailure();
}

HRESULT StagedOutput::Commit() {
    // Closing puts out what the handle still buffers; an error there is a write error.
    if (!temporary_.Close()) {
        const HRESULT hr = LastErrorStatus();
        if (FAILED(hr)) return hr;
    }
    // A file the user agreed to replace passes its access on to its successor: a private file stays
    // private. The run's own placeholder has nothing to pass on.
    const BOOL moved =
        replacingExisting_
            ? ReplaceFileW(target_.c_str(), temporaryPath_.c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr, nullptr)
            : MoveFileExW(temporaryPath_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!moved) return StagingFailure();
    // The temporary file is the target now, and the placeholder (or the replaced file) is gone.
    temporaryPath_.clear();
    placeholderIsOurs_ = false;
    targetHold_.Reset();
    return S_OK;
}

void StagedOutput::Discard() {
    temporary_.Reset();
    if (!temporaryPath_.empty()) {
        DeleteFileW(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
    targetHold_.Reset();
    if (placeholderIsOurs_) {
        DeleteFileW(target_.c_str());
        placeholderIsOurs_ = false;
    }
}

}  // namespace qlmfile
