// The install counter against a server of the test on 127.0.0.1 port 80,
// with the network probe answered by a test agent beside the probe program
// (or by Wine's own agent).
#include <gtest/gtest.h>
#include <winsock2.h>
#include <atomic>
#include <mutex>
#include <thread>
#include "kit_testing.h"

using namespace testkit;
using namespace kit_testing;

namespace {

const char kDefaultCounter[] = "vantr_b0.pl4";

std::string request_line(const std::string& counter) {
    return "POST /file/counter/" + counter + " HTTP/1.0\r\n";
}

std::string request(const std::string& counter) {
    return request_line(counter) +
           "Connection: Keep-Alive\r\n"
           "User-Agent: Mozilla/3.0b4  (WintNT; I)\r\n"
           "Content-type: application/x-www-form-urlencoded\r\n"
           "Content-length: 1\r\n"
           "\r\n"
           "A";
}

std::string posting(const std::string& counter) {
    return "posting to " + request_line(counter) + "\n";
}

std::string attempt(const std::string& counter) {
    return "registration_proc: attempting to post to localhost, " + request_line(counter) + "\n";
}

const char kSleeping[] = "registration_proc: sleeping\n";
const char kExiting[] = "registration_proc: exiting\n";

// The counter server: answers every connection with the reply it was given
// (after the release event when there is one), then keeps reading until the
// client closes, so that each request is recorded whole.
class CounterServer {
public:
    explicit CounterServer(const std::string& reply, bool answer = true, HANDLE release = nullptr)
        : reply_(reply), answer_(answer), release_(release) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(80);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        BOOL reuse = TRUE;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, (const char*)&reuse, sizeof reuse);
        listening_ = bind(listener_, (sockaddr*)&address, sizeof address) == 0 && listen(listener_, 4) == 0;
        if (listening_)
            thread_ = std::thread([this] { serve(); });
    }
    ~CounterServer() {
        stop_ = true;
        closesocket(listener_);
        if (thread_.joinable())
            thread_.join();
        WSACleanup();
    }
    CounterServer(const CounterServer&) = delete;
    CounterServer& operator=(const CounterServer&) = delete;

    bool listening() const { return listening_; }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void serve() {
        while (!stop_) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return;
            std::thread([this, client] { talk(client); }).detach();
        }
    }

    void talk(SOCKET client) {
        std::string received;
        char buffer[2048];
        int n;
        // Up to the blank line and the one byte of body the header announces.
        while (received.find("\r\n\r\n") == std::string::npos || received.size() < received.find("\r\n\r\n") + 5) {
            if ((n = recv(client, buffer, sizeof buffer, 0)) <= 0)
                break;
            received.append(buffer, n);
        }
        if (release_)
            WaitForSingleObject(release_, 60000);
        if (answer_ && !reply_.empty())
            send(client, reply_.data(), (int)reply_.size(), 0);
        if (answer_)
            shutdown(client, SD_SEND);
        while ((n = recv(client, buffer, sizeof buffer, 0)) > 0)
            received.append(buffer, n);
        closesocket(client);
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(received);
    }

    std::string reply_;
    bool answer_;
    HANDLE release_;
    SOCKET listener_ = INVALID_SOCKET;
    bool listening_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

// The probe beside the test agent (or without one), in a folder of its own.
class Counter : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(copy_to(bin_folder() + "\\prodkit_probe.exe", dir_ / "agent_probe.exe"));
        ASSERT_TRUE(copy_to(bin_folder() + "\\prodkit.dll", dir_ / "prodkit.dll"));
        ASSERT_TRUE(copy_to(bin_folder() + "\\kit_agent.dll", dir_ / "inetmib1.dll"));
        probe_.native_dll("inetmib1");
        create_key(HKEY_LOCAL_MACHINE, kProductKey);
        SetEnvironmentVariableA("KIT_AGENT", nullptr);
    }
    void TearDown() override { SetEnvironmentVariableA("KIT_AGENT", nullptr); }

    ProbeRun count(const std::string& arguments = "", const std::string& stop_at = "") {
        return run_probe(dir_ / "agent_probe.exe" + " register" + arguments, stop_at);
    }
    static bool marked(const char* counter, DWORD* value) {
        return get_number(HKEY_LOCAL_MACHINE, kMakerKey, counter, value);
    }

    ProductKeys keys_;
    TempDir dir_{"kitcounter"};
    AppDefaults probe_{"agent_probe.exe"};
};

