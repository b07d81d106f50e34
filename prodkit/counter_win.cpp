// The install counter: once the network is up, one POST to the maker's
// counter server; a non-zero "postresult=" in the reply writes the
// done-marker so that later calls do nothing.
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include "kit_win.h"
#include "kit_internal.h"
#include "netstatus.h"

namespace {

// The counter server: a build setting (the test build posts to localhost).
const char kCounterHost[] = KIT_COUNTER_HOST;
const char kDefaultCounter[] = "vantr_b0.pl4";
const char kBody[] = "A";

enum { kCounterStack = 32768 };
enum { kReplyRoom = 1024, kSendRoom = 1024 };
enum { kNetworkPause = 300000 };
// Neither the connect nor the receive may keep the thread, and with it an
// unloading of the kit, waiting for ever on a server that never answers.
enum { kConnectSeconds = 20, kReceiveSeconds = 20 };

// Winsock 1.1, looked up when the counter runs rather than imported: the 95
// family has wsock32.dll only where its networking is installed, and the
// kit must load and work without it. Filled by the counter thread, on its
// own stack.
class Winsock {
public:
    int (WINAPI* startup)(WORD, WSADATA*);
    int (WINAPI* cleanup)();
    int (WINAPI* last_error)();
    SOCKET (WINAPI* open)(int, int, int);
    int (WINAPI* close)(SOCKET);
    int (WINAPI* shut)(SOCKET, int);
    int (WINAPI* control)(SOCKET, long, u_long*);
    int (WINAPI* connect_to)(SOCKET, const sockaddr*, int);
    int (WINAPI* wait)(int, fd_set*, fd_set*, fd_set*, const timeval*);
    int (WINAPI* send_bytes)(SOCKET, const char*, int, int);
    int (WINAPI* receive)(SOCKET, char*, int, int);
    hostent* (WINAPI* host_by_name)(const char*);
    u_short (WINAPI* network_short)(u_short);

    Winsock() : module_(LoadLibraryA("wsock32.dll")) {}
    ~Winsock() {
        if (module_)
            FreeLibrary(module_);
    }
    Winsock(const Winsock&) = delete;
    Winsock& operator=(const Winsock&) = delete;

    // 1 when the library is there with every function.
    int ready() {
        return module_ && find(startup, "WSAStartup") && find(cleanup, "WSACleanup") &&
               find(last_error, "WSAGetLastError") && find(open, "socket") && find(close, "closesocket") &&
               find(shut, "shutdown") && find(control, "ioctlsocket") && find(connect_to, "connect") &&
               find(wait, "select") && find(send_bytes, "send") && find(receive, "recv") &&
               find(host_by_name, "gethostbyname") && find(network_short, "htons");
    }

private:
    template <typename Function>
    int find(Function& function, const char* name) {
        function = (Function)(void*)GetProcAddress(module_, name);
        return function != nullptr;
    }

    HMODULE module_;
};

// Whether the socket is in the set (what FD_ISSET asks wsock32.dll).
int in_set(SOCKET connection, const fd_set& set) {
    for (u_int i = 0; i < set.fd_count; i++)
        if (set.fd_array[i] == connection)
            return 1;
    return 0;
}

// The counter name: the product key's "_infpostcounter", else the default.
void read_counter_name(char* name) {
    kRegKey product;
    if (!open_to_read(product, HKEY_LOCAL_MACHINE, KIT_PRODUCT_KEY) ||
        !read_text(product, "_infpostcounter", name, kKitPath))
        strcpy(name, kDefaultCounter);
}

// "POST /file/counter/%s HTTP/1.0\r\n" of the name; 0 when it does not fit
// kKitPath bytes (a name above 229 characters): such a name is not posted.
int format_request_line(char* line, const char* name) {
    int n = _snprintf(line, kKitPath, "POST /file/counter/%s HTTP/1.0\r\n", name);
    return n >= 0 && n < kKitPath;
}

int send_text(Winsock& ws, SOCKET connection, const char* text) {
    size_t length = strlen(text);
    if (length >= kSendRoom)
        return SOCKET_ERROR;
    char buffer[kSendRoom];
    memset(buffer, 0, sizeof buffer);
    memcpy(buffer, text, length);
    return ws.send_bytes(connection, buffer, (int)length, 0);
}

// Waits up to seconds for the socket to become writable (connected) or
// readable; 1 when it did.
int ready_within(Winsock& ws, SOCKET connection, int seconds, int for_writing) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(connection, &ready);
    FD_SET(connection, &failed);
    timeval limit = {seconds, 0};
    if (ws.wait(0, for_writing ? nullptr : &ready, for_writing ? &ready : nullptr, &failed, &limit) <= 0)
        return 0;
    return in_set(connection, ready) && !in_set(connection, failed);
}

int connect_within(Winsock& ws, SOCKET connection, const sockaddr_in& address, int seconds) {
    u_long non_blocking = 1;
    if (ws.control(connection, FIONBIO, &non_blocking) == SOCKET_ERROR)
        return 0;
    int connected = ws.connect_to(connection, (const sockaddr*)&address, sizeof address) == 0;
    if (!connected && ws.last_error() == WSAEWOULDBLOCK)
        connected = ready_within(ws, connection, seconds, 1);
    u_long blocking = 0;
    return connected && ws.control(connection, FIONBIO, &blocking) != SOCKET_ERROR;
}

