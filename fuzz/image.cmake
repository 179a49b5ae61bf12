# Fuzz targets of the image part: the BMP and TGA readers through real files, and the TEX
# reader that vexillor-cli inspect uses. Seeds: fuzz/corpus/bmp, tga and tex.
if(NOT WIN32)
    vex_add_fuzzer(bmp_fuzz SOURCES bmp_fuzz.cpp picture_file.cpp LIBS vex_image)
    vex_add_fuzzer(tga_fuzz SOURCES tga_fuzz.cpp picture_file.cpp LIBS vex_image)
    vex_add_fuzzer(tex_fuzz SOURCES tex_fuzz.cpp LIBS vex_image)
endif()
