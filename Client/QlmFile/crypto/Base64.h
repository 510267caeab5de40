#pragma once
// Base64 as the engine's texts use it: the standard alphabet with "=" padding.
#include <cstddef>
#include <string>

#include "windef.h"

namespace qlmfile {

// Decodes `text` (at most `textLength` bytes). Bytes outside the alphabet, "=" and line breaks
// included, are skipped; valid characters are taken in groups of four. A NUL right where the scan
// for a group starts (at the start of the text, or right after a group's fourth character) ends
// the text; anywhere else it is skipped like any other byte outside the alphabet. A group of g characters gives floor(6g / 8) bytes. False when `buffer` is null
// or the data would not fit the capacity passed in *length (nothing is written from the group that
// does not fit on); in every case *length returns the full decoded size.
bool DecodeBase64(LPCSTR text, DWORD textLength, BYTE* buffer, DWORD* length);

// Standard Base64 with "=" padding and no line breaks.
std::string EncodeBase64(const BYTE* data, std::size_t size);

}  // namespace qlmfile