int send_request(Winsock& ws, SOCKET connection, const char* request_line, const char* body, long body_length) {
    char length_line[64];
    _snprintf(length_line, sizeof length_line - 1, "Content-length: %li\r\n\r\n", body_length);
    length_line[sizeof length_line - 1] = 0;
    const char* parts[] = {
        request_line,
        "Connection: Keep-Alive\r\n",
        "User-Agent: Mozilla/3.0b4  (WintNT; I)\r\n",
        "Content-type: application/x-www-form-urlencoded\r\n",
        length_line,
        body,
    };
    for (const char* part : parts)
        if (send_text(ws, connection, part) == SOCKET_ERROR)
            return 0;
    return 1;
}

// Connects, sends, and receives once into reply (reply_size bytes of room).
int exchange(Winsock& ws, SOCKET connection, const char* host, const char* request_line, const char* body,
             long body_length, char* reply, int reply_size) {
    hostent* entry = ws.host_by_name(host);
    if (!entry) {
        printf("couldn't get host by name!\n");
        return 0;
    }
    if (!entry->h_addr_list || !entry->h_addr_list[0] || entry->h_length != sizeof(in_addr))
        return 0;
    sockaddr_in address;
    memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = ws.network_short(80);
    memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    if (!connect_within(ws, connection, address, kConnectSeconds) ||
        !send_request(ws, connection, request_line, body, body_length))
        return 0;
    memset(reply, 0, reply_size);
    if (!ready_within(ws, connection, kReceiveSeconds, 0))
        return 0;
    int received = ws.receive(connection, reply, reply_size, 0);
    if (received <= 0)
        return 0;
    printf("socket-in succeeded!\n");
    return received;
}

// One POST; the number of reply bytes received (at most reply_size), or 0.
int post_request(Winsock& ws, const char* host, const char* request_line, const char* body, long body_length,
                 char* reply, int reply_size) {
    SOCKET connection = ws.open(AF_INET, SOCK_STREAM, 0);
    if (connection == INVALID_SOCKET) {
        printf("rawSocket is ugly!\n");
        return 0;
    }
    int received = exchange(ws, connection, host, request_line, body, body_length, reply, reply_size);
    ws.shut(connection, 2);
    ws.close(connection);
    return received;
}

// What the reply says; writes the done-marker for a non-zero result.
void record_reply(const char* reply, int received, char* name) {
    if (received <= 0) {
        printf("no data!\n");
        return;
    }
    long number = 0;
    if (!read_post_result(reply, (size_t)received, &number)) {
        printf("no postresult=\n");
        return;
    }
    if (number == 0) {
        printf("result=0\n");
        return;
    }
    printf("result=1\n");
    kRegKey maker;
    if (maker.open(HKEY_LOCAL_MACHINE, (char*)KIT_MAKER_KEY)) {
        printf("successful!\n");
        maker.set(name, 1ul);
    }
}

unsigned registration_proc(void*) {
    net_status status;
    char name[kKitPath], request_line[kKitPath];
    read_counter_name(name);
    if (!format_request_line(request_line, name))
        return 0;
    printf("posting to %s\n", request_line);
    Winsock ws;
    WSADATA sockets;
    if (!ws.ready() || ws.startup(MAKEWORD(1, 1), &sockets) != 0) {
        printf("registration_proc: WSAStartup failed\n");
        return 0;
    }
    while (!status.has_default_route || !status.connections_walked) {
        printf("registration_proc: sleeping\n");
        Sleep(kNetworkPause);
        status.refresh();
    }
    printf("registration_proc: attempting to post to %s, %s\n", kCounterHost, request_line);
    // Room for kReplyRoom bytes and the zero byte after them.
    char reply[kReplyRoom + 1];
    int received = post_request(ws, kCounterHost, request_line, kBody, (long)strlen(kBody), reply, kReplyRoom);
    record_reply(reply, received, name);
    ws.cleanup();
    printf("registration_proc: exiting\n");
    return 0;
}

// The kit's own module: the allocation that holds its code.
HMODULE kit_module() {
    MEMORY_BASIC_INFORMATION region;
    if (!VirtualQuery((const void*)&kit_module, &region, sizeof region))
        return nullptr;
    return (HMODULE)region.AllocationBase;
}

// The thread holds a reference to the kit for as long as it runs, so that
// a caller that unloads the kit meanwhile does not take the thread's code
// away under it; the kit goes when the thread ends.
DWORD __stdcall counter_thread(void* module) {
    registration_proc(nullptr);
    FreeLibraryAndExitThread((HMODULE)module, 0);
    return 0;
}

void start_counter_thread() {
    char path[MAX_PATH];
    HMODULE self = kit_module();
    DWORD n = self ? GetModuleFileNameA(self, path, sizeof path) : 0;
    HMODULE reference = n && n < sizeof path ? LoadLibraryA(path) : nullptr;
    if (!reference)
        return;
    // A system thread: the kit's C runtime (crtdll.dll) has no
    // _beginthreadex, and keeps its per-thread data for any thread itself.
    // The 95 family fails a thread start that gives no room for its id.
    DWORD id;
    HANDLE thread = CreateThread(nullptr, kCounterStack, counter_thread, reference, 0, &id);
    if (!thread) {
        FreeLibrary(reference);
        return;
    }
    // Nobody waits for the thread.
    CloseHandle(thread);
}

}  // namespace

int perform_registration() {
    kRegKey maker, product;
    if (!open_to_read(maker, HKEY_LOCAL_MACHINE, KIT_MAKER_KEY) ||
        !open_to_read(product, HKEY_LOCAL_MACHINE, KIT_PRODUCT_KEY))
        return 1;
    char name[kKitPath], request_line[kKitPath];
    read_counter_name(name);
    if (!format_request_line(request_line, name))
        return 1;
    unsigned long done = 0;
    if (maker.get(name, &done) && done)
        return 1;
    start_counter_thread();
    return 1;
}
