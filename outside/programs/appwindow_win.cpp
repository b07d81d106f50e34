// The product programs' window and message loop.
#include "appwindow.h"

namespace {

const char kClassName[] = "VantrelProgramWindow";

LRESULT CALLBACK window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

int register_class(HINSTANCE instance, int icon_id) {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(icon_id));
    window_class.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    window_class.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    window_class.lpszClassName = kClassName;
    return RegisterClassA(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

AppWindow::~AppWindow() {
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
}

int AppWindow::open(HINSTANCE instance, const char* title, const char* text, int icon_id) {
    if (!register_class(instance, icon_id))
        return 0;
    window_ = CreateWindowExA(0, kClassName, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, 380, 150, nullptr, nullptr, instance, nullptr);
    if (!window_)
        return 0;
    RECT area;
    GetClientRect(window_, &area);
    HWND label = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 10, 16,
                                 area.right - 20, area.bottom - 26, window_, (HMENU)(INT_PTR)kTextId, instance,
                                 nullptr);
    if (label)
        SendMessageA(label, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    return label != nullptr;
}

int AppWindow::run(HANDLE handle, WakeHandler on_wake, void* context, DWORD poll_ms) {
    DWORD last_poll = GetTickCount();
    for (;;) {
        DWORD timeout = poll_ms ? poll_ms : INFINITE;
        DWORD result = MsgWaitForMultipleObjects(handle ? 1 : 0, &handle, FALSE, timeout, QS_ALLINPUT);
        if (handle && result == WAIT_OBJECT_0) {
            if (on_wake(handle, context))
                return 0;
        } else if (poll_ms && GetTickCount() - last_poll >= poll_ms) {
            // Messages alone never starve the poll: it runs whenever its
            // interval has passed, whatever woke the loop.
            last_poll = GetTickCount();
            if (on_wake(nullptr, context))
                return 0;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return (int)message.wParam;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
