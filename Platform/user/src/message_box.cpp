#include <string_view>

#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "presenters.h"
#include "window_manager.h"
#include "winerror.h"
#include "winuser.h"

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType) {
    if (platform::fault::Fail("MessageBoxW")) return 0;
    if (hWnd != nullptr && !IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const UINT buttons = uType & MB_TYPEMASK;
    if (buttons != MB_OK && buttons != MB_YESNO) {
        SetLastError(ERROR_INVALID_PARAMETER);  // only the boxes this system shows
        return 0;
    }
    const std::u16string_view text = lpText != nullptr ? std::u16string_view(lpText, platform::WideLength(lpText))
                                                       : std::u16string_view();
    // Windows' caption when none is given.
    const std::u16string_view caption = lpCaption != nullptr
                                            ? std::u16string_view(lpCaption, platform::WideLength(lpCaption))
                                            : std::u16string_view(u"Error");
    return platform::user::ActivePresenter().ShowMessageBox(caption, text, uType);
}
