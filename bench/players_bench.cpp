// Scanning and sorting 1,000 player profiles, against the floor measured in the same run:
// opening each UserInfo.dat and inflating it with plain zlib. The scan's counter "x_floor" is
// its processor time per run over the floor's (processor time, since the machine is shared).
// The scan runs twice: with a system.reg holding only the game's key, and with one of the size
// a real prefix has (about 1.7 MB, 10,000 keys), which the lookup reads once per scan.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include "game/players.h"
#include "platform/wine_prefix.h"

namespace {

const int kProfiles = 1000;

struct Installation {
    std::string prefix;
    std::vector<std::string> files;  // native paths of the profile files

    Installation()
    {
        char folder[] = "/tmp/vexillor-bench-XXXXXX";
        if (!mkdtemp(folder)) abort();
        prefix = folder;
        std::string players = prefix + "/drive_c/Games/Quillmere/Players";
        std::filesystem::create_directories(players);
        std::filesystem::create_directories(prefix + "/dosdevices");
        if (symlink("../drive_c", (prefix + "/dosdevices/c:").c_str()) != 0) abort();
        UseRegistry(false);
        for (int i = 0; i < kProfiles; ++i) {
            char name[32];
            snprintf(name, sizeof name, "Player%04d", i);
            std::string folder = players + "/" + name;
            std::filesystem::create_directory(folder);
            std::string record;
            uint32_t fields[3] = {kProfileMagic, uint32_t(i % 4), uint32_t(strlen(name))};
            record.append(reinterpret_cast<const char*>(fields), sizeof fields);
            record += name;
            record.append(200, '\0');  // further content the reader does not take
            uLongf size = compressBound(uLong(record.size()));
            std::string packed(size, '\0');
            compress2((Bytef*)&packed[0], &size, (const Bytef*)record.data(), uLong(record.size()), 6);
            packed.resize(size);
            files.push_back(folder + "/UserInfo.dat");
            Write(files.back(), packed);
        }
        UseWinePrefix(prefix.c_str());
    }
    ~Installation()
    {
        std::error_code ec;
        std::filesystem::remove_all(prefix, ec);
    }
    // The game's key alone, or behind as many other keys as a fresh prefix has.
    void UseRegistry(bool realistic)
    {
        std::string text = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n";
        for (int i = 0; realistic && i < 10000; ++i) {
            char section[320];
            snprintf(section, sizeof section,
                     "\n[Software\\\\Classes\\\\CLSID\\\\{%08X-1234-5678-9ABC-DEF012345678}\\\\InProcServer32] 1700000000\n"
                     "#time=1d9f0e4b8c2a3f0\n@=\"C:\\\\windows\\\\system32\\\\component%05d.dll\"\n"
                     "\"ThreadingModel\"=\"Both\"\n\"Flags\"=dword:00000000\n",
                     unsigned(i) * 2654435761u, i);
            text += section;
        }
        text += "\n[Software\\\\Wow6432Node\\\\Tamrivo\\\\Quillmere\\\\BaseGame\\\\FileSystem] 1700000000\n"
                "#time=1d9f0e4b8c2a3f0\n\"OutputDir\"=\"C:\\\\Games\\\\Quillmere\\\\\"\n";
        Write(prefix + "/system.reg", text);
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        FILE* f = fopen(path.c_str(), "wb");
        if (!f || fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) abort();
        fclose(f);
    }
};

Installation& TheInstallation()
{
    static Installation installation;
    return installation;
}

double floorSeconds = 0;  // processor time per run, from the floor benchmark

double ProcessorSeconds() { return double(clock()) / CLOCKS_PER_SEC; }

void BM_FloorOpenAndInflate(benchmark::State& state)
{
    Installation& inst = TheInstallation();
    unsigned char packed[4096], plain[4096];
    double start = ProcessorSeconds();
    for (auto _ : state) {
        for (const std::string& path : inst.files) {
            FILE* f = fopen(path.c_str(), "rb");
            size_t got = fread(packed, 1, sizeof packed, f);
            fclose(f);
            uLongf size = sizeof plain;
            if (uncompress(plain, &size, packed, uLong(got)) != Z_OK) abort();
            benchmark::DoNotOptimize(plain[12]);
        }
    }
    floorSeconds = (ProcessorSeconds() - start) / double(state.iterations());
    state.counters["profiles"] = kProfiles;
}

void BM_ScanAndSortPlayers(benchmark::State& state)
{
    TheInstallation().UseRegistry(state.range(0) != 0);
    SerialStringArray names;
    SerialIntArray races;
    double start = ProcessorSeconds();
    for (auto _ : state) {
        ScanPlayerProfiles(playerFolders, names, races);
        SortPlayersByRace(playerFolders, names, races);
        if (names.count != kProfiles) abort();
    }
    double seconds = (ProcessorSeconds() - start) / double(state.iterations());
    state.counters["profiles"] = kProfiles;
    if (floorSeconds > 0) state.counters["x_floor"] = seconds / floorSeconds;
}

}  // namespace

BENCHMARK(BM_FloorOpenAndInflate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanAndSortPlayers)->ArgName("realistic_registry")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
