# The layer order of the source tree, lowest first. A folder may include its own headers and those of the
# folders before it in this list, except the platform backends, which only the shell (Mivora/) and the
# tests may include. The check runs with every build, so an upward include fails the build.
set(MIVORA_LAYERS
    MivoraCore/Support
    MivoraCore/Platform
    MivoraCore/Platform/Linux
    MivoraCore/Platform/Offscreen
    MivoraCore/Keys
    MivoraCore/Audio
    MivoraCore/Cloud
    MivoraCore/Insertion
    MivoraCore/Memories
    MivoraCore/Dictation
    MivoraCore/Suggest
    MivoraCore/Account
    MivoraUI
    Mivora)
set(MIVORA_BACKENDS MivoraCore/Platform/Linux MivoraCore/Platform/Offscreen)

if(NOT CMAKE_SCRIPT_MODE_FILE AND NOT TARGET mivora_check_layers)
    add_custom_target(mivora_check_layers
        COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
        COMMENT "Checking that no folder includes a layer above it"
        VERBATIM)
endif()
