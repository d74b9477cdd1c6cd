#pragma once

#include <taglib/tiostream.h>

#include <string>

namespace trackfold {

// TagLib's own FileStream opens the file for writing when it can, and seeks, stats and reads
// through stdio a dozen times per file. Tags sit at the head and the tail of an MP3, so each of
// those is read once with pread and TagLib's small reads are served from them; a larger tag
// costs one more read. The file is never opened for writing. One stream is reused from file
// to file.
class ReadOnlyStream final : public TagLib::IOStream {
  public:
    ReadOnlyStream() = default;
    ~ReadOnlyStream() override;

    // False when the path is not a regular, non-empty file that can be opened for reading.
    bool open(const char* path);
    void close();

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
    const char* window_bytes(Window& window, long offset, long length);

    std::string path_;
    int fd_ = -1;
    long size_ = 0;
    long position_ = 0;
    char buffer_[kHead + kTail];
    Window head_{buffer_};
    Window tail_{buffer_ + kHead};
};

}  // namespace trackfold
