# Benchmarks of the game part: scanning and sorting 1,000 player profiles beside the floor of
# opening and inflating their files with plain zlib.
if(NOT WIN32)
    vex_add_benchmark(players_bench SOURCES players_bench.cpp LIBS vex_game vex_zlib)
endif()
