// FormatMessageW over the platform's own message table, and the local heap that hands its texts out.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "winbase.h"
#include "winerror.h"

namespace {

struct Message {
    DWORD id;
    const char16_t* text;
};

// One short sentence each, ending in a line break. Win32 errors by number; HRESULTs by value.
// HRESULT_FROM_WIN32 values are not listed: their text is that of the low 16 bits.
constexpr Message kMessages[] = {
    {ERROR_SUCCESS, u"The operation completed successfully.\n"},
    {ERROR_INVALID_FUNCTION, u"Incorrect function.\n"},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\n"},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified.\n"},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file because too many files are open.\n"},
    {ERROR_ACCESS_DENIED, u"Access is denied.\n"},
    {ERROR_INVALID_HANDLE, u"The handle is invalid.\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory is available to process this command.\n"},
    {ERROR_BAD_FORMAT, u"The program or library is not in a format that can be loaded.\n"},
    {ERROR_INVALID_DATA, u"The data is invalid.\n"},
    {ERROR_OUTOFMEMORY, u"Not enough memory is available to complete this operation.\n"},
    {ERROR_NOT_SAME_DEVICE, u"The system cannot move the file to a different disk drive.\n"},
    {ERROR_NO_MORE_FILES, u"There are no more files.\n"},
    {ERROR_WRITE_PROTECT, u"The media is write protected.\n"},
    {ERROR_CRC, u"Data error (cyclic redundancy check).\n"},
    {ERROR_SEEK, u"The drive cannot locate a specific area or track on the disk.\n"},
    {ERROR_WRITE_FAULT, u"The system cannot write to the specified device.\n"},
    {ERROR_READ_FAULT, u"The system cannot read from the specified device.\n"},
    {ERROR_GEN_FAILURE, u"A device attached to the system is not functioning.\n"},
    {ERROR_SHARING_VIOLATION, u"The process cannot access the file because it is being used by another process.\n"},
    {ERROR_LOCK_VIOLATION, u"The process cannot access the file because another process has locked a portion of the file.\n"},
    {ERROR_HANDLE_EOF, u"Reached the end of the file.\n"},
    {ERROR_HANDLE_DISK_FULL, u"The disk is full.\n"},
    {ERROR_NOT_SUPPORTED, u"The request is not supported.\n"},
    {ERROR_FILE_EXISTS, u"The file exists.\n"},
    {ERROR_CANNOT_MAKE, u"The directory or file cannot be created.\n"},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect.\n"},
    {ERROR_BROKEN_PIPE, u"The pipe has been ended.\n"},
    {ERROR_DISK_FULL, u"There is not enough space on the disk.\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not supported on this system.\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\n"},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect.\n"},
    {ERROR_MOD_NOT_FOUND, u"The specified module could not be found.\n"},
    {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found.\n"},
    {ERROR_NEGATIVE_SEEK, u"An attempt was made to move the file pointer before the beginning of the file.\n"},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty.\n"},
    {ERROR_BAD_PATHNAME, u"The specified path is invalid.\n"},
    {ERROR_BUSY, u"The requested resource is in use.\n"},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists.\n"},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long.\n"},
    {ERROR_FILE_TOO_LARGE, u"The file size exceeds the limit allowed and cannot be saved.\n"},
    {ERROR_MORE_DATA, u"More data is available.\n"},
    {WAIT_TIMEOUT, u"The wait operation timed out.\n"},
    {ERROR_NO_MORE_ITEMS, u"No more data is available.\n"},
    {ERROR_DIRECTORY, u"The directory name is invalid.\n"},
    {ERROR_EA_TABLE_FULL, u"The extended attribute table is full.\n"},
    {ERROR_EAS_NOT_SUPPORTED, u"The file system does not support extended attributes.\n"},
    {ERROR_MR_MID_NOT_FOUND, u"The system cannot find message text for this message number.\n"},
    {ERROR_INVALID_ADDRESS, u"Attempt to access an invalid address.\n"},
    {ERROR_ARITHMETIC_OVERFLOW, u"Arithmetic result exceeded 32 bits.\n"},
    {ERROR_NOACCESS, u"Invalid access to memory location.\n"},
    {ERROR_INVALID_FLAGS, u"Invalid flags.\n"},
    {ERROR_NO_UNICODE_TRANSLATION, u"No mapping for the Unicode character exists in the target multi-byte code page.\n"},
    {ERROR_DLL_INIT_FAILED, u"A dynamic link library initialization routine failed.\n"},
    {ERROR_IO_DEVICE, u"The request could not be performed because of an I/O device error.\n"},
    {ERROR_NOT_FOUND, u"Element not found.\n"},
    {ERROR_CANCELLED, u"The operation was canceled by the user.\n"},
    {ERROR_FILE_CORRUPT, u"The file or directory is corrupted and unreadable.\n"},
    {ERROR_DISK_CORRUPT, u"The disk structure is corrupted and unreadable.\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle.\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, u"Cannot find window class.\n"},
    {ERROR_CLASS_ALREADY_EXISTS, u"Class already exists.\n"},
    {ERROR_TIMEOUT, u"This operation returned because the timeout period expired.\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The specified image file did not contain a resource section.\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The specified resource type cannot be found in the image file.\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The specified resource name cannot be found in the image file.\n"},

    {static_cast<DWORD>(E_NOTIMPL), u"Not implemented.\n"},
    {static_cast<DWORD>(E_NOINTERFACE), u"No such interface supported.\n"},
    {static_cast<DWORD>(E_POINTER), u"Invalid pointer.\n"},
    {static_cast<DWORD>(E_ABORT), u"Operation aborted.\n"},
    {static_cast<DWORD>(E_FAIL), u"Unspecified error.\n"},
    {static_cast<DWORD>(E_UNEXPECTED), u"Catastrophic failure.\n"},
    {static_cast<DWORD>(E_ACCESSDENIED), u"General access denied error.\n"},
    {static_cast<DWORD>(E_HANDLE), u"Invalid handle.\n"},
    {static_cast<DWORD>(E_OUTOFMEMORY), u"Not enough memory resources are available to complete this operation.\n"},
    {static_cast<DWORD>(E_INVALIDARG), u"The parameter is incorrect.\n"},
    {static_cast<DWORD>(CLASS_E_NOAGGREGATION), u"Class does not support aggregation (or class object is remote).\n"},
    {static_cast<DWORD>(CLASS_E_CLASSNOTAVAILABLE), u"ClassFactory cannot supply requested class.\n"},
    {static_cast<DWORD>(REGDB_E_READREGDB), u"Could not read key from registry.\n"},
    {static_cast<DWORD>(REGDB_E_WRITEREGDB), u"Could not write key to registry.\n"},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), u"Class not registered.\n"},
    {static_cast<DWORD>(CO_E_NOTINITIALIZED), u"CoInitialize has not been called.\n"},
    {static_cast<DWORD>(CO_E_CLASSSTRING), u"Invalid class string.\n"},
    {static_cast<DWORD>(CO_E_DLLNOTFOUND), u"DLL for class not found.\n"},
    {static_cast<DWORD>(CO_E_ERRORINDLL), u"Error in the DLL.\n"},
    {static_cast<DWORD>(RPC_E_CHANGED_MODE), u"Cannot change thread mode after it is set.\n"},
    {static_cast<DWORD>(CONNECT_E_NOCONNECTION), u"There is no connection for this connection ID.\n"},
    {static_cast<DWORD>(CONNECT_E_ADVISELIMIT), u"The connection point has reached its limit of connections.\n"},
    {static_cast<DWORD>(CONNECT_E_CANNOTCONNECT), u"The sink cannot be connected to this connection point.\n"},
    {static_cast<DWORD>(OLE_E_ADVISENOTSUPPORTED), u"This implementation does not take advises.\n"},
    {static_cast<DWORD>(OLE_E_NOCONNECTION), u"There is no connection for this connection ID.\n"},
    {static_cast<DWORD>(OLE_E_BLANK), u"Uninitialized object.\n"},

    {static_cast<DWORD>(DISP_E_UNKNOWNINTERFACE), u"Unknown interface.\n"},
    {static_cast<DWORD>(DISP_E_MEMBERNOTFOUND), u"Member not found.\n"},
    {static_cast<DWORD>(DISP_E_PARAMNOTFOUND), u"Parameter not found.\n"},
    {static_cast<DWORD>(DISP_E_TYPEMISMATCH), u"Type mismatch.\n"},
    {static_cast<DWORD>(DISP_E_UNKNOWNNAME), u"Unknown name.\n"},
    {static_cast<DWORD>(DISP_E_NONAMEDARGS), u"No named arguments.\n"},
    {static_cast<DWORD>(DISP_E_BADVARTYPE), u"Bad variable type.\n"},
    {static_cast<DWORD>(DISP_E_EXCEPTION), u"Exception occurred.\n"},
    {static_cast<DWORD>(DISP_E_OVERFLOW), u"Out of present range.\n"},
    {static_cast<DWORD>(DISP_E_BADINDEX), u"Invalid index.\n"},
    {static_cast<DWORD>(DISP_E_BADPARAMCOUNT), u"Invalid number of parameters.\n"},
    {static_cast<DWORD>(DISP_E_PARAMNOTOPTIONAL), u"Parameter not optional.\n"},
    {static_cast<DWORD>(DISP_E_ARRAYISLOCKED), u"Memory is locked.\n"},
    {static_cast<DWORD>(TYPE_E_ELEMENTNOTFOUND), u"Element not found.\n"},
    {static_cast<DWORD>(TYPE_E_LIBNOTREGISTERED), u"Library not registered.\n"},
    {static_cast<DWORD>(TYPE_E_CANTLOADLIBRARY), u"Error loading type library/DLL.\n"},
    {static_cast<DWORD>(CTL_E_ILLEGALFUNCTIONCALL), u"Invalid procedure call or argument.\n"},
    {static_cast<DWORD>(CTL_E_OVERFLOW), u"Overflow.\n"},
    {static_cast<DWORD>(CTL_E_OUTOFMEMORY), u"Out of memory.\n"},
    {static_cast<DWORD>(CTL_E_TYPEMISMATCH), u"Type mismatch.\n"},
    {static_cast<DWORD>(CTL_E_INVALIDUSEOFNULL), u"Invalid use of Null.\n"},
    {static_cast<DWORD>(CTL_E_INVALIDPROPERTYVALUE), u"Invalid property value.\n"},
    {static_cast<DWORD>(CTL_E_INVALIDPROPERTYARRAYINDEX), u"Invalid property array index.\n"},

    {static_cast<DWORD>(STG_E_INVALIDFUNCTION), u"Unable to perform requested operation.\n"},
    {static_cast<DWORD>(STG_E_FILENOTFOUND), u"The file could not be found.\n"},
    {static_cast<DWORD>(STG_E_PATHNOTFOUND), u"The path could not be found.\n"},
    {static_cast<DWORD>(STG_E_ACCESSDENIED), u"Access denied.\n"},
    {static_cast<DWORD>(STG_E_INVALIDHANDLE), u"Attempted an operation on an invalid object.\n"},
    {static_cast<DWORD>(STG_E_INSUFFICIENTMEMORY), u"There is insufficient memory available to complete operation.\n"},
    {static_cast<DWORD>(STG_E_INVALIDPOINTER), u"Invalid pointer error.\n"},
    {static_cast<DWORD>(STG_E_WRITEFAULT), u"A disk error occurred during a write operation.\n"},
    {static_cast<DWORD>(STG_E_READFAULT), u"A disk error occurred during a read operation.\n"},
    {static_cast<DWORD>(STG_E_SHAREVIOLATION), u"A share violation has occurred.\n"},
    {static_cast<DWORD>(STG_E_LOCKVIOLATION), u"A lock violation has occurred.\n"},
    {static_cast<DWORD>(STG_E_FILEALREADYEXISTS), u"File already exists.\n"},
    {static_cast<DWORD>(STG_E_INVALIDPARAMETER), u"Invalid parameter error.\n"},
    {static_cast<DWORD>(STG_E_MEDIUMFULL), u"There is insufficient disk space to complete operation.\n"},
    {static_cast<DWORD>(STG_E_INVALIDHEADER), u"The file was not a valid storage file.\n"},
    {static_cast<DWORD>(STG_E_INVALIDNAME), u"The name is not valid.\n"},
    {static_cast<DWORD>(STG_E_UNIMPLEMENTEDFUNCTION), u"The operation is not implemented.\n"},
    {static_cast<DWORD>(STG_E_INVALIDFLAG), u"Invalid flag error.\n"},
    {static_cast<DWORD>(STG_E_REVERTED), u"The object has been released.\n"},
    {static_cast<DWORD>(STG_E_CANTSAVE), u"The storage could not be saved.\n"},
    {static_cast<DWORD>(STG_E_UNKNOWN), u"An unexpected error occurred in the storage.\n"},

    {static_cast<DWORD>(NTE_BAD_UID), u"Bad UID.\n"},
    {static_cast<DWORD>(NTE_BAD_HASH), u"Bad hash.\n"},
    {static_cast<DWORD>(NTE_BAD_KEY), u"Bad key.\n"},
    {static_cast<DWORD>(NTE_BAD_LEN), u"Bad length.\n"},
    {static_cast<DWORD>(NTE_BAD_DATA), u"Bad data.\n"},
    {static_cast<DWORD>(NTE_BAD_SIGNATURE), u"Invalid signature.\n"},
    {static_cast<DWORD>(NTE_BAD_VER), u"Bad version of provider.\n"},
    {static_cast<DWORD>(NTE_BAD_ALGID), u"Invalid algorithm specified.\n"},
    {static_cast<DWORD>(NTE_BAD_FLAGS), u"Invalid flags specified.\n"},
    {static_cast<DWORD>(NTE_BAD_TYPE), u"Invalid type specified.\n"},
    {static_cast<DWORD>(NTE_BAD_KEY_STATE), u"Key not valid for use in specified state.\n"},
    {static_cast<DWORD>(NTE_BAD_HASH_STATE), u"Hash not valid for use in specified state.\n"},
    {static_cast<DWORD>(NTE_NO_KEY), u"Key does not exist.\n"},
    {static_cast<DWORD>(NTE_NO_MEMORY), u"Insufficient memory available for the operation.\n"},
    {static_cast<DWORD>(NTE_EXISTS), u"Object already exists.\n"},
    {static_cast<DWORD>(NTE_PERM), u"Access denied.\n"},
    {static_cast<DWORD>(NTE_NOT_FOUND), u"Object was not found.\n"},
    {static_cast<DWORD>(NTE_DOUBLE_ENCRYPT), u"Data already encrypted.\n"},
    {static_cast<DWORD>(NTE_BAD_PROVIDER), u"Invalid provider specified.\n"},
    {static_cast<DWORD>(NTE_BAD_PROV_TYPE), u"Invalid provider type specified.\n"},
    {static_cast<DWORD>(NTE_BAD_PUBLIC_KEY), u"Provider's public key is invalid.\n"},
    {static_cast<DWORD>(NTE_BAD_KEYSET), u"Keyset does not exist.\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_NOT_DEF), u"Provider type not defined.\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_ENTRY_BAD), u"Provider type as registered is invalid.\n"},
    {static_cast<DWORD>(NTE_KEYSET_NOT_DEF), u"The keyset is not defined.\n"},
    {static_cast<DWORD>(NTE_KEYSET_ENTRY_BAD), u"Keyset as registered is invalid.\n"},
    {static_cast<DWORD>(NTE_PROV_TYPE_NO_MATCH), u"Provider type does not match registered value.\n"},
    {static_cast<DWORD>(NTE_SIGNATURE_FILE_BAD), u"The digital signature file is corrupt.\n"},
    {static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL), u"Provider DLL failed to initialize correctly.\n"},
    {static_cast<DWORD>(NTE_PROV_DLL_NOT_FOUND), u"Provider DLL could not be found.\n"},
    {static_cast<DWORD>(NTE_BAD_KEYSET_PARAM), u"The Keyset parameter is invalid.\n"},
    {static_cast<DWORD>(NTE_FAIL), u"An internal error occurred.\n"},
    {static_cast<DWORD>(NTE_SYS_ERR), u"A base error occurred.\n"},
};

