// Modal dialogs from DLGTEMPLATEEX resources.
#include <chrono>

#include "dialogs.h"
#include "errhandlingapi.h"
#include "winbase_resources.h"
#include "platform/dialog_template.h"
#include "platform/fault_injection.h"
#include "presenters.h"
#include "window_manager.h"
#include "winerror.h"

namespace platform::user {
namespace {

// Dialog units to pixels with the base units of an 8-point shell font at 96 dots per inch: one
// horizontal unit is a quarter of the average character width (6 px), one vertical unit an eighth
// of the character height (13 px).
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;

RECT DialogUnitsToPixels(short x, short y, short cx, short cy) {
    const int left = x * kBaseUnitX / 4;
    const int top = y * kBaseUnitY / 8;
    return {left, top, left + cx * kBaseUnitX / 4, top + cy * kBaseUnitY / 8};
}

void SetVisible(HWND hwnd, bool visible) {
    std::lock_guard lock(WindowLock());
    if (Window* w = Lookup(hwnd)) {
        if (visible) {
            w->style |= WS_VISIBLE;
        } else {
            w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        }
    }
}

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
    std::lock_guard lock(WindowLock());
    for (HWND h = hwnd; h != nullptr;) {
        if (h == ancestor) return true;
        Window* w = Lookup(h);
        if (w == nullptr) return false;
        h = w->parent;
    }
    return false;
}

// The control for a template item: a predefined class by ordinal or any registered class by name.
bool ItemSpec(const ParsedDialogItem& item, HWND dialog, HINSTANCE instance, WindowSpec& spec) {
    switch (item.classOrdinal) {
        case 0: {
            const std::optional<WindowKind> kind = ClassKind(item.className.c_str(), &spec.proc);
            if (!kind || *kind == WindowKind::Dialog) return false;
            spec.kind = *kind;
            spec.className = item.className;
            break;
        }
        case kButtonClassOrdinal:
            spec.kind = WindowKind::Button;
            spec.className = u"Button";
            break;
        case kEditClassOrdinal:
            spec.kind = WindowKind::Static;  // shown, never edited, by the dialogs here
            spec.className = u"Edit";
            break;
        default:
            spec.kind = WindowKind::Static;
            spec.className = u"Static";
            break;
    }
    spec.text = item.title;
    spec.style = item.style;
    spec.exStyle = item.exStyle;
    spec.rect = DialogUnitsToPixels(item.x, item.y, item.cx, item.cy);
    spec.parent = dialog;
    spec.id = static_cast<int>(item.id);
    spec.instance = instance;
    return true;
}

// Creates the dialog and its controls and sends WM_INITDIALOG. Null with the last error on failure.
HWND CreateDialogFromTemplate(const ParsedDialog& dialog, HINSTANCE instance, HWND owner, DLGPROC proc,
                              LPARAM initParam) {
    WindowSpec spec;
    spec.kind = WindowKind::Dialog;
    spec.className = u"#32770";
    spec.text = dialog.title;
    spec.style = dialog.style & ~static_cast<DWORD>(WS_VISIBLE);
    spec.exStyle = dialog.exStyle;
    spec.rect = DialogUnitsToPixels(dialog.x, dialog.y, dialog.cx, dialog.cy);
    spec.parent = nullptr;  // an owner is not a parent
    spec.instance = instance;
    spec.dialogProc = proc;
    (void)owner;
    const HWND hwnd = CreateWindowInternal(spec, nullptr);
    if (hwnd == nullptr) return nullptr;

    HWND focus = nullptr;
    for (const ParsedDialogItem& item : dialog.items) {
        WindowSpec child;
        if (!ItemSpec(item, hwnd, instance, child)) {
            DestroyWindowInternal(hwnd);
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        const HWND control = CreateWindowInternal(child, nullptr);
        if (control == nullptr) {
            const DWORD error = GetLastError();
            DestroyWindowInternal(hwnd);
            SetLastError(error);
            return nullptr;
        }
        if (focus == nullptr && (item.style & WS_TABSTOP) != 0 && (item.style & WS_DISABLED) == 0) focus = control;
    }
    // TRUE: the system gives the focus to the control it proposed.
    if (CallWindowProcedure(hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam) != FALSE &&
        focus != nullptr && IsWindow(focus)) {
        CurrentQueue()->focus = focus;
    }
    return hwnd;
}

INT_PTR RunModalLoop(HWND dialog) {
    Window* w = Lookup(dialog);
    if (w == nullptr) return 0;
    auto alive = [&] { return Lookup(dialog) == w; };
    Presenter& presenter = ActivePresenter();
    const std::shared_ptr<ThreadQueue>& queue = CurrentQueue();

    // A dialog ended during WM_INITDIALOG is never shown.
    const bool shown = !w->ended.load(std::memory_order_acquire);
    if (shown) {
        SetVisible(dialog, true);
        presenter.DialogShown(dialog);
    }
    const DWORD tickMs = presenter.TickMs();
    auto nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(tickMs);
    while (alive() && !w->ended.load(std::memory_order_acquire)) {
        DWORD waitMs = kWaitForever;
        if (tickMs != 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextTick - std::chrono::steady_clock::now());
            waitMs = static_cast<DWORD>(std::max<long long>(0, left.count()));
        }
        MSG msg;
        if (WaitForMessage(*queue, msg, waitMs,
                           [&] { return !alive() || w->ended.load(std::memory_order_acquire); })) {
            if (msg.message == WM_QUIT) {
                // The modal loop gives way; whoever runs the outer loop sees WM_QUIT again.
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        if (tickMs != 0 && std::chrono::steady_clock::now() >= nextTick) {
            if (alive()) presenter.DialogTick(dialog);
            nextTick = std::chrono::steady_clock::now() + std::chrono::milliseconds(tickMs);
        }
    }
    const INT_PTR result = alive() ? w->result.load(std::memory_order_acquire) : 0;
    if (alive()) DestroyWindowInternal(dialog);
    // Told once the dialog and its controls are gone, so that whoever watches sees dead handles.
    if (shown) presenter.DialogEnded(dialog, result);
    return result;
}

}  // namespace

HWND FindChild(HWND parent, int id) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(parent);
    if (w == nullptr) return nullptr;
    for (HWND child : w->children) {
        Window* c = Lookup(child);
        if (c != nullptr && c->id == id) return child;
    }
    return nullptr;
}

HWND FindProgressBar(HWND dialog) {
    for (HWND child : Children(dialog)) {
        Window* c = Lookup(child);
        if (c != nullptr && c->kind.load(std::memory_order_relaxed) == WindowKind::ProgressBar) return child;
    }
    return nullptr;
}

LRESULT DialogWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DLGPROC proc;
    {
        std::lock_guard lock(WindowLock());
        Window* w = Lookup(dialog);
        if (w == nullptr) return 0;
        proc = w->dialogProc;
    }
    const INT_PTR handled = proc != nullptr ? proc(dialog, message, wParam, lParam) : FALSE;
    if (message == WM_INITDIALOG || handled != FALSE) return handled;
    switch (message) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) CallWindowProcedure(dialog, WM_CLOSE, 0, 0);
            return 0;
        case WM_CLOSE:
            CallWindowProcedure(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                reinterpret_cast<LPARAM>(FindChild(dialog, IDCANCEL)));
            return 0;
        default:
            return 0;
    }
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

