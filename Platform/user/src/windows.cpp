// Window handles, classes, creation and destruction.
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>

#include "commctrl.h"
#include "dialogs.h"
#include "errhandlingapi.h"
#include "platform/fault_injection.h"
#include "platform/utf.h"
#include "window_manager.h"
#include "winerror.h"

// A dialog has no control with the identifier asked for.
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif

namespace platform::user {
namespace {

constexpr std::uint32_t kSlotCount = 1u << 14;

// Slots hold windows that are never freed: a lookup that races with a DestroyWindow reads a stale
// slot and finds its handle changed, never freed memory.
struct WindowTable {
    std::mutex mutex;
    std::array<std::atomic<Window*>, kSlotCount> slots{};
    std::vector<std::uint32_t> freeSlots;
    std::uint32_t used = 1;  // slot 0 is never used, so no handle is null
};

WindowTable& Table() {
    static auto* table = new WindowTable;  // outlives every thread, also at process exit
    return *table;
}

struct WindowClass {
    WindowKind kind;
    WNDPROC proc;
    HINSTANCE instance;
    ATOM atom;
    std::u16string name;
};

struct ClassTable {
    std::mutex mutex;
    std::map<std::u16string, WindowClass> classes;  // by lower-case name
    ATOM nextAtom = 0xC000;
};

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return out;
}

ClassTable& Classes() {
    static auto* table = [] {
        auto* t = new ClassTable;
        // The system's own classes; the progress bar comes with InitCommonControlsEx.
        t->classes[u"#32770"] = {WindowKind::Dialog, nullptr, nullptr, 0x8002, u"#32770"};
        t->classes[u"button"] = {WindowKind::Button, nullptr, nullptr, 0xC001, u"Button"};
        t->classes[u"static"] = {WindowKind::Static, nullptr, nullptr, 0xC002, u"Static"};
        t->nextAtom = 0xC003;
        return t;
    }();
    return *table;
}

std::u16string ClassKey(LPCWSTR name) {
    if (IS_INTRESOURCE(name)) {
        // By atom.
        const WORD atom = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
        ClassTable& t = Classes();
        std::lock_guard lock(t.mutex);
        for (const auto& [key, cls] : t.classes) {
            if (cls.atom == atom) return key;
        }
        return {};
    }
    return Lower(std::u16string_view(name, platform::WideLength(name)));
}

std::uint32_t HandleValue(HWND hwnd) {
    const auto value = reinterpret_cast<std::uintptr_t>(hwnd);
    return value > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(value);
}

HWND MakeHandle(std::uint32_t value) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(value)); }

// Takes a free slot and gives it a new handle; the window is not visible to lookups until published.
Window* TakeSlot(std::uint32_t& value) {
    WindowTable& t = Table();
    std::lock_guard lock(t.mutex);
    std::uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.back();
        t.freeSlots.pop_back();
    } else if (t.used < kSlotCount) {
        index = t.used++;
        t.slots[index].store(new Window, std::memory_order_release);
    } else {
        return nullptr;
    }
    Window* w = t.slots[index].load(std::memory_order_relaxed);
    w->reuse = static_cast<std::uint16_t>(w->reuse == 0xFFFF ? 1 : w->reuse + 1);
    value = (static_cast<std::uint32_t>(w->reuse) << 16) | index;
    return w;
}

