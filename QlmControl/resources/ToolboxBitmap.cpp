// The library's resources, registered under its module handle while it is loaded, as a resource section
// would be on Windows: the toolbox bitmap 30000 (16 x 15, 4 bits per pixel), drawn by
// make_toolbox_bitmap.py. A bitmap resource is the bitmap file without its 14-byte file header.
#include "QlmUIInterface.h"
#include "platform/resources.h"
#include "winuser.h"

namespace {

constexpr BYTE kBitmapFile[] = {
#include "ToolboxBitmap.inc"
};
constexpr std::size_t kFileHeader = 14;
static_assert(kBitmapFile[0] == 'B' && kBitmapFile[1] == 'M', "ToolboxBitmap.bmp is a bitmap file");

const platform::ResourceEntry kResources[] = {
    {RT_BITMAP, MAKEINTRESOURCEW(kToolboxBitmapId), 0x0409, kBitmapFile + kFileHeader,
     static_cast<DWORD>(sizeof(kBitmapFile) - kFileHeader)},
};

const platform::ResourceTable resources(&resources, kResources);

}  // namespace
