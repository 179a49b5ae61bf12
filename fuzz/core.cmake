# Fuzz targets of the core.
vex_add_fuzzer(array_fuzz SOURCES array_fuzz.cpp LIBS vex_core)
