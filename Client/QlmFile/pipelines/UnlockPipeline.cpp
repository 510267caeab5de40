#include "UnlockPipeline.h"

#include <array>
#include <string>
#include <vector>

#include "crypto/Base64.h"
#include "crypto/CipherKey.h"
#include "container/ContainerHeader.h"
#include "container/ContainerNames.h"
#include "crypto/CryptoSteps.h"
#include "crypto/Wipe.h"
#include "EngineConnection.h"
#include "FileHandle.h"
#include "PipelineKeys.h"
#include "PipelineStatus.h"
#include "ProgressDialog.h"
#include "RunProgress.h"
#include "SharedSteps.h"
#include "StagedOutput.h"
#include "Status.h"
#include "platform/bstr.h"
#include "windows.h"

namespace qlmfile {
namespace {

using platform::com::ComPtr;
using platform::com::UniqueBstr;

std::u16string FromUtf16Le(const std::vector<BYTE>& bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | (static_cast<char16_t>(bytes[2 * i + 1]) << 8));
    return text;
}

// Whether the computed integrity value equals the stored one, in a time that does not depend on where
// they differ.
bool SameIntegrityValue(const BYTE (&computed)[kIntegrityValueBytes], const BYTE (&stored)[kIntegrityValueBytes]) {
    volatile BYTE difference = 0;
    for (std::size_t i = 0; i < kIntegrityValueBytes; ++i) difference = difference | (computed[i] ^ stored[i]);
    return difference == 0;
}

// One unlock: what it holds and its steps, in the order in which they run.
class UnlockRun {
public:
    explicit UnlockRun(LPCWSTR containerPath) : containerPath_(containerPath != nullptr ? containerPath : u"") {}
    ~UnlockRun();
    UnlockRun(const UnlockRun&) = delete;
    UnlockRun& operator=(const UnlockRun&) = delete;

    HRESULT Run();

private:
    HRESULT ReadAndCheckHeader();
    HRESULT ReadSection(DWORD length, std::vector<BYTE>& bytes);
    HRESULT ReadSections();
    HRESULT AskEngineForKey();
    HRESULT PresizeRestoredFile();
    HRESULT DecryptChunks(bool& cancelled);
    HRESULT VerifyIntegrity();
    HRESULT FinishRestoredFile();

    // Declared in the reverse order of their release, so that what the clean-up leaves to the members
    // goes in the right order too: the engine is released last.
    ComPtr<IQlmEngine> engine_;
    std::u16string containerPath_;
    std::u16string extension_;
    std::string tokenAnsi_;
    std::u16string comment_;
    UniqueBstr tokenBstr_;
    UniqueBstr commentBstr_;
    KeyText keyText_;
    CipherHandles cipher_;
    FileHandle container_;
    StagedOutput restored_;
    IntegrityHandles integrity_;

