# Fuzz targets of the image part: the BMP and TGA readers (one source) through real files, the
# TEX reader that vexillor-cli inspect uses, the command line's picture reader with the
# fitting, and the EXIF orientation reader. Seeds: fuzz/corpus/bmp, tga, tex, fit and exif.
if(NOT WIN32)
    foreach(kind bmp tga)
        vex_add_fuzzer(${kind}_fuzz SOURCES picture_fuzz.cpp LIBS vex_image)
        target_compile_definitions(${kind}_fuzz PRIVATE VEX_EXT="${kind}")
    endforeach()
    vex_add_fuzzer(tex_fuzz SOURCES tex_fuzz.cpp LIBS vex_image)
    vex_add_fuzzer(fit_fuzz SOURCES fit_fuzz.cpp LIBS vex_image)
    vex_add_fuzzer(exif_fuzz SOURCES exif_fuzz.cpp LIBS vex_image)
endif()
