// One banner conversion in process, beside its floor: the same number of bytes written to a
// new file with one WriteFile and put in place with one MoveFileExA (the same durable replace
// the conversion does). A third case leaves the files out: reading and encoding alone.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/stream.h"
#include "image/convert.h"
#include "image/picture.h"
#include "image/tex_writer.h"
#include "platform/win32.h"

namespace {

// A 64x64 32-bit TGA whose pixels depend on `seed`.
std::vector<uint8_t> Tga64(int seed)
{
    std::vector<uint8_t> f(18, 0);
    f[2] = 2;
    f[12] = 64, f[14] = 64, f[16] = 32, f[17] = 8;
    for (int i = 0; i < 64 * 64 * 4; ++i) f.push_back(uint8_t(i * 7 + seed * 31));
    return f;
}

bool WriteAll(const std::string& corePath, const std::vector<uint8_t>& bytes)
{
    HANDLE h = CreateFileA(corePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    return CloseHandle(h) && ok && written == bytes.size();
}

// The scratch folder, in core form, with logo.tga and logo#1.tga to logo#3.tga.
struct Scene {
    std::string dir;
    std::string source;
    std::string destination;
    Scene()
    {
        char native[] = "/tmp/vex-bench-XXXXXX";
        if (!mkdtemp(native)) abort();
        folder = native;
        dir = folder;
        for (char& c : dir)
            if (c == '/') c = '\\';
        source = dir + "\\logo.tga";
        destination = dir + "\\BannerUserStat.tex";
        if (!WriteAll(source, Tga64(0))) abort();
        for (int k = 1; k <= 3; ++k)
            if (!WriteAll(dir + "\\logo#" + std::to_string(k) + ".tga", Tga64(k))) abort();
    }
    ~Scene()
    {
        for (const char* name : {"logo.tga", "logo#1.tga", "logo#2.tga", "logo#3.tga",
                                 "BannerUserStat.tex", "floor.tex"})
            DeleteFileA((dir + "\\" + name).c_str());
        rmdir(folder.c_str());
    }
    std::string folder;  // native form
};

Scene& TheScene()
{
    static Scene scene;
    return scene;
}

// What a conversion writes: stream header, set header, four 64x64 records of five levels.
const size_t kFileBytes = 20 + 16 + 4 * (28 + 4 * (4096 + 1024 + 256 + 64 + 16));

void BM_ConvertBanner(benchmark::State& state)
{
    Scene& s = TheScene();
    for (auto _ : state) {
        int ok = ConvertBannerPicture(s.source.c_str(), s.destination.c_str());
        if (!ok) state.SkipWithError("conversion failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileBytes));
}

void BM_WriteAndRenameFloor(benchmark::State& state)
{
    Scene& s = TheScene();
    std::vector<uint8_t> bytes(kFileBytes, 0x5A);
    std::string temporary = s.dir + "\\floor.tex.tmp";
    std::string target = s.dir + "\\floor.tex";
    for (auto _ : state) {
        if (!WriteAll(temporary, bytes) ||
            !MoveFileExA(temporary.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            state.SkipWithError("floor write failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kFileBytes));
}

// Counts bytes; nothing reaches a file.
class NullStream : public Stream {
public:
    NullStream() { begin(ModeWrite, 0, -1); }
    ~NullStream() override { close(); }

protected:
    uint32_t rawRead(void*, uint32_t* count, int32_t) override
    {
        *count = 0;
        return StreamFailed;
    }
    uint32_t rawWrite(const void*, uint32_t* count, int32_t) override { return *count ? 0 : 4; }
    uint32_t rawFlush() override { return 0; }
};

void BM_ReadAndEncodeOnly(benchmark::State& state)
{
    Scene& s = TheScene();
    std::string names[4] = {s.source, s.dir + "\\logo#1.tga", s.dir + "\\logo#2.tga",
                            s.dir + "\\logo#3.tga"};
    for (auto _ : state) {
        Picture pictures[4];
        for (int k = 0; k < 4; ++k)
            if (!ReadTgaPicture(pictures[k], names[k].c_str())) state.SkipWithError("read failed");
        NullStream out;
        WriteTextureSetHeader(out, 0x03000022, 4);
        for (Picture& p : pictures) WriteTextureRecord(p, out, 0x03000022, 5);
        out.close();
    }
}

}  // namespace

BENCHMARK(BM_ConvertBanner)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteAndRenameFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadAndEncodeOnly)->Unit(benchmark::kMicrosecond);
