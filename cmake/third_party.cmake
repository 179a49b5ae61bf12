# Header-only libraries from Debian's packages. The MinGW build must not see the host's
# /usr/include (its C library headers would shadow MinGW's), so each library is reached through
# a folder of links in the build tree that holds nothing else.
set(VEX_THIRD_PARTY ${CMAKE_BINARY_DIR}/third-party)
file(MAKE_DIRECTORY ${VEX_THIRD_PARTY})

# vex_header_library(TARGET FOLDER): TARGET adds FOLDER's parent, through a link named after FOLDER.
function(vex_header_library target folder)
    if(NOT EXISTS ${folder})
        message(FATAL_ERROR "${folder} is missing: run ./build.sh deps")
    endif()
    get_filename_component(name ${folder} NAME)
    file(CREATE_LINK ${folder} ${VEX_THIRD_PARTY}/${name} SYMBOLIC)
    add_library(${target} INTERFACE)
    target_include_directories(${target} SYSTEM INTERFACE ${VEX_THIRD_PARTY})
endfunction()

vex_header_library(vex_cli11 /usr/include/CLI)  # libcli11-dev
vex_header_library(vex_stb /usr/include/stb)    # libstb-dev
