// The media builder as a program: build, list, verify, extract, and its
// refusals, on the sample product.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include "tempfolder.h"

namespace {

struct Outcome {
    int status;
    std::string output;
};

Outcome run(const std::string& arguments) {
    std::string command = std::string(MEDIABUILD) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    Outcome result = {-1, ""};
    if (!pipe)
        return result;
    char block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, pipe)) > 0)
        result.output.append(block, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string sample_manifest() {
    return std::string(PRODUCT_DIR) + "/manifest.txt";
}

class BuilderTest : public ::testing::Test {
protected:
    void SetUp() override {
        media = folder.path("media");
        Outcome built = run("build --seed 9 " + std::string(PRODUCT_DIR) + " " + sample_manifest() + " " + media);
        ASSERT_EQ(0, built.status) << built.output;
    }
    void flip(const std::string& name, long at) {
        Bytes bytes = file_bytes(media + "/" + name);
        ASSERT_FALSE(bytes.empty()) << name;
        size_t i = at < 0 ? bytes.size() + at : (size_t)at;
        bytes[i] ^= 0x01;
        ASSERT_TRUE(put_file(media + "/" + name, bytes));
    }

    TempFolder folder;
    std::string media;
};

TEST_F(BuilderTest, ListsEveryForm) {
    Outcome listed = run("list " + media);
    ASSERT_EQ(0, listed.status) << listed.output;
    for (const char* line : {"plain      readme.txt", "archive    index.html", "compressed help.dat", "masked     settings.bin",
                             "settings.bin"})
        EXPECT_NE(std::string::npos, listed.output.find(line)) << line << "\n" << listed.output;
    EXPECT_TRUE(file_exists(media + "/license.txt"));
    EXPECT_TRUE(file_exists(media + "/autorun.inf"));
}

TEST_F(BuilderTest, ExtractGivesTheProductFiles) {
    std::string out = folder.path("out");
    Outcome extracted = run("extract " + media + " " + out);
    ASSERT_EQ(0, extracted.status) << extracted.output;
    const char* pairs[][2] = {{"readme.txt", "readme.txt"},
                              {"help/index.html", "help/index.html"},
                              {"data/empty.log", "logs/empty.log"},
                              {"data/help.dat", "help/help.dat"},
                              {"data/settings.bin", "settings.bin"}};
    for (auto& p : pairs) {
        ASSERT_TRUE(file_exists(out + "/" + p[1])) << p[1];
        EXPECT_EQ(file_bytes(std::string(PRODUCT_DIR) + "/" + p[0]), file_bytes(out + "/" + p[1])) << p[1];
    }
    EXPECT_FALSE(file_exists(out + "/settings.bin.t"));
}

TEST_F(BuilderTest, VerifyAcceptsTheMediaAndRejectsOneFlippedByte) {
    ASSERT_EQ(0, run("verify " + media).status);
    struct {
        int line;
        const char* file;
        long at;
        bool format_catches;  // found without contents.crc, by the formats' own checks
    } flips[] = {
        {__LINE__, "install.dat", 3, true},    // "total" no longer found
        // files.dat of the sample (block size 4096): index.html, empty.log,
        // then settings.bin's pad; the directory ends at 1104.
        {__LINE__, "files.dat", 813, true},    // the pad's block size
        {__LINE__, "files.dat", 9306, true},   // a pad byte
        {__LINE__, "files.dat", 1104, false},  // a byte of index.html: only contents.crc knows it
        {__LINE__, "files.dat", 8, true},      // its name: the list names a member no longer there
        {__LINE__, "setup/help.dat", 40, true},
        {__LINE__, "setup/settings.bin", 30, true},
        {__LINE__, "setup/settings.bin", 13, true},  // pad checksum in the header
        {__LINE__, "readme.txt", 0, false},
        {__LINE__, "license.txt", 5, false},
    };
    Bytes sums = file_bytes(media + "/contents.crc");
    for (auto& f : flips) {
        Bytes original = file_bytes(media + "/" + f.file);
        flip(f.file, f.at);
        Outcome checked = run("verify " + media);
        EXPECT_EQ(1, checked.status) << "line " << f.line;
        EXPECT_NE(std::string::npos, checked.output.find(f.file)) << "line " << f.line << ": " << checked.output;
        remove((media + "/contents.crc").c_str());
        EXPECT_EQ(f.format_catches ? 1 : 0, run("verify " + media).status) << "line " << f.line;
        ASSERT_TRUE(put_file(media + "/contents.crc", sums));
        ASSERT_TRUE(put_file(media + "/" + f.file, original));
    }
    EXPECT_EQ(0, run("verify " + media).status);
}

TEST(Builder, RefusesBadManifestsNamingTheFault) {
    TempFolder folder;
    std::string product = PRODUCT_DIR;
    struct {
        int line;
        const char* manifest;
        const char* message;
    } cases[] = {
        {__LINE__, "plain readme.txt a\narchive readme.txt b\n", "manifest.txt:2: the name 'readme.txt' is already used"},
        {__LINE__, "masked data/empty.log e\n", "empty file cannot be masked"},
        {__LINE__, "plain absent.txt a\n", "absent.txt: missing or not a file"},
        {__LINE__, "copy readme.txt a\n", "manifest.txt:1: unknown directive 'copy'"},
        {__LINE__, "plain readme.txt ..\\outside\n", "destination '..\\outside'"},
        {__LINE__, "plain readme.txt\n", "needs SOURCE and DEST"},
        {__LINE__, "block-size x\n", "block-size needs one number"},
        {__LINE__, "extra install.dat\n", "install.dat"},
        {__LINE__, "plain readme.txt c:readme.txt\n", "destination 'c:readme.txt'"},
    };
    for (auto& c : cases) {
        std::string manifest = folder.path("manifest.txt");
        ASSERT_TRUE(put_text(manifest, c.manifest));
        Outcome built = run("build " + product + " " + manifest + " " + folder.path("media"));
        EXPECT_EQ(1, built.status) << "line " << c.line;
        EXPECT_NE(std::string::npos, built.output.find(c.message)) << "line " << c.line << ": " << built.output;
    }
}

TEST(Builder, RefusesMediaWhereTheScriptWouldFindAnotherFile) {
    // A file left in the media folder by an earlier build is found by the
    // script before the form the manifest gives (Windows ignores case).
    struct {
        int line;
        const char* stale;  // below the media folder
        const char* message;
    } cases[] = {
        {__LINE__, "index.html", "entry 2 'index.html' would be installed as plain, not archive"},
        {__LINE__, "setup/INDEX.HTML", "entry 2 'index.html' would be installed as masked, not archive"},
        {__LINE__, "Help.dat", "entry 4 'help.dat' would be installed as plain, not compressed"},
    };
    for (auto& c : cases) {
        TempFolder folder;
        std::string media = folder.path("media");
        mkdir(media.c_str(), 0755);
        mkdir((media + "/setup").c_str(), 0755);
        ASSERT_TRUE(put_text(media + "/" + c.stale, "left over"));
        Outcome built = run("build " + std::string(PRODUCT_DIR) + " " + sample_manifest() + " " + media);
        EXPECT_EQ(1, built.status) << "line " << c.line;
        EXPECT_NE(std::string::npos, built.output.find(c.message)) << "line " << c.line << ": " << built.output;
    }
}

TEST(Builder, CommandLine) {
    Outcome help = run("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_NE(std::string::npos, help.output.find("masked     SOURCE DEST"));
    EXPECT_EQ(2, run("").status);
    EXPECT_EQ(2, run("build --chunk-size").status);
    EXPECT_EQ(2, run("frobnicate x").status);
    EXPECT_EQ(1, run("verify /nonexistent/media").status);
}

TEST(Builder, LargeMediaShowProgressAndTheOptionsApply) {
    TempFolder folder;
    Bytes big(20u << 20);
    for (size_t i = 0; i < big.size(); i++)
        big[i] = (unsigned char)((i * 2654435761u) >> 13);
    ASSERT_TRUE(put_file(folder.path("big.bin"), big));
    ASSERT_TRUE(put_text(folder.path("m.txt"), "compressed big.bin big.bin\narchive big.bin copy.bin\n"));
    Outcome built = run("build --chunk-size 262144 --block-size 8192 " + folder.root() + " " + folder.path("m.txt") + " " +
                    folder.path("media"));
    EXPECT_EQ(1, built.status) << "the same name twice";
    ASSERT_TRUE(put_text(folder.path("m.txt"), "compressed big.bin big.bin\n"));
    built = run("build --chunk-size 262144 " + folder.root() + " " + folder.path("m.txt") + " " + folder.path("media"));
    ASSERT_EQ(0, built.status) << built.output;
    EXPECT_NE(std::string::npos, built.output.find("MiB packed"));
    Bytes packed = file_bytes(folder.path("media/setup/big.bin"));
    ASSERT_GE(packed.size(), 8u);
    EXPECT_EQ(262144u, packed[4] | packed[5] << 8 | packed[6] << 16 | (unsigned)packed[7] << 24);
    EXPECT_EQ(0, run("verify " + folder.path("media")).status);
}

}  // namespace
