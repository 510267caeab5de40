#pragma once
// Structured storage: the access and sharing modes (STGM_*), the storage formats, and
// StgOpenStorageEx.
//
// On this platform StgOpenStorageEx opens a flat file's own property sets (STGFMT_ANY or
// STGFMT_FILE, IID_IPropertySetStorage), which live in the file's extended attributes: see
// propidl.h. Compound files are not looked into.
#include "guiddef.h"
#include "windef.h"

#define STGM_DIRECT 0x00000000L
#define STGM_TRANSACTED 0x00010000L
#define STGM_SIMPLE 0x08000000L
#define STGM_READ 0x00000000L
#define STGM_WRITE 0x00000001L
#define STGM_READWRITE 0x00000002L
#define STGM_SHARE_DENY_NONE 0x00000040L
#define STGM_SHARE_DENY_READ 0x00000030L
#define STGM_SHARE_DENY_WRITE 0x00000020L
#define STGM_SHARE_EXCLUSIVE 0x00000010L
#define STGM_PRIORITY 0x00040000L
#define STGM_DELETEONRELEASE 0x04000000L
#define STGM_NOSCRATCH 0x00100000L
#define STGM_CREATE 0x00001000L
#define STGM_CONVERT 0x00020000L
#define STGM_FAILIFTHERE 0x00000000L
#define STGM_NOSNAPSHOT 0x00200000L
#define STGM_DIRECT_SWMR 0x00400000L

typedef DWORD STGFMT;
#define STGFMT_STORAGE 0
#define STGFMT_NATIVE 1
#define STGFMT_FILE 3
#define STGFMT_ANY 4
#define STGFMT_DOCFILE 5
#define STGFMT_DOC 0

typedef struct tagSTGOPTIONS {
    USHORT usVersion;
    USHORT reserved;
    ULONG ulSectorSize;
    const WCHAR* pwcsTemplateFile;
} STGOPTIONS;

typedef PVOID PSECURITY_DESCRIPTOR;

extern "C" {
// Opens the property sets of the regular file pwcsName.
//   stgfmt       STGFMT_ANY or STGFMT_FILE; STGFMT_STORAGE and STGFMT_DOCFILE (compound files) give
//                STG_E_UNIMPLEMENTEDFUNCTION, any other value STG_E_INVALIDFLAG.
//   grfMode      STGM_READ, STGM_WRITE or STGM_READWRITE with one STGM_SHARE_* flag (none: deny none);
//                any other flag gives STG_E_INVALIDFLAG. The sharing mode holds against CreateFileW's
//                opens of the file, in this process and in others, as long as the object or a property
//                storage opened through it lives: STGM_SHARE_EXCLUSIVE conflicts with every other open
//                (STG_E_SHAREVIOLATION, the status Windows gives here) and keeps the file from being
//                deleted or renamed.
//   grfAttrs, pStgOptions, pSecurityDescriptor   0 / null, else STG_E_INVALIDPARAMETER.
//   riid         IID_IPropertySetStorage or IID_IUnknown, else E_NOINTERFACE.
// Other failures: STG_E_INVALIDPOINTER (no ppObjectOpen), STG_E_INVALIDNAME (no name, or one without
// a UTF-8 form), STG_E_FILENOTFOUND, STG_E_PATHNOTFOUND (a folder on the way is a file),
// STG_E_ACCESSDENIED (no permission, or not a regular file), and
// HRESULT_FROM_WIN32(ERROR_EAS_NOT_SUPPORTED) when the file system keeps no user extended attributes:
// the open probes for them, so such a file system fails here rather than at the first write.
HRESULT WINAPI StgOpenStorageEx(const WCHAR* pwcsName, DWORD grfMode, STGFMT stgfmt, DWORD grfAttrs,
                                STGOPTIONS* pStgOptions, PSECURITY_DESCRIPTOR pSecurityDescriptor, REFIID riid,
                                void** ppObjectOpen);
}
