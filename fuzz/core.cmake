# Fuzz targets of the core.
vex_add_fuzzer(array_fuzz SOURCES array_fuzz.cpp LIBS vex_core)
vex_add_fuzzer(stream_fuzz SOURCES stream_fuzz.cpp LIBS vex_core)
