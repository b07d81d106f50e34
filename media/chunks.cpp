// Chunked compressed install files: expansion with zlib's stream inflater.
#include "chunks.h"
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>
#include "le32.h"
#include "mediaos.h"

namespace {

// Deflate cannot expand one byte into more than 1,032: a plain length beyond
// that is damage, and refusing it keeps a forged header from making us
// allocate gigabytes.
const unsigned long long kMaxExpansion = 1032;

// Writes the expanded chunks to the destination on a second thread, so that
// the next chunk expands while the last one is written (of the two plain
// blocks, the one not being expanded into). The first block is written
// here; the thread starts with the second, so a file of one chunk never
// needs it, and where no thread can be had the blocks are written in turn.
class BlockWriter {
public:
    explicit BlockWriter(kFile* file)
        : file_(file), thread_(nullptr), work_(nullptr), done_(nullptr), block_(nullptr), length_(0), blocks_(0),
          pending_(0), ok_(1), end_(0) {}
    ~BlockWriter() {
        wait();
        if (thread_) {
            end_ = 1;
            signal_raise(work_);
            thread_join(thread_);
        }
        if (work_)
            signal_free(work_);
        if (done_)
            signal_free(done_);
    }
    BlockWriter(const BlockWriter&) = delete;
    BlockWriter& operator=(const BlockWriter&) = delete;

    // Waits for the block handed over before, then hands over n bytes at p,
    // which stay untouched until the next write or wait. 0 when an earlier
    // block failed.
    int write(unsigned char* p, unsigned long n) {
        if (!wait())
            return 0;
        if (++blocks_ == 2)
            start();
        if (!thread_)
            return ok_ = file_->write(p, n);
        block_ = p;
        length_ = n;
        pending_ = 1;
        signal_raise(work_);
        return 1;
    }

    // Waits for the block handed over last; 1 when every block was written.
    int wait() {
        if (pending_) {
            signal_wait(done_);
            pending_ = 0;
        }
        return ok_;
    }

private:
    void start() {
        work_ = signal_make();
        done_ = signal_make();
        if (work_ && done_)
            thread_ = thread_start(run, this);
    }

    static KTHREAD run(void* self) {
        BlockWriter& writer = *(BlockWriter*)self;
        for (signal_wait(writer.work_); !writer.end_; signal_wait(writer.work_)) {
            if (!writer.file_->write(writer.block_, writer.length_))
                writer.ok_ = 0;
            signal_raise(writer.done_);
        }
        return 0;
    }

    kFile* file_;
    void* thread_;
    void* work_;  // raised when a block (or the end) is handed over
    void* done_;  // raised when it has been written
    unsigned char* block_;
    unsigned long length_;
    int blocks_, pending_, ok_, end_;
};

}  // namespace

// zlib's stream inflater, in one call straight into the plain block: it
// checks the stream's header and its Adler-32 sum itself, and with the whole
// output in one block it never needs a window of its own. (zlib is built
// without gzip support for it: a chunk is a zlib stream and nothing else.)
int ChunkExpander::inflate_stream(unsigned char* plain, unsigned long packed, unsigned long* produced,
                                  unsigned long* consumed) {
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateInit(&stream) != Z_OK)
        return 0;
    stream.next_in = packed_;
    stream.avail_in = (uInt)packed;
    stream.next_out = plain;
    stream.avail_out = (uInt)*produced;
    int status = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (status != Z_STREAM_END)
        return 0;
    *produced -= stream.avail_out;
    *consumed = packed - stream.avail_in;
    return 1;
}

ChunkExpander::ChunkExpander(int strict)
    : chunks(0), plain_bytes(0), strict_(strict), packed_(nullptr), plain_{nullptr, nullptr}, packed_capacity_(0),
      plain_capacity_{0, 0} {}

ChunkExpander::~ChunkExpander() {
    free(packed_);
    free(plain_[0]);
    free(plain_[1]);
}

int ChunkExpander::grow(unsigned char*& block, unsigned long& capacity, unsigned long n) {
    if (n <= capacity && block)
        return 1;
    free(block);
    capacity = 0;
    // One spare byte: a zero-length block still has an address.
    block = (unsigned char*)malloc(n + 1);
    if (!block)
        return 0;
    capacity = n;
    return 1;
}

int ChunkExpander::expand_one(kFile& source, unsigned long remaining, void* writer) {
    unsigned char header[kChunkHeaderSize];
    if (remaining < kChunkHeaderSize || !source.read(header, sizeof header))
        return 0;
    unsigned long packed = get_le32(header), plain = get_le32(header + 4);
    if (packed > remaining - kChunkHeaderSize || plain > packed * kMaxExpansion)
        return 0;
    // The chunks take turns with the plain blocks: the other one may still
    // be being written.
    int turn = chunks & 1;
    if (!grow(packed_, packed_capacity_, packed) || !grow(plain_[turn], plain_capacity_[turn], plain))
        return 0;
    if (!source.read(packed_, packed))
        return 0;
    unsigned long produced = plain, consumed = 0;
    if (!inflate_stream(plain_[turn], packed, &produced, &consumed))
        return 0;
    if (strict_ && (produced != plain || consumed != packed))
        return 0;
    if (writer && !((BlockWriter*)writer)->write(plain_[turn], produced))
        return 0;
    chunks++;
    plain_bytes += produced;
    return 1;
}

int ChunkExpander::expand(kFile& source, kFile* destination) {
    chunks = 0;
    plain_bytes = 0;
    BlockWriter writer(destination);
    unsigned long size = source.size();
    int ok = 1;
    for (unsigned long at = source.tell(); ok && at < size; at = source.tell())
        ok = expand_one(source, size - at, destination ? &writer : nullptr);
    // Every chunk handed over is written before this returns, also when a
    // later one failed.
    if (!writer.wait())
        ok = 0;
    return ok && (!destination || fflush((FILE*)*destination) == 0);
}

int expand_chunk_file(char* source_path, kFile& destination) {
    kFile source;
    if (!source.open(source_path, (char*)"rb"))
        return 0;
    ChunkExpander expander(0);
    return expander.expand(source, &destination);
}