void ReleaseSlot(Window* w, std::uint32_t value) {
    WindowTable& t = Table();
    std::lock_guard lock(t.mutex);
    w->handle.store(0, std::memory_order_release);
    t.freeSlots.push_back(value & 0xFFFF);
}

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == BM_CLICK) {
        Window* w = Lookup(hwnd);
        HWND parent;
        int id;
        {
            std::lock_guard lock(WindowLock());
            if (w == nullptr || w->handle.load() != HandleValue(hwnd)) return 0;
            parent = w->parent;
            id = w->id;
        }
        if (parent != nullptr) {
            SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

std::mutex& WindowLock() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

Window* Lookup(HWND hwnd) {
    const std::uint32_t value = HandleValue(hwnd);
    const std::uint32_t index = value & 0xFFFF;
    if (value == 0 || index == 0 || index >= kSlotCount) return nullptr;
    Window* w = Table().slots[index].load(std::memory_order_acquire);
    if (w == nullptr || w->handle.load(std::memory_order_acquire) != value) return nullptr;
    return w;
}

DWORD CurrentThreadId() {
    thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

HWND CreateWindowInternal(const WindowSpec& spec, LPVOID createParam) {
    std::uint32_t value = 0;
    Window* w = TakeSlot(value);
    if (w == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const HWND hwnd = MakeHandle(value);
    {
        std::lock_guard lock(WindowLock());
        if (spec.parent != nullptr) {
            Window* parent = Lookup(spec.parent);
            if (parent == nullptr) {
                ReleaseSlot(w, value);
                SetLastError(ERROR_INVALID_WINDOW_HANDLE);
                return nullptr;
            }
            parent->children.push_back(hwnd);
        }
        w->kind.store(spec.kind, std::memory_order_relaxed);
        w->bar.Reset();
        w->owner = CurrentQueue();
        w->proc = spec.proc;
        w->dialogProc = spec.dialogProc;
        w->parent = spec.parent;
        w->instance = spec.instance;
        w->style = spec.style;
        w->exStyle = spec.exStyle;
        w->id = spec.id;
        w->rect = spec.rect;
        w->className = spec.className;
        w->text = spec.text;
        w->children.clear();
        w->ended.store(false, std::memory_order_relaxed);
        w->result.store(0, std::memory_order_relaxed);
        w->handle.store(value, std::memory_order_release);
    }
    CREATESTRUCTW create{};
    create.lpCreateParams = createParam;
    create.hInstance = spec.instance;
    create.hMenu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id));
    create.hwndParent = spec.parent;
    create.x = spec.rect.left;
    create.y = spec.rect.top;
    create.cx = spec.rect.right - spec.rect.left;
    create.cy = spec.rect.bottom - spec.rect.top;
    create.style = static_cast<LONG>(spec.style);
    create.lpszName = spec.text.c_str();
    create.lpszClass = spec.className.c_str();
    create.dwExStyle = spec.exStyle;
    if (spec.kind == WindowKind::Generic &&
        CallWindowProcedure(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
        DestroyWindowInternal(hwnd);
        SetLastError(ERROR_CANNOT_MAKE);  // the window procedure refused WM_CREATE
        return nullptr;
    }
    return hwnd;
}

void DestroyWindowInternal(HWND hwnd, bool notify) {
    // WM_DESTROY goes to the window before its children, as on Windows.
    if (Lookup(hwnd) == nullptr) return;
    if (notify) CallWindowProcedure(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : Children(hwnd)) DestroyWindowInternal(child, notify);
    Window* w = Lookup(hwnd);
    if (w == nullptr) return;
    std::shared_ptr<ThreadQueue> owner;
    {
        std::lock_guard lock(WindowLock());
        if (w->parent != nullptr) {
            if (Window* parent = Lookup(w->parent)) std::erase(parent->children, hwnd);
        }
        owner = std::move(w->owner);
        w->children.clear();
        w->text.clear();
        ReleaseSlot(w, HandleValue(hwnd));
    }
    if (owner && owner->focus == hwnd) owner->focus = nullptr;
}

LRESULT CallWindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Lookup(hwnd);
    if (w == nullptr) return 0;
    switch (w->kind.load(std::memory_order_relaxed)) {
        case WindowKind::ProgressBar:
            if (IsProgressMessage(message)) return w->bar.Handle(hwnd, message, wParam, lParam);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        case WindowKind::Dialog:
            return DialogWindowProc(hwnd, message, wParam, lParam);
        case WindowKind::Button:
            return ButtonProc(hwnd, message, wParam, lParam);
        case WindowKind::Static:
            return DefWindowProcW(hwnd, message, wParam, lParam);
        case WindowKind::Generic:
            break;
    }
    WNDPROC proc;
    {
        std::lock_guard lock(WindowLock());
        if (Lookup(hwnd) != w) return 0;
        proc = w->proc;
    }
    return proc != nullptr ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

std::vector<HWND> TopLevelWindowsOf(const ThreadQueue& queue) {
    std::vector<HWND> windows;
    WindowTable& t = Table();
    std::lock_guard lock(WindowLock());  // always taken before the table's own lock
    std::lock_guard tableLock(t.mutex);
    for (std::uint32_t index = 1; index < t.used; ++index) {
        Window* w = t.slots[index].load(std::memory_order_relaxed);
        const std::uint32_t value = w->handle.load(std::memory_order_relaxed);
        if (value != 0 && w->owner.get() == &queue && w->parent == nullptr) windows.push_back(MakeHandle(value));
    }
    return windows;
}

std::u16string WindowText(HWND hwnd) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hwnd);
    return w != nullptr ? w->text : std::u16string();
}

std::vector<HWND> Children(HWND hwnd) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hwnd);
    return w != nullptr ? w->children : std::vector<HWND>();
}

std::shared_ptr<ThreadQueue> OwnerQueue(HWND hwnd) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hwnd);
    return w != nullptr ? w->owner : nullptr;
}

bool RegisterProgressClass() {
    ClassTable& t = Classes();
    std::lock_guard lock(t.mutex);
    if (!t.classes.contains(u"msctls_progress32")) {
        t.classes[u"msctls_progress32"] = {WindowKind::ProgressBar, nullptr, nullptr, t.nextAtom++, PROGRESS_CLASSW};
    }
    return true;
}

std::optional<WindowKind> ClassKind(LPCWSTR className, WNDPROC* proc) {
    const std::u16string key = ClassKey(className);
    ClassTable& t = Classes();
    std::lock_guard lock(t.mutex);
    auto it = t.classes.find(key);
    if (it == t.classes.end()) return std::nullopt;
    if (proc != nullptr) *proc = it->second.proc;
    return it->second.kind;
}

}  // namespace platform::user