const char16_t* FindMessage(DWORD id) {
    for (const Message& m : kMessages)
        if (m.id == id) return m.text;
    return nullptr;
}

}  // namespace

extern "C" {

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
    if (platform::fault::Fail("LocalAlloc")) return nullptr;
    void* p = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes == 0 ? 1 : uBytes) : std::malloc(uBytes == 0 ? 1 : uBytes);
    if (p == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
    std::free(hMem);
    return nullptr;
}

DWORD WINAPI FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                            DWORD nSize, void* Arguments) {
    (void)lpSource;
    (void)Arguments;
    if (platform::fault::Fail("FormatMessageW")) return 0;
    constexpr DWORD kSupported = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                 FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK;
    if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || (dwFlags & ~kSupported) != 0 || lpBuffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // One language: English. Asking for another finds no text, as on a system without that language.
    const WORD primary = static_cast<WORD>(dwLanguageId & 0x3FF);
    if (dwLanguageId != 0 && primary != 0x09 /* LANG_ENGLISH */ && primary != 0x00 /* LANG_NEUTRAL */) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const char16_t* text = FindMessage(dwMessageId);
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const std::size_t length = platform::WideLength(text);
    if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        const std::size_t capacity = std::max<std::size_t>(length + 1, nSize);
        auto* out = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, capacity * sizeof(WCHAR)));
        if (out == nullptr) return 0;
        std::memcpy(out, text, (length + 1) * sizeof(WCHAR));
        *reinterpret_cast<LPWSTR*>(lpBuffer) = out;
        return static_cast<DWORD>(length);
    }
    if (nSize < length + 1) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(lpBuffer, text, (length + 1) * sizeof(WCHAR));
    return static_cast<DWORD>(length);
}

}  // extern "C"
