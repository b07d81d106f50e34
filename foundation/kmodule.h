// Owners of Windows kernel objects: a library, an event, a critical section.
#pragma once
#include "kapi.h"
#include "kstring.h"

typedef int (*kProc)();

class KAPI kModule final {
public:
    HINSTANCE handle;  // null when none
    int borrowed;      // 1 when looked up with get: never freed by us

    kModule();
    ~kModule();
    kModule(const kModule&) = delete;
    kModule& operator=(const kModule&) = delete;
    operator HINSTANCE();

    // Closes any current module, then loads name (LoadLibraryExA with flags
    // when they are not 0, else LoadLibraryA). 1 if a module was loaded.
    int open(char* name, unsigned long flags);
    // Closes any current module, then borrows an already loaded one by name
    // without loading it. 1 on success.
    int get(char* name);
    // Frees an owned module, forgets a borrowed one.
    void close();
    // Full path of the module's file; unset when there is no module.
    kString getfile();
    // Address of the export name; null when missing or with no module.
    kProc getproc(char* name);
};

class KAPI kEvent final {
public:
    HANDLE handle_;  // null when none; owned, also when given with handle(h)

    kEvent();  // create(1, 0, nullptr)
    kEvent(int manual_reset, int initial_state, const char* name);
    ~kEvent();
    kEvent(const kEvent&) = delete;
    kEvent& operator=(const kEvent&) = delete;

    // Closes any current event, then creates (or opens, when one of that
    // name exists) an event with default security. 1 if a handle was obtained.
    int create(int manual_reset, int initial_state, const char* name);
    // The system call's result; 0 with no event.
    int set();
    int reset();
    // The system wait result; 0 at once with no event.
    unsigned long wait(unsigned long milliseconds);
    void close();
    void* handle();
    // Closes the current event, then takes ownership of h.
    void handle(void* h);
};

class KAPI kCriticalSection final {
public:
    CRITICAL_SECTION section;

    kCriticalSection();
    ~kCriticalSection();
    kCriticalSection(const kCriticalSection&) = delete;
    kCriticalSection& operator=(const kCriticalSection&) = delete;
    void enter();
    void leave();
};

// Holds a critical section for exactly its own lifetime; null holds nothing.
class KAPI kCritSectLock final {
public:
    kCriticalSection* held;

    kCritSectLock(kCriticalSection* section);
    ~kCritSectLock();
    kCritSectLock(const kCritSectLock&) = delete;
    kCritSectLock& operator=(const kCritSectLock&) = delete;
};
