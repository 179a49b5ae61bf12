# Fuzz targets of the game part: the profile file reader through the real
# compressed stream, and the native registry's reading of a Wine prefix's system.reg; Steam's
# files (vdf_fuzz.cpp) and the other launchers' records (records_fuzz.cpp) as the prefix search
# reads them.
if(NOT WIN32)
    vex_add_fuzzer(profile_fuzz SOURCES game_fuzz.cpp LIBS vex_game vex_zlib)
    vex_add_fuzzer(registry_fuzz SOURCES game_fuzz.cpp LIBS vex_game)
    target_compile_definitions(profile_fuzz PRIVATE VEX_FUZZ_PROFILE)
    target_compile_definitions(registry_fuzz PRIVATE VEX_FUZZ_REGISTRY)
    vex_add_fuzzer(vdf_fuzz SOURCES vdf_fuzz.cpp LIBS vex_game)
    vex_add_fuzzer(records_fuzz SOURCES records_fuzz.cpp LIBS vex_game)
endif()