TEST_F(Counter, TheReplyDecidesTheMarker) {
    std::string tag_at_end = std::string(1024 - 11, 'x') + "postresult=";
    struct {
        int line;
        std::string reply;
        const char* verdict;
    } cases[] = {
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult=1", "result=1\nsuccessful!\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\nX-Count: postresult=1\r\n\r\n", "result=1\nsuccessful!\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult=0", "result=0\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult=ok", "result=0\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult= 0", "result=0\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult=-3", "result=1\nsuccessful!\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\npostresult= 5", "result=1\nsuccessful!\n"},
        {__LINE__, "HTTP/1.0 200 OK\r\n\r\nthank you", "no postresult=\n"},
        {__LINE__, std::string("HTTP/1.0 200 OK\r\n\r\n\0postresult=1", 33), "no postresult=\n"},
        {__LINE__, std::string(1500, 'x') + "postresult=1", "no postresult=\n"},
        {__LINE__, tag_at_end, "result=0\n"},
        {__LINE__, "", "no data!\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMakerKey, kDefaultCounter);
        CounterServer server(c.reply);
        ASSERT_TRUE(server.listening());
        ProbeRun run = count();
        EXPECT_TRUE(run.ended);
        std::string received = std::string(c.verdict) == "no data!\n" ? "" : "socket-in succeeded!\n";
        EXPECT_EQ(posting(kDefaultCounter) + attempt(kDefaultCounter) + received + c.verdict + kExiting, run.output);
        std::vector<std::string> requests = server.requests();
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(request(kDefaultCounter), requests[0]);
        DWORD marker = 0;
        bool written = std::string(c.verdict).find("successful") != std::string::npos;
        EXPECT_EQ(written, marked(kDefaultCounter, &marker));
        if (written) {
            EXPECT_EQ(1u, marker);
        }
    }
}

TEST_F(Counter, TheMarkerAndTheKeysDecideWhetherAThreadStarts) {
    CounterServer server("postresult=1");
    ASSERT_TRUE(server.listening());
    set_number(HKEY_LOCAL_MACHINE, kMakerKey, kDefaultCounter, 1);
    ProbeRun run = count();
    EXPECT_EQ("", run.output);

    set_number(HKEY_LOCAL_MACHINE, kMakerKey, kDefaultCounter, 0);
    run = count();
    EXPECT_EQ(0u, run.output.find(posting(kDefaultCounter) + attempt(kDefaultCounter))) << run.output;
    EXPECT_EQ(1u, server.requests().size());

    // Without the product key (the maker's key being its parent, the
    // product key never stands alone) nothing starts.
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kMakerKey, kDefaultCounter);
    EXPECT_EQ("", count().output);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kMakerKey);
    EXPECT_EQ("", count().output);
    EXPECT_EQ(1u, server.requests().size());
}

// NT lets the product's ordinary user only read the maker's and the
// product's keys: the marker and the counter name are read all the same.
TEST_F(Counter, ReadsKeysItMayOnlyRead) {
    CounterServer server("postresult=0");
    ASSERT_TRUE(server.listening());
    set_text(HKEY_LOCAL_MACHINE, kProductKey, "_infpostcounter", "vantrel_2.pl4");
    set_number(HKEY_LOCAL_MACHINE, kMakerKey, kDefaultCounter, 1);
    ReadOnlyKey maker(HKEY_LOCAL_MACHINE, kMakerKey), product(HKEY_LOCAL_MACHINE, kProductKey);
    ASSERT_TRUE(maker.locked() && product.locked());
    EXPECT_EQ(posting("vantrel_2.pl4") + attempt("vantrel_2.pl4") + "socket-in succeeded!\nresult=0\n" + kExiting,
              count().output);
    EXPECT_EQ(1u, server.requests().size());
}

