# Fuzz targets of the image part: the BMP and TGA readers (one source) through real files, and
# the TEX reader that vexillor-cli inspect uses. Seeds: fuzz/corpus/bmp, tga and tex.
if(NOT WIN32)
    foreach(kind bmp tga)
        vex_add_fuzzer(${kind}_fuzz SOURCES picture_fuzz.cpp LIBS vex_image)
        target_compile_definitions(${kind}_fuzz PRIVATE VEX_EXT="${kind}")
    endforeach()
    vex_add_fuzzer(tex_fuzz SOURCES tex_fuzz.cpp LIBS vex_image)
endif()
