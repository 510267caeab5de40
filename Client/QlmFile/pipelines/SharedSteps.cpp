#include "SharedSteps.h"

#include "PipelineStatus.h"
#include "windows.h"

namespace qlmfile {

HRESULT OpenInput(const std::u16string& path, FileHandle& file, ULONGLONG& size) {
    file.Reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) QLM_RETURN_IF_FAILED(crypto_steps::LastErrorStatus());
    DWORD high = 0;
    const DWORD low = GetFileSize(file.Get(), &high);
    // INVALID_FILE_SIZE with a last error of 0 is a size of 0xFFFFFFFF.
    if (low == INVALID_FILE_SIZE) QLM_RETURN_IF_FAILED(crypto_steps::LastErrorStatus());
    size = (static_cast<ULONGLONG>(high) << 32) | low;
    return S_OK;
}

HRESULT CreateOutputOrAsk(StagedOutput& output, bool& replacing, bool& goOn) {
    const HRESULT hr = output.CreatePlaceholder();
    if (hr != HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)) return hr;
    const std::u16string question = u"Overwrite " + output.Target() + u"?";
    replacing = MessageBoxW(nullptr, question.c_str(), TEXT("Quillmarsh"), MB_ICONWARNING | MB_YESNO) == IDYES;
    goOn = replacing;
    return S_OK;
}

HRESULT OpenOutputForWriting(StagedOutput& output, bool replacing) {
    if (replacing) QLM_RETURN_IF_FAILED(output.HoldExistingTarget());
    return output.CreateTemporary();
}

HRESULT PresizeOutput(HANDLE file, DWORD payloadOffset, DWORD chunkSize, ULONGLONG inputSize) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(ULONGLONG{payloadOffset} + chunkSize + inputSize);
    QLM_RETURN_IF_FAILED(Win32Status(SetFilePointerEx(file, at, nullptr, FILE_BEGIN)));
    QLM_RETURN_IF_FAILED(Win32Status(SetEndOfFile(file)));
    return Win32Status(SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN));
}

}  // namespace qlmfile
