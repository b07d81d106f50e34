// kModule, kEvent, kCriticalSection, kCritSectLock.
#include "kmodule.h"

kModule::kModule() : handle(nullptr), borrowed(0) {}

kModule::~kModule() {
    close();
}

kModule::operator HINSTANCE() {
    return handle;
}

int kModule::open(char* name, unsigned long flags) {
    close();
    handle = LoadLibraryExA(name, nullptr, flags);
    return handle != nullptr;
}

int kModule::get(char* name) {
    close();
    handle = GetModuleHandleA(name);
    if (!handle)
        return 0;
    borrowed = 1;
    return 1;
}

void kModule::close() {
    if (handle && !borrowed)
        FreeLibrary(handle);
    handle = nullptr;
    borrowed = 0;
}

kString kModule::getfile() {
    kString path;
    char buffer[260];
    if (!handle)
        return path;
    DWORD n = GetModuleFileNameA(handle, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return path;
    path.set(buffer);
    return path;
}

kProc kModule::getproc(char* name) {
    if (!handle)
        return nullptr;
    return (kProc)(void*)GetProcAddress(handle, name);
}

kEvent::kEvent() : handle_(nullptr) {
    create(1, 0, nullptr);
}

kEvent::kEvent(int manual_reset, int initial_state, const char* name) : handle_(nullptr) {
    create(manual_reset, initial_state, name);
}

kEvent::~kEvent() {
    close();
}

int kEvent::create(int manual_reset, int initial_state, const char* name) {
    close();
    handle_ = CreateEventA(nullptr, manual_reset, initial_state, name);
    return handle_ != nullptr;
}

int kEvent::set() {
    return handle_ ? SetEvent(handle_) : 0;
}

int kEvent::reset() {
    return handle_ ? ResetEvent(handle_) : 0;
}

unsigned long kEvent::wait(unsigned long milliseconds) {
    return handle_ ? WaitForSingleObject(handle_, milliseconds) : 0;
}

void kEvent::close() {
    if (handle_)
        CloseHandle(handle_);
    handle_ = nullptr;
}

void* kEvent::handle() {
    return handle_;
}

void kEvent::handle(void* h) {
    close();
    handle_ = h;
}

kCriticalSection::kCriticalSection() {
    InitializeCriticalSection(&section);
}

kCriticalSection::~kCriticalSection() {
    DeleteCriticalSection(&section);
}

void kCriticalSection::enter() {
    EnterCriticalSection(&section);
}

void kCriticalSection::leave() {
    LeaveCriticalSection(&section);
}

kCritSectLock::kCritSectLock(kCriticalSection* section) : held(section) {
    if (held)
        held->enter();
}

kCritSectLock::~kCritSectLock() {
    if (held)
        held->leave();
}
