// A full disk must fail a write, not pass for success. /dev/full takes the
// open and fails every write, which Windows cannot stage as simply.
#include <gtest/gtest.h>
#include "chunks.h"
#include "kcdafile.h"
#include "kfilesdat.h"
#include "mediawrite.h"
#include "tempfolder.h"

namespace {

char kFull[] = "/dev/full";

TEST(DiskFull, EveryWriterReportsIt) {
    kCDAFile track;
    EXPECT_EQ(0, track.write(kFull));

    TempFolder folder;
    MaskRandom random(1);
    std::vector<ArchiveMember> members = {{"m", random.bytes(100), "", 100}};
    ASSERT_TRUE(put_file(folder.path("files.dat"), archive_bytes(members, 64, random)));
    kFilesDat archive;
    ASSERT_EQ(1, archive.open((char*)folder.path("files.dat").c_str()));
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, archive.CopyFileA((char*)"m", kFull, 0));
    testing::internal::GetCapturedStdout();

    ASSERT_TRUE(put_file(folder.path("c"), chunk_bytes(random.bytes(40000), 4096)));
    kFile in, out;
    ASSERT_EQ(1, in.open((char*)folder.path("c").c_str(), (char*)"rb"));
    ASSERT_EQ(1, out.open(kFull, (char*)"wb"));
    ChunkExpander expander(0);
    EXPECT_EQ(0, expander.expand(in, &out));
}

}  // namespace
