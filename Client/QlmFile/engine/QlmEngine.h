#pragma once
// The Quillmarsh engine: an outside COM component that issues content keys at lock time and gives
// them back at unlock time to the readers it admits.
//
// Strings: the engine allocates every out-string; the caller frees it with SysFreeString, and zeroes
// the key text's bytes (its SysStringByteLen) before freeing it. In-strings stay the caller's.
#include "unknwn.h"

// {603923EC-B9E0-4EA6-9A8E-BD54A6D5FAF8}
inline constexpr CLSID CLSID_QlmEngine = {
    0x603923EC, 0xB9E0, 0x4EA6, {0x9A, 0x8E, 0xBD, 0x54, 0xA6, 0xD5, 0xFA, 0xF8}};
// {FD42E4FC-80FC-4756-8218-02C5829EA92F}
inline constexpr IID IID_IQlmEngine = {
    0xFD42E4FC, 0x80FC, 0x4756, {0x82, 0x18, 0x02, 0xC5, 0x82, 0x9E, 0xA9, 0x2F}};

interface IQlmEngine : public IUnknown {
    // Entries 4 to 11 of the vtable: other services of the engine, never called by QlmFile.
    STDMETHOD(Reserved4)() PURE;
    STDMETHOD(Reserved5)() PURE;
    STDMETHOD(Reserved6)() PURE;
    STDMETHOD(Reserved7)() PURE;
    STDMETHOD(Reserved8)() PURE;
    STDMETHOD(Reserved9)() PURE;
    STDMETHOD(Reserved10)() PURE;
    STDMETHOD(Reserved11)() PURE;

    // Entry 12. Fresh key material as Base64 key text, a token as Base64 token text (standard
    // alphabet, "=" padding, no line breaks, at least one byte), and a free comment text (may be null).
    STDMETHOD(GetLockKeys)(BSTR* keyText, BSTR* tokenText, BSTR* commentText) PURE;

    // Entry 13. The key text issued with this token, if the engine admits the reader.
    STDMETHOD(GetUnlockKey)(BSTR tokenText, BSTR commentText, BSTR* keyText) PURE;
};