INT_PTR WINAPI DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam) {
    if (platform::fault::Fail("DialogBoxParamW")) return -1;
    if (hWndParent != nullptr && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const HRSRC resource = FindResourceW(hInstance, lpTemplateName, RT_DIALOG);
    if (resource == nullptr) return -1;
    const HGLOBAL loaded = LoadResource(hInstance, resource);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes == nullptr) return -1;
    const std::optional<platform::ParsedDialog> parsed =
        platform::ParseDialogTemplate({bytes, SizeofResource(hInstance, resource)});
    if (!parsed) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    const HWND dialog = CreateDialogFromTemplate(*parsed, hInstance, hWndParent, lpDialogFunc, dwInitParam);
    if (dialog == nullptr) return -1;
    return RunModalLoop(dialog);
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
    if (platform::fault::Fail("EndDialog")) return FALSE;
    Window* w = Lookup(hDlg);
    if (w == nullptr || w->kind.load(std::memory_order_relaxed) != WindowKind::Dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    w->result.store(nResult, std::memory_order_relaxed);
    w->ended.store(true, std::memory_order_release);
    // The modal loop may sleep on another thread: wake it to see the flag.
    if (const std::shared_ptr<ThreadQueue> owner = OwnerQueue(hDlg)) WakeThread(*owner);
    return TRUE;
}

BOOL WINAPI IsDialogMessageW(HWND hDlg, LPMSG lpMsg) {
    if (lpMsg == nullptr || Lookup(hDlg) == nullptr || !IsSelfOrDescendant(hDlg, lpMsg->hwnd)) return FALSE;
    if (lpMsg->message == WM_KEYDOWN && (lpMsg->wParam == VK_ESCAPE || lpMsg->wParam == VK_RETURN)) {
        // Esc is the Cancel button, Enter the default button (IDOK unless the dialog says otherwise).
        const int id = lpMsg->wParam == VK_ESCAPE ? IDCANCEL : IDOK;
        CallWindowProcedure(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(FindChild(hDlg, id)));
        return TRUE;
    }
    DispatchMessageW(lpMsg);
    return TRUE;
}

}  // extern "C"
