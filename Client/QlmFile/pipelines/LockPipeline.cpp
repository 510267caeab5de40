#include "LockPipeline.h"

#include <array>
#include <string>
#include <vector>

#include "crypto/Base64.h"
#include "crypto/CipherKey.h"
#include "container/ContainerHeader.h"
#include "container/ContainerNames.h"
#include "crypto/CryptoSteps.h"
#include "EngineConnection.h"
#include "FileHandle.h"
#include "PipelineKeys.h"
#include "PipelineStatus.h"
#include "ProgressDialog.h"
#include "RunProgress.h"
#include "SharedSteps.h"
#include "StagedOutput.h"
#include "StampComments.h"
#include "Status.h"
#include "platform/bstr.h"
#include "windows.h"

namespace qlmfile {
namespace {

using platform::com::ComPtr;
using platform::com::UniqueBstr;

void AppendUtf16Le(std::vector<BYTE>& bytes, const char16_t* text, std::size_t units) {
    for (std::size_t i = 0; i < units; ++i) {
        bytes.push_back(static_cast<BYTE>(text[i] & 0xFF));
        bytes.push_back(static_cast<BYTE>(text[i] >> 8));
    }
}

// One lock: what it holds and its steps, in the order in which they run.
class LockRun {
public:
    explicit LockRun(LPCWSTR sourcePath) : sourcePath_(sourcePath != nullptr ? sourcePath : u"") {
        container_.SetTarget(ContainerPathFor(sourcePath_));
    }
    ~LockRun();
    LockRun(const LockRun&) = delete;
    LockRun& operator=(const LockRun&) = delete;

    HRESULT Run();

private:
    HRESULT DecodeToken();
    HRESULT ComputeContainerHeader();
    HRESULT PresizeContainer();
    HRESULT WriteHeaderRegion();
    HRESULT EncryptPasses(bool& cancelled);
    HRESULT FinishContainer();
    void StampContainer();

    // Declared in the reverse order of their release, so that what the clean-up leaves to the members
    // goes in the right order too: the engine is released last.
    ComPtr<IQlmEngine> engine_;
    std::u16string sourcePath_;
    UniqueBstr tokenText_;
    UniqueBstr commentText_;
    KeyText keyText_;
    std::string tokenAnsi_;
    std::vector<BYTE> token_;
    CipherHandles cipher_;
    FileHandle source_;
    StagedOutput container_;
    IntegrityHandles integrity_;