using namespace platform::user;

extern "C" {

ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* lpwcx) {
    if (platform::fault::Fail("RegisterClassExW")) return 0;
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXW) || lpwcx->lpszClassName == nullptr ||
        IS_INTRESOURCE(lpwcx->lpszClassName) || lpwcx->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::u16string name(lpwcx->lpszClassName, platform::WideLength(lpwcx->lpszClassName));
    ClassTable& t = Classes();
    std::lock_guard lock(t.mutex);
    const std::u16string key = Lower(name);
    if (t.classes.contains(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    const ATOM atom = t.nextAtom++;
    t.classes[key] = {WindowKind::Generic, lpwcx->lpfnWndProc, lpwcx->hInstance, atom, name};
    return atom;
}

HWND WINAPI CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                            LPVOID lpParam) {
    if (platform::fault::Fail("CreateWindowExW")) return nullptr;
    if (lpClassName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WindowSpec spec;
    const std::optional<WindowKind> kind = ClassKind(lpClassName, &spec.proc);
    if (!kind) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (*kind == WindowKind::Dialog) {
        // A dialog needs its template: DialogBoxParamW makes it.
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    spec.kind = *kind;
    if (!IS_INTRESOURCE(lpClassName)) {
        spec.className.assign(lpClassName, platform::WideLength(lpClassName));
    }
    if (lpWindowName != nullptr) spec.text.assign(lpWindowName, platform::WideLength(lpWindowName));
    spec.style = dwStyle;
    spec.exStyle = dwExStyle;
    spec.rect = {X, Y, X + nWidth, Y + nHeight};
    spec.parent = hWndParent;
    // A child's "menu" is its control identifier.
    spec.id = (dwStyle & WS_CHILD) != 0 ? static_cast<int>(reinterpret_cast<INT_PTR>(hMenu)) : 0;
    spec.instance = hInstance;
    return CreateWindowInternal(spec, lpParam);
}

BOOL WINAPI DestroyWindow(HWND hWnd) {
    if (platform::fault::Fail("DestroyWindow")) return FALSE;
    Window* w = Lookup(hWnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (OwnerQueue(hWnd) != CurrentQueue()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DestroyWindowInternal(hWnd);
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd) { return Lookup(hWnd) != nullptr ? TRUE : FALSE; }

BOOL WINAPI IsWindowVisible(HWND hWnd) {
    std::lock_guard lock(WindowLock());
    // Visible when it and every ancestor have WS_VISIBLE.
    for (HWND h = hWnd; h != nullptr;) {
        Window* w = Lookup(h);
        if (w == nullptr || (w->style & WS_VISIBLE) == 0) return FALSE;
        h = w->parent;
    }
    return hWnd != nullptr ? TRUE : FALSE;
}

HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem) {
    if (platform::fault::Fail("GetDlgItem")) return nullptr;
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hDlg);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    for (HWND child : w->children) {
        Window* c = Lookup(child);
        if (c != nullptr && c->id == nIDDlgItem) return child;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

HWND WINAPI GetParent(HWND hWnd) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hWnd);
    if (w == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return w->parent;
}

HWND WINAPI GetFocus() { return CurrentQueue()->focus; }

DWORD WINAPI GetWindowThreadProcessId(HWND hWnd, LPDWORD lpdwProcessId) {
    const std::shared_ptr<ThreadQueue> owner = OwnerQueue(hWnd);
    if (!owner) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpdwProcessId != nullptr) *lpdwProcessId = static_cast<DWORD>(getpid());
    return owner->threadId;
}

int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount) {
    if (Lookup(hWnd) == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (lpString == nullptr || nMaxCount <= 0) return 0;
    const std::u16string text = WindowText(hWnd);
    const std::size_t n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(nMaxCount) - 1);
    std::copy_n(text.data(), n, lpString);
    lpString[n] = 0;
    return static_cast<int>(n);
}

BOOL WINAPI GetWindowRect(HWND hWnd, LPRECT lpRect) {
    std::lock_guard lock(WindowLock());
    Window* w = Lookup(hWnd);
    if (w == nullptr || lpRect == nullptr) {
        SetLastError(w == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lpRect = w->rect;
    return TRUE;
}

LRESULT WINAPI DefWindowProcW(HWND hWnd, UINT Msg, WPARAM, LPARAM) {
    if (Msg == WM_CLOSE) DestroyWindow(hWnd);
    return 0;
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (platform::fault::Fail("InitCommonControlsEx")) return FALSE;
    if (picce == nullptr || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((picce->dwICC & ICC_PROGRESS_CLASS) != 0) RegisterProgressClass();
    // The standard classes are always there; any other common control does not exist here.
    if ((picce->dwICC & ~static_cast<DWORD>(ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES)) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
