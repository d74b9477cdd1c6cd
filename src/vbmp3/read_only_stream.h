#pragma once

#include <taglib/tiostream.h>

#include <cstdint>
#include <memory>
#include <string>

namespace trackfold {

// TagLib's own FileStream opens the file for writing when it can, and seeks, stats and reads
// through stdio a dozen times per file. Tags sit at the head and the tail of an MP3, so each of
// those is read once with pread and TagLib's small reads are served from them; a larger tag
// costs one more read. The file is never opened for writing. One stream is reused from file
// to file.
//
// TagLib scans audio byte by byte looking for frames or markers, at a few MB/s: a large file
// without tags, such as a preallocated download that never finished, would take minutes. So
// only the bytes within a reach of the head and the tail are there to be read; the file's
// middle reads as if it had no bytes.
class ReadOnlyStream final : public TagLib::IOStream {
  public:
    // The most a tag is read of, from either end of a file: a tag larger than this holds
    // pictures, and is read as far as this.
    static constexpr long kTagReach = 16 << 20;

    // A file up to this size is read whole at its first read, in one call: its head and its
    // tail are far apart only in larger ones.
    static constexpr long kReadWhole = 128 << 10;

    ReadOnlyStream() = default;
    ~ReadOnlyStream() override;

    // False when the path is not a regular, non-empty file that can be opened for reading.
    bool open(const char* path);
    // Reads a file its caller opened and stated, and keeps open after close(): the one
    // descriptor serves both the tags and the copy.
    bool borrow(int fd, long size);
    void close();

    // Reads stop `head` bytes from the start, and start again `tail` bytes before the end; a
    // new file is read whole until this is called.
    void limit_reach(long head, long tail);

    // The bytes read from files by this thread's streams, ever: what tag reading costs.
    static std::uint64_t bytes_read_on_this_thread();

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return fd_ >= 0; }
    void seek(long offset, Position from) override;
    long tell() const override { return position_; }
    long length() override { return size_; }
    void truncate(long) override {}

  private:
    // ID3v2 header and a small tag at the head; ID3v1, an APE footer and a small APE tag at
    // the tail.
    static constexpr long kHead = 2048;
    static constexpr long kTail = 512;

    struct Window {
        char* bytes;
        long start = 0;
        long size = 0;
        bool loaded = false;
    };

    // Reads [offset, offset + length) at most; false when the file could not be read.
    bool read_at(long offset, char* to, long length, long& got) const;
    // How many of `length` bytes from the position are within reach.
    long reachable(long length) const;
    const char* window_bytes(Window& window, long offset, long length);

    // Sets up the windows of a file of size_ bytes.
    void start_windows();

    std::string path_;
    int fd_ = -1;
    bool owned_ = true;
    long size_ = 0;
    long position_ = 0;
    long head_reach_ = 0;
    long tail_start_ = 0;
    char buffer_[kHead + kTail];
    std::unique_ptr<char[]> whole_;  // for files up to kReadWhole, kept for the next
    long whole_size_ = 0;
    Window head_{buffer_};
    Window tail_{buffer_ + kHead};
};

}  // namespace trackfold