    ULONGLONG sourceSize_ = 0;
    bool overwrite_ = false;
    DWORD chunkSize_ = 0;
    ContainerHeader header_;
    // The one work buffer of the passes: read into, encrypted in place, hashed and written from.
    std::array<BYTE, kWorkBufferBytes> chunk_{};
};

// The clean-up: the key text wiped first, then the integrity hash, the files (a container that was not
// finished is deleted, an existing one left as it was), the cipher; the strings and the engine go with
// the members.
LockRun::~LockRun() {
    keyText_.Wipe();
    integrity_.Release();
    container_.Discard();
    source_.Reset();
    cipher_.Release();
}

HRESULT LockRun::Run() {
    QLM_RETURN_IF_FAILED(CreateEngine(engine_));
    QLM_RETURN_IF_FAILED(OpenInput(sourcePath_, source_, sourceSize_));
    bool goOn = true;
    QLM_RETURN_IF_FAILED(CreateOutputOrAsk(container_, overwrite_, goOn));
    if (!goOn) return S_OK;

    const HRESULT engineStatus = engine_->GetLockKeys(keyText_.Put(), tokenText_.Put(), commentText_.Put());
    if (FAILED(engineStatus) || !keyText_ || !tokenText_) {
        container_.Discard();
        return engineStatus;
    }
    QLM_RETURN_IF_FAILED(DecodeToken());
    QLM_RETURN_IF_FAILED(keyText_.Narrow());
    QLM_RETURN_IF_FAILED(SetUpKeys(keyText_.Ansi(), tokenAnsi_.c_str(), cipher_, integrity_, chunkSize_));
    QLM_RETURN_IF_FAILED(OpenOutputForWriting(container_, overwrite_));

    StartProgressDialog();
    SetProgressStep();
    QLM_RETURN_IF_FAILED(ComputeContainerHeader());
    QLM_RETURN_IF_FAILED(PresizeContainer());
    QLM_RETURN_IF_FAILED(WriteHeaderRegion());
    bool cancelled = false;
    QLM_RETURN_IF_FAILED(EncryptPasses(cancelled));
    if (cancelled) {
        container_.Discard();
        return S_OK;
    }
    QLM_RETURN_IF_FAILED(FinishContainer());
    StampContainer();
    FinishProgress();
    return S_OK;
}

// The token as the container stores it: the Base64 decoding of the token text's 8-bit form.
HRESULT LockRun::DecodeToken() {
    QLM_RETURN_IF_FAILED(crypto_steps::WideToAnsi(tokenText_.Get(), tokenAnsi_));
    token_.resize(tokenAnsi_.size());
    DWORD length = static_cast<DWORD>(token_.size());
    // An empty token text leaves no buffer to decode into: no token can be stored.
    if (!DecodeBase64(tokenAnsi_.c_str(), length, token_.empty() ? nullptr : token_.data(), &length)) return E_FAIL;
    token_.resize(length);
    return S_OK;
}

HRESULT LockRun::ComputeContainerHeader() {
    const std::u16string_view extension = ExtensionOf(sourcePath_);
    if (!ComputeHeader(extension.size(), token_.size(), SysStringByteLen(commentText_.Get()), header_))
        return HRESULT_FROM_WIN32(ERROR_ARITHMETIC_OVERFLOW);  // a header region past 4 GiB
    return S_OK;
}

// More than the container will hold: H5 + C + n.
HRESULT LockRun::PresizeContainer() {
    QLM_RETURN_IF_FAILED(PresizeOutput(container_.File(), header_.PayloadOffset(), chunkSize_, sourceSize_));
    StepProgress();
    return S_OK;
}

// The 24 header bytes, the extension, the token, the comment and 20 zero bytes where the integrity
// value goes once it is known.
HRESULT LockRun::WriteHeaderRegion() {
    BYTE headerBytes[kHeaderBytes];
    EncodeHeader(header_, headerBytes);
    std::vector<BYTE> region(headerBytes, headerBytes + kHeaderBytes);
    const std::u16string_view extension = ExtensionOf(sourcePath_);
    AppendUtf16Le(region, extension.data(), extension.size());
    region.insert(region.end(), token_.begin(), token_.end());
    AppendUtf16Le(region, commentText_.Get(), SysStringLen(commentText_.Get()));
    region.resize(region.size() + kIntegrityValueBytes, 0);
    DWORD written = 0;
    QLM_RETURN_IF_FAILED(Win32Status(
        WriteFile(container_.File(), region.data(), static_cast<DWORD>(region.size()), &written, nullptr)));
    StepProgress();
    return S_OK;
}

// The streaming rule: read up to C bytes, encrypt them in place, hash the ciphertext, write it; a pass
// that reads fewer than C bytes (none included) is the final one and adds the pad. The cancel flag
// is looked at after every pass, the final one too.
HRESULT LockRun::EncryptPasses(bool& cancelled) {
    const HANDLE file = container_.File();
    ULONGLONG bytesRead = 0;
    for (;;) {
        DWORD length = 0;
        QLM_RETURN_IF_FAILED(Win32Status(ReadFile(source_.Get(), chunk_.data(), chunkSize_, &length, nullptr)));
        bytesRead += length;
        const BOOL final = length < chunkSize_;
        QLM_RETURN_IF_FAILED(
            Win32Status(CryptEncrypt(cipher_.key, 0, final, 0, chunk_.data(), &length, kWorkBufferBytes)));
        QLM_RETURN_IF_FAILED(Win32Status(CryptHashData(integrity_.hash, chunk_.data(), length, 0)));
        DWORD written = 0;
        QLM_RETURN_IF_FAILED(Win32Status(WriteFile(file, chunk_.data(), length, &written, nullptr)));
        SetChunkProgress(bytesRead, sourceSize_);
        if (CancelRequested()) {
            cancelled = true;
            return S_OK;
        }
        if (final) return S_OK;
    }
}

// The surplus cut, the integrity value written into its place, the file flushed, closed and moved
// over the container's name.
HRESULT LockRun::FinishContainer() {
    const HANDLE file = container_.File();
    QLM_RETURN_IF_FAILED(Win32Status(SetEndOfFile(file)));
    StepProgress();

    BYTE value[kIntegrityValueBytes] = {};
    DWORD valueLength = sizeof value;
    QLM_RETURN_IF_FAILED(Win32Status(CryptGetHashParam(integrity_.hash, HP_HASHVAL, value, &valueLength, 0)));
    if (valueLength != kIntegrityValueBytes) {
        container_.Discard();
        return QLM_E_INTEGRITY;
    }
    LARGE_INTEGER at{};
    at.QuadPart = header_.IntegrityOffset();
    QLM_RETURN_IF_FAILED(Win32Status(SetFilePointerEx(file, at, nullptr, FILE_BEGIN)));
    DWORD written = 0;
    QLM_RETURN_IF_FAILED(Win32Status(WriteFile(file, value, sizeof value, &written, nullptr)));
    StepProgress();

    QLM_RETURN_IF_FAILED(Win32Status(FlushFileBuffers(file)));
    QLM_RETURN_IF_FAILED(container_.Commit());
    StepProgress();
    return S_OK;
}

// The comment text as the container's Comments property. Only once the container is closed (the
// stamp opens it exclusively), and its result does not matter: a file system without property sets
// still gets a good container.
void LockRun::StampContainer() {
    std::string comment;
    if (FAILED(crypto_steps::WideToAnsi(commentText_.Get() != nullptr ? commentText_.Get() : u"", comment)))
        comment.clear();
    StampComments(container_.Target().c_str(), comment.c_str());
}

}  // namespace

HRESULT LockPipeline(LPCWSTR path) { return RunToStatus<LockRun>(path); }

}  // namespace qlmfile
