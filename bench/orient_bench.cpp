// Turning a 12-megapixel photo (4000x3000) upright, beside a floor: one copy of the same bytes
// with memcpy into a fresh block, what a sideways turn would cost if it were allowed a second
// block. The turn works in place, its pixels moved round the cycles of the transposition.
#include <stdint.h>
#include <string.h>

#include <benchmark/benchmark.h>

#include "core/zero_alloc.h"
#include "image/exif_orientation.h"

namespace {

const uint32_t kWidth = 4000, kHeight = 3000;
const size_t kBytes = size_t(kWidth) * kHeight * 4;

uint8_t* Photo()
{
    uint8_t* p = static_cast<uint8_t*>(zeroAlloc(kBytes));
    for (size_t i = 0; p && i < kBytes; ++i) p[i] = uint8_t(i * 13 + i / 4000);
    return p;
}

void BM_Orientation(benchmark::State& state)
{
    uint8_t* pixels = Photo();
    uint32_t w = kWidth, h = kHeight;
    for (auto _ : state) {
        if (!ApplyOrientation(int(state.range(0)), pixels, w, h)) state.SkipWithError("no memory");
        benchmark::DoNotOptimize(pixels);
    }
    zeroFree(pixels);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

void BM_CopyFloor(benchmark::State& state)
{
    uint8_t* pixels = Photo();
    for (auto _ : state) {
        uint8_t* copy = static_cast<uint8_t*>(zeroAlloc(kBytes));
        if (!copy) state.SkipWithError("no memory");
        memcpy(copy, pixels, kBytes);
        benchmark::DoNotOptimize(copy);
        zeroFree(pixels);
        pixels = copy;
    }
    zeroFree(pixels);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kBytes));
}

}  // namespace

BENCHMARK(BM_Orientation)->Arg(2)->Arg(3)->Arg(4)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFloor)->Unit(benchmark::kMillisecond);