    ULONGLONG containerSize_ = 0;
    ContainerHeader header_;
    BYTE storedValue_[kIntegrityValueBytes] = {};
    bool overwrite_ = false;
    DWORD chunkSize_ = 0;
    // The provider's error of the first chunk that did not decrypt; reported only if the payload's
    // integrity value matches, so that a broken pad tells nothing that a changed byte does not.
    HRESULT decryptStatus_ = S_OK;
    // The one work buffer of the chunk loop: read into, hashed, decrypted in place and written from.
    std::array<BYTE, kWorkBufferBytes> chunk_{};
};

// The clean-up: the key text wiped first, then the integrity hash, the files (a restored file that was
// not verified and finished is deleted, an existing one left as it was), the cipher; the strings and
// the engine go with the members.
UnlockRun::~UnlockRun() {
    keyText_.Wipe();
    integrity_.Release();
    restored_.Discard();
    container_.Reset();
    cipher_.Release();
    WipeBytes(chunk_.data(), chunk_.size());  // the last plaintext of the protected content
}

HRESULT UnlockRun::Run() {
    QLM_RETURN_IF_FAILED(CreateEngine(engine_));
    // The container's name is not looked at: any file handed to unlock is taken for a container.
    QLM_RETURN_IF_FAILED(OpenInput(containerPath_, container_, containerSize_));
    QLM_RETURN_IF_FAILED(ReadAndCheckHeader());
    QLM_RETURN_IF_FAILED(ReadSections());
    bool goOn = true;
    QLM_RETURN_IF_FAILED(CreateOutputOrAsk(restored_, overwrite_, goOn));
    if (!goOn) return S_OK;

    const HRESULT engineStatus = AskEngineForKey();
    if (FAILED(engineStatus) || !keyText_) {
        restored_.Discard();
        return engineStatus;
    }
    QLM_RETURN_IF_FAILED(keyText_.Narrow());
    QLM_RETURN_IF_FAILED(SetUpKeys(keyText_.Ansi(), tokenAnsi_.c_str(), cipher_, integrity_, chunkSize_));
    QLM_RETURN_IF_FAILED(OpenOutputForWriting(restored_, overwrite_));

    StartProgressDialog();
    StepProgress();
    QLM_RETURN_IF_FAILED(PresizeRestoredFile());
    bool cancelled = false;
    QLM_RETURN_IF_FAILED(DecryptChunks(cancelled));
    if (cancelled) {
        restored_.Discard();
        return S_OK;
    }
    QLM_RETURN_IF_FAILED(VerifyIntegrity());
    QLM_RETURN_IF_FAILED(FinishRestoredFile());
    FinishProgress();
    return S_OK;
}

// One read of 24 bytes; what a short read leaves out stays 0, which the checks refuse.
HRESULT UnlockRun::ReadAndCheckHeader() {
    BYTE bytes[kHeaderBytes] = {};
    DWORD read = 0;
    QLM_RETURN_IF_FAILED(Win32Status(ReadFile(container_.Get(), bytes, sizeof bytes, &read, nullptr)));
    header_ = DecodeHeader(bytes);
    return CheckHeader(header_, containerSize_);
}

// A section that comes back shorter than the header says is a corrupt container, not a shorter text.
HRESULT UnlockRun::ReadSection(DWORD length, std::vector<BYTE>& bytes) {
    bytes.assign(length, 0);
    DWORD read = 0;
    QLM_RETURN_IF_FAILED(Win32Status(ReadFile(container_.Get(), bytes.data(), length, &read, nullptr)));
    return read == length ? S_OK : QLM_E_CORRUPT_CONTAINER;
}

// Read on from offset 24 without seeking: extension, token, comment, stored integrity value. Then the
// restored file's name, from a safe extension only.
HRESULT UnlockRun::ReadSections() {
    std::vector<BYTE> bytes;
    QLM_RETURN_IF_FAILED(ReadSection(header_.ExtensionBytes(), bytes));
    extension_ = FromUtf16Le(bytes);
    QLM_RETURN_IF_FAILED(ReadSection(header_.TokenBytes(), bytes));
    tokenAnsi_ = EncodeBase64(bytes.data(), bytes.size());
    QLM_RETURN_IF_FAILED(ReadSection(header_.CommentBytes(), bytes));
    comment_ = FromUtf16Le(bytes);
    QLM_RETURN_IF_FAILED(ReadSection(kIntegrityValueBytes, bytes));
    std::copy(bytes.begin(), bytes.end(), storedValue_);

    std::u16string restoredPath;
    if (!RestoredPathFor(containerPath_, extension_, restoredPath)) return QLM_E_CORRUPT_CONTAINER;
    restored_.SetTarget(std::move(restoredPath));
    return S_OK;
}

// The token text rebuilt from the stored token and the comment text (up to its first NUL) go to the
// engine, which answers with the key text if it admits the reader.
HRESULT UnlockRun::AskEngineForKey() {
    std::u16string token;
    QLM_RETURN_IF_FAILED(crypto_steps::AnsiToWide(tokenAnsi_.c_str(), token));
    tokenBstr_.Reset(SysAllocStringLen(token.data(), static_cast<UINT>(token.size())));
    commentBstr_.Reset(SysAllocString(comment_.c_str()));
    if (!tokenBstr_ || !commentBstr_) return E_OUTOFMEMORY;
    return engine_->GetUnlockKey(tokenBstr_.Get(), commentBstr_.Get(), keyText_.Put());
}

// More than the restored file will hold: H5 + C + the container's size.
HRESULT UnlockRun::PresizeRestoredFile() {
    QLM_RETURN_IF_FAILED(PresizeOutput(restored_.File(), header_.PayloadOffset(), chunkSize_, containerSize_));
    StepProgress();
    return S_OK;
}

// The streaming rule: read up to C bytes, hash the ciphertext, decrypt it in place, write the
// plaintext; a chunk of fewer than C bytes (none included) is the final one and loses the pad. After a
// chunk that does not decrypt, the rest of the payload is only hashed, so that the integrity value is
// compared all the same. The cancel flag is looked at after every chunk, the final one too.
HRESULT UnlockRun::DecryptChunks(bool& cancelled) {
    const HANDLE file = restored_.File();
    ULONGLONG progress = header_.PayloadOffset();
    for (;;) {
        DWORD length = 0;
        QLM_RETURN_IF_FAILED(Win32Status(ReadFile(container_.Get(), chunk_.data(), chunkSize_, &length, nullptr)));
        progress += length;
        const BOOL final = length < chunkSize_;
        QLM_RETURN_IF_FAILED(Win32Status(CryptHashData(integrity_.hash, chunk_.data(), length, 0)));
        if (SUCCEEDED(decryptStatus_)) {
            decryptStatus_ = Win32Status(CryptDecrypt(cipher_.key, 0, final, 0, chunk_.data(), &length));
            if (SUCCEEDED(decryptStatus_)) {
                DWORD written = 0;
                QLM_RETURN_IF_FAILED(Win32Status(WriteFile(file, chunk_.data(), length, &written, nullptr)));
            }
        }
        SetChunkProgress(progress, containerSize_);
        if (CancelRequested()) {
            cancelled = true;
            return S_OK;
        }
        if (final) return S_OK;
    }
}

// Nothing reaches the restored file's name unless the computed integrity value matches the stored one.
HRESULT UnlockRun::VerifyIntegrity() {
    BYTE computed[kIntegrityValueBytes] = {};
    DWORD length = sizeof computed;
    QLM_RETURN_IF_FAILED(Win32Status(CryptGetHashParam(integrity_.hash, HP_HASHVAL, computed, &length, 0)));
    if (length != kIntegrityValueBytes || !SameIntegrityValue(computed, storedValue_)) {
        restored_.Discard();
        return QLM_E_INTEGRITY;
    }
    return decryptStatus_;
}

// The surplus cut, the file flushed, closed and moved over the restored file's name.
HRESULT UnlockRun::FinishRestoredFile() {
    const HANDLE file = restored_.File();
    StepProgress();
    QLM_RETURN_IF_FAILED(Win32Status(SetEndOfFile(file)));
    StepProgress();
    QLM_RETURN_IF_FAILED(Win32Status(FlushFileBuffers(file)));
    return restored_.Commit();
}

}  // namespace

HRESULT UnlockPipeline(LPCWSTR path) { return RunToStatus<UnlockRun>(path); }

}  // namespace qlmfile