TEST_F(Counter, TheCounterNameComesFromTheProductKeyAndMustFit) {
    CounterServer server("postresult=1");
    ASSERT_TRUE(server.listening());
    // "POST /file/counter/" and " HTTP/1.0\r\n" leave 229 bytes of 260.
    struct {
        int line;
        std::string name;
        bool posted;
    } cases[] = {
        {__LINE__, "vantrel_2.pl4", true},
        {__LINE__, std::string(229, 'n'), true},
        {__LINE__, std::string(230, 'n'), false},
        // The longest text its buffer holds is read, so it is not taken for
        // a missing name (which would post the default counter).
        {__LINE__, std::string(259, 'n'), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        size_t before = server.requests().size();
        set_text(HKEY_LOCAL_MACHINE, kProductKey, "_infpostcounter", c.name);
        ProbeRun run = count();
        DWORD marker = 0;
        if (!c.posted) {
            EXPECT_EQ("", run.output);
            EXPECT_EQ(before, server.requests().size());
            EXPECT_FALSE(marked(c.name.c_str(), &marker));
            continue;
        }
        EXPECT_EQ(posting(c.name) + attempt(c.name) + "socket-in succeeded!\nresult=1\nsuccessful!\n" + kExiting,
                  run.output);
        std::vector<std::string> requests = server.requests();
        ASSERT_EQ(before + 1, requests.size());
        EXPECT_EQ(request(c.name), requests.back());
        EXPECT_TRUE(marked(c.name.c_str(), &marker));
        EXPECT_FALSE(marked(kDefaultCounter, &marker));
    }
}

TEST_F(Counter, PostsOnlyOnceTheProbeFindsTheNetwork) {
    struct {
        int line;
        const char* agent;  // KIT_AGENT; "missing": no agent beside the probe
        bool posts;
    } cases[] = {
        {__LINE__, "", true},
        {__LINE__, "emptytable", true},
        // A misbehaving agent: the walk ends all the same.
        {__LINE__, "walkerror", true},
        {__LINE__, "endless", true},
        {__LINE__, "noroute", false},
        {__LINE__, "nocounters", false},
        {__LINE__, "noinit", false},
        {__LINE__, "missing", false},
    };
    CounterServer server("postresult=0");
    ASSERT_TRUE(server.listening());
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "line " << c.line);
        size_t before = server.requests().size();
        SetEnvironmentVariableA("KIT_AGENT", c.agent);
        if (!strcmp(c.agent, "missing"))
            DeleteFileA((dir_ / "inetmib1.dll").c_str());
        ProbeRun run = count("", c.posts ? "" : kSleeping);
        if (c.posts) {
            EXPECT_EQ(posting(kDefaultCounter) + attempt(kDefaultCounter) + "socket-in succeeded!\nresult=0\n" + kExiting,
                      run.output);
            EXPECT_EQ(before + 1, server.requests().size());
        } else {
            EXPECT_EQ(posting(kDefaultCounter) + kSleeping, run.output);
            EXPECT_FALSE(run.ended) << "the thread waits for the network";
            EXPECT_EQ(before, server.requests().size());
        }
    }
}

TEST_F(Counter, WinesOwnAgentFailsTheCountersSoTheThreadWaits) {
    // Wine's inetmib1.dll fails the get of ipInReceives (noSuchName): the
    // probe sets no flag. On Windows, whose agent answers, this posts.
    CounterServer server("postresult=0");
    ASSERT_TRUE(server.listening());
    ProbeRun run = run_probe(bin_folder() + "\\prodkit_probe.exe register", kSleeping);
    EXPECT_EQ(posting(kDefaultCounter) + kSleeping, run.output);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(Counter, TwoThreadsPostTwiceLoadTheAgentOnceAndTakeTurnsWithIt) {
    CounterServer server("postresult=0");
    ASSERT_TRUE(server.listening());
    ProbeRun run = count(" 2");
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(2u, server.requests().size());
    EXPECT_NE(std::string::npos, run.output.find("inits=1 overlaps=0\n")) << run.output;
}

TEST_F(Counter, AServerThatNeverAnswersDoesNotKeepTheThread) {
    CounterServer server("", false);
    ASSERT_TRUE(server.listening());
    ProbeRun run = count();
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(posting(kDefaultCounter) + attempt(kDefaultCounter) + "no data!\n" + kExiting, run.output);
}

TEST_F(Counter, WithoutTheOptionalNetworkingTheKitLoadsAndTheThreadEnds) {
    // The 95 family has Winsock only where its networking is installed;
    // Winsock 2, the SNMP agent and dial-up networking are optional on both
    // families. The kit imports none of them: it loads, its exports work,
    // and the counter thread gives up at once.
    for (const char* dll : {"wsock32", "ws2_32", "snmpapi", "inetmib1", "rasapi32"})
        probe_.missing_dll(dll);
    CounterServer server("postresult=1");
    ASSERT_TRUE(server.listening());
    ProbeRun run = count();
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exit_code);
    EXPECT_EQ(posting(kDefaultCounter) + "registration_proc: WSAStartup failed\n", run.output);
    EXPECT_TRUE(server.requests().empty());
    run = run_probe(dir_ / "agent_probe.exe dialup");
    EXPECT_EQ(0u, run.exit_code) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("installed=")) << run.output;
}

TEST_F(Counter, UnloadingTheKitWhileTheThreadRunsIsSafe) {
    HANDLE freed = CreateEventA(nullptr, TRUE, FALSE, "prodkit_probe_freed");
    ASSERT_TRUE(freed);
    {
        CounterServer server("postresult=1", true, freed);
        ASSERT_TRUE(server.listening());
        ProbeRun run = run_probe(dir_ / "agent_probe.exe unload");
        EXPECT_TRUE(run.ended);
        EXPECT_EQ(0u, run.exit_code);
        EXPECT_EQ(posting(kDefaultCounter) + attempt(kDefaultCounter) + "socket-in succeeded!\nresult=1\nsuccessful!\n" +
                      kExiting + "kit loaded after free=1\nkit loaded at end=0\n",
                  run.output);
    }
    CloseHandle(freed);
}

}  // namespace
