// The buffered byte stream family: StreamBase (mode and sticky status) and the abstract,
// 512-byte buffered Stream with optional zlib compression and the stream header.
#pragma once

#include <stdint.h>

struct z_stream_s;

// Mode bits, fixed when a stream is begun.
enum : uint32_t {
    ModeRead = 0x1,
    ModeWrite = 0x2,           // exactly one of ModeRead and ModeWrite
    ModePositioned = 0x4,      // every raw transfer names its absolute position; not with ModeText
    ModeKeepExisting = 0x8,    // writing opens an existing file without truncating it
    ModeCreateNew = 0x10,      // writing makes a new file, failing when the name is taken
    ModeText = 0x40,           // CR LF in the file is LF in the stream
    ModeNoHeaderProbe = 0x100, // reading does not look for a stream header
    ModeLevelMask = 0xF000,    // zlib level << 12; zero means plain
};

// Status values. Once not StreamOk, every transfer does nothing until the stream is closed.
enum : uint32_t {
    StreamOk = 0,
    StreamEnd = 1,       // the data ended
    StreamRejected = 2,  // the operation does not fit the stream, or a codec restart failed
    StreamFailed = 4,    // bad mode, allocation failure, failed system call, codec error
};

// zlib flush modes as the buffer operations take them.
enum : int { FlushNone = 0, FlushFinish = 4 };

class StreamBase {
public:
    StreamBase() : mode(0), status(0) {}
    virtual ~StreamBase() {}
    StreamBase(const StreamBase&) = delete;
    StreamBase& operator=(const StreamBase&) = delete;

    // Mode and status back to 0. Returns 1.
    virtual int close();

    uint32_t getMode() const { return mode; }
    uint32_t getStatus() const { return status; }
    // Good: begun for reading or writing, and nothing has gone wrong.
    bool isGood() const { return (mode & (ModeRead | ModeWrite)) != 0 && status == StreamOk; }

protected:
    // Claims an unbegun stream for `newMode`; a begun or stopped one becomes StreamFailed.
    int claim(uint32_t newMode);

    uint32_t mode;
    uint32_t status;
};

class Stream : public StreamBase {
public:
    enum { kBufferSize = 512 };

    Stream();
    ~Stream() override;

    // Drains and flushes a good write stream, ends the codec, frees the buffers. Returns 1 when
    // the stream was good to the end, else 0. A closed stream may be begun again.
    int close() override;

    // Exact-size transfers; a short one stops the stream (StreamEnd or StreamFailed).
    Stream& read(void* destination, int32_t n);
    Stream& write(const void* source, int32_t n);
    // As read, but returns how many bytes came, for callers that take whatever the data holds.
    int32_t readSome(void* destination, int32_t n);
    // Discards up to n bytes; with a delimiter 0..255 stops after the first byte equal to it.
    Stream& skip(int32_t n, int delimiter);
    // The next byte, 0..255, without consuming it; -1 when there is none.
    int peek();

    // Stops the stream as any failure would: for readers that find content that cannot be
    // right (a negative length). A stream already stopped keeps its first status.
    void stop(uint32_t why)
    {
        if (status == StreamOk) status = why;
    }

    // Writes the stream header (magic FF A1 D0, flags, then the optional name, value and
    // 16-byte block) before anything else has been handed on; with `restart`, ends the
    // current zlib stream after it. Nothing to announce writes nothing.
    Stream& writeHeader(const void* block16, const char* name, uint32_t value, int restart);
    // Ends the current zlib stream and starts the next; nothing on a plain stream. A read
    // stream's fresh decompressor goes on with the input already fetched and the running
    // input count, so the length limit still holds.
    Stream& restartCodec();

protected:
    // Checks the mode, claims the stream, allocates the buffer and, for a compressed mode, the
    // codec. Returns 1, or 0 with StreamFailed.
    int begin(uint32_t newMode, int32_t offset, int32_t newLimit);
    void fillBuffer(int flush);
    // Returns rawFlush's result when `flush` is not FlushNone, else 0.
    uint32_t drainBuffer(int flush);
    // Skips a stream header at the start of the logical content, if there is one.
    void probeHeader();

    // The contract with a concrete stream. `count` is in: bytes wanted or offered; out: bytes
    // delivered or accepted. `position` is absolute, or -1 for the current one.
    // rawRead: 0 when at least one byte came, 1 when none, 4 on failure (count 0).
    virtual uint32_t rawRead(void* destination, uint32_t* count, int32_t position) = 0;
    // rawWrite: 0 when count is not 0 afterwards, else or on failure 4 (count 0).
    virtual uint32_t rawWrite(const void* source, uint32_t* count, int32_t position) = 0;
    // rawFlush: 0 on success, 4 on failure.
    virtual uint32_t rawFlush() = 0;

    uint8_t* buffer;
    uint32_t bufferSize;
    uint32_t bufferEnd;   // reading: valid bytes in buffer; writing: bufferSize
    uint32_t bufferPos;   // next byte to hand out or to fill
    uint32_t done;        // bytes before the buffer (plain reading) or already handed on (writing)
    int32_t limit;        // reading: most raw (compressed: consumed compressed) bytes; <0 none
    int32_t baseOffset;   // reading: absolute position of the stream's first byte
    z_stream_s* codec;
    uint8_t* codecBuffer;

private:
    bool compressed() const { return (mode & ModeLevelMask) != 0; }
    int setUpCodec();
    void endCodec();   // the codec and its buffer
    void freeCodec();  // the codec only, ended if it was initialised
    void fillPlain();
    void fillCompressed();
    uint32_t drainPlain(int flush);
    uint32_t drainCompressed(int flush);

    bool codecReady;  // codec holds an initialised zlib stream, to be ended
    bool codecEnded;  // reading: inflate reported the end of the current zlib stream
};
