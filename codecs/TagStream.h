// A file as TagLib reads and writes it, through our own file stream: UTF-8 names on every system,
// inputs opened for reading only, and a write that fails (a full disk) kept and raised once TagLib
// is done. TagLib's own stream drops such failures, and its save() then reports success over a
// damaged file.
#pragma once

#include <memory>
#include <string>

#include <taglib/tiostream.h>

#include "platform/FileStream.h"

namespace deraz {

class TTagStream : public TagLib::IOStream {
public:
    // Opens FileName for reading, and for writing too when Writable; a file that cannot be
    // opened gives a stream that is not open (TagLib then finds the file invalid).
    TTagStream(const std::string& FileName, bool Writable);
    ~TTagStream() override;

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long Length) override;
    void writeBlock(const TagLib::ByteVector& Data) override;
    void insert(const TagLib::ByteVector& Data, unsigned long Start = 0, unsigned long Replace = 0) override;
    void removeBlock(unsigned long Start = 0, unsigned long Length = 0) override;
    bool readOnly() const override { return !FWritable; }
    bool isOpen() const override { return FStream != nullptr; }
    void seek(long Offset, Position Origin = Beginning) override;
    long tell() const override;
    long length() override;
    void truncate(long Length) override;

    // Pushes what was written to the file; raises EFileError with the first write that failed.
    void Finish();

private:
    enum class TLast { Seek, Read, Write };
    // Runs Action on the file, keeping the first failure; once one has failed, nothing more is
    // written.
    template <class TAction> void Guarded(TAction&& Action);
    // Moves the bytes from From to the end of the file so that they start at To.
    void MoveTail(int64_t From, int64_t To);
    // C streams ask for a seek between reading and writing.
    void Switch(TLast Next);

    std::string FName;
    bool FWritable;
    std::unique_ptr<TFileStream> FStream;
    TLast FLast = TLast::Seek;
    std::string FError;
};

} // namespace deraz
