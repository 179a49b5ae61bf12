# Benchmark of the image part: one banner conversion (a 64x64 TGA with three variants) beside
# the floor of writing the same bytes to a new file with one write and one rename; turning a
# 12-megapixel photo upright, in place, beside copying it once.
if(NOT WIN32)
    vex_add_benchmark(convert_bench SOURCES convert_bench.cpp LIBS vex_image)
    vex_add_benchmark(orient_bench SOURCES orient_bench.cpp LIBS vex_image)
endif()
