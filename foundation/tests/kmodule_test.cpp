// kModule, kEvent, kCriticalSection, kCritSectLock against the real kernel.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>
#include <thread>
#include "kmodule.h"

namespace {
// A library the test program does not load by itself.
char kLibrary[] = "version.dll";

bool loaded(const char* name) {
    return GetModuleHandleA(name) != nullptr;
}
}  // namespace

TEST(kModule, OpenAndCloseLoadAndUnload) {
    ASSERT_FALSE(loaded(kLibrary));
    kModule m;
    ASSERT_EQ(1, m.open(kLibrary, 0));
    EXPECT_TRUE(loaded(kLibrary));
    EXPECT_EQ(0, m.borrowed);
    EXPECT_NE(nullptr, m.getproc((char*)"GetFileVersionInfoA"));
    EXPECT_EQ(nullptr, m.getproc((char*)"NoSuchExport"));
    m.close();
    EXPECT_EQ(nullptr, (HINSTANCE)m);
    EXPECT_FALSE(loaded(kLibrary));
}

TEST(kModule, BorrowedModuleStaysLoaded) {
    HMODULE own = LoadLibraryA(kLibrary);
    ASSERT_NE(nullptr, own);
    {
        kModule m;
        ASSERT_EQ(1, m.get(kLibrary));
        EXPECT_EQ(1, m.borrowed);
        EXPECT_EQ(own, (HINSTANCE)m);
        m.close();
        EXPECT_EQ(0, m.borrowed);
        EXPECT_TRUE(loaded(kLibrary));
        ASSERT_EQ(1, m.get(kLibrary));
    }
    EXPECT_TRUE(loaded(kLibrary)) << "destroying a borrowed module frees nothing";
    FreeLibrary(own);
    EXPECT_FALSE(loaded(kLibrary));
}

TEST(kModule, GetDoesNotLoadAndOpenReleasesTheOldModule) {
    kModule m;
    EXPECT_EQ(0, m.get(kLibrary));
    EXPECT_FALSE(loaded(kLibrary));
    ASSERT_EQ(1, m.open(kLibrary, 0));
    ASSERT_EQ(1, m.get((char*)"kernel32.dll"));
    EXPECT_FALSE(loaded(kLibrary)) << "get released the module that open loaded";
    EXPECT_EQ(0, m.open((char*)"no_such_library.dll", 0));
    EXPECT_EQ(nullptr, (HINSTANCE)m);
    EXPECT_EQ(0, m.borrowed);
}

TEST(kModule, OpenWithFlags) {
    kModule m;
    ASSERT_EQ(1, m.open(kLibrary, LOAD_LIBRARY_AS_DATAFILE));
    m.close();
    EXPECT_FALSE(loaded(kLibrary));
}

TEST(kModule, FileNames) {
    kModule empty;
    kString none = empty.getfile();
    EXPECT_EQ(nullptr, none.text);
    kModule m;
    ASSERT_EQ(1, m.get((char*)"kernel32.dll"));
    kString path = m.getfile();
    ASSERT_NE(nullptr, path.text);
    EXPECT_NE(nullptr, strstr(_strlwr(path.text), "kernel32.dll"));
}

TEST(kEvent, DefaultIsManualResetAndNotSignalled) {
    kEvent e;
    ASSERT_NE(nullptr, e.handle());
    EXPECT_EQ((unsigned long)WAIT_TIMEOUT, e.wait(0));
    EXPECT_NE(0, e.set());
    EXPECT_EQ(0ul, e.wait(0));
    EXPECT_EQ(0ul, e.wait(0)) << "manual reset: stays signalled";
    EXPECT_NE(0, e.reset());
    EXPECT_EQ((unsigned long)WAIT_TIMEOUT, e.wait(0));
}

TEST(kEvent, NamedEventsAreShared) {
    kEvent a(0, 0, "VantrelTestEvent");
    kEvent b(0, 0, "VantrelTestEvent");
    ASSERT_NE(nullptr, b.handle());
    a.set();
    EXPECT_EQ(0ul, b.wait(0));
    EXPECT_EQ((unsigned long)WAIT_TIMEOUT, b.wait(0)) << "auto reset";
}

TEST(kEvent, EmptyEventAnswersZero) {
    kEvent e;
    e.close();
    EXPECT_EQ(nullptr, e.handle());
    EXPECT_EQ(0ul, e.wait(INFINITE));
    EXPECT_EQ(0, e.set());
    EXPECT_EQ(0, e.reset());
}

TEST(kEvent, OwnsAHandleGivenToIt) {
    HANDLE given = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE watcher;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), given, GetCurrentProcess(), &watcher, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    {
        kEvent e;
        HANDLE own = e.handle();
        e.handle(given);
        EXPECT_EQ(given, e.handle());
        DWORD flags;
        SetLastError(0xdeadbeef);
        EXPECT_FALSE(GetHandleInformation(own, &flags)) << "the event it had was closed";
    }
    DWORD flags;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(GetHandleInformation(given, &flags)) << "destruction closed the given handle";
    EXPECT_EQ((DWORD)ERROR_INVALID_HANDLE, GetLastError());
    CloseHandle(watcher);
}

TEST(kCritSectLock, HoldsForItsLifetime) {
    kCriticalSection section;
    int entered_elsewhere = 0;
    {
        kCritSectLock lock(&section);
        std::thread other([&] {
            entered_elsewhere = TryEnterCriticalSection(&section.section);
            if (entered_elsewhere)
                LeaveCriticalSection(&section.section);
        });
        other.join();
        EXPECT_EQ(0, entered_elsewhere);
        kCritSectLock again(&section);  // recursive entry by the owner
    }
    std::thread other([&] {
        entered_elsewhere = TryEnterCriticalSection(&section.section);
        if (entered_elsewhere)
            LeaveCriticalSection(&section.section);
    });
    other.join();
    EXPECT_NE(0, entered_elsewhere);
    kCritSectLock nothing(nullptr);
}
