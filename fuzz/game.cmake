# Fuzz targets of the game part: the profile file reader through the real compressed stream,
# and the native registry's reading of a Wine prefix's system.reg.
if(NOT WIN32)
    vex_add_fuzzer(profile_fuzz SOURCES profile_fuzz.cpp LIBS vex_game vex_zlib)
    vex_add_fuzzer(registry_fuzz SOURCES registry_fuzz.cpp LIBS vex_game)
endif()
