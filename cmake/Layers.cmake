# The layer order of the source tree, lowest first (the shell, Mivora/, with its subfolders). A folder may include its own headers and those of the
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
    MivoraUI/Kit
    MivoraUI/Model
    MivoraUI/HUD
    MivoraUI/Suggest
    MivoraUI/Memories
    MivoraUI/Steps
    MivoraUI/Tutorial
    MivoraUI/Home
    MivoraUI/Account
    MivoraUI/Settings
    MivoraUI/Welcome
    MivoraUI/Window
    Mivora)
# The widget library's screens stand on the kit and the model; a screen may include another screen only when it hosts it
# (the strip's chip is filled like the HUD's pill, the tutorial's stage draws the chip and the pill, the settings
# page hosts the steps and the account block, the welcome the steps, the account block and the compact lessons,
# the window the pages and the welcome), never one that hosts it or one beside it.
# The kit and the window's model (sections, lessons, the services it lends the pages) stand below every screen.
set(MIVORA_UI_BASE MivoraUI/Kit MivoraUI/Model)
set(MIVORA_UI_HOSTS
    "MivoraUI/Suggest:MivoraUI/HUD"
    "MivoraUI/Tutorial:MivoraUI/HUD,MivoraUI/Suggest"
    "MivoraUI/Settings:MivoraUI/Steps,MivoraUI/Account"
    "MivoraUI/Welcome:MivoraUI/Steps,MivoraUI/Account,MivoraUI/Tutorial"
    "MivoraUI/Window:MivoraUI/Home,MivoraUI/Tutorial,MivoraUI/Memories,MivoraUI/Settings,MivoraUI/Welcome")
set(MIVORA_BACKENDS MivoraCore/Platform/Linux MivoraCore/Platform/Offscreen)

if(NOT CMAKE_SCRIPT_MODE_FILE AND NOT TARGET mivora_check_layers)
    add_custom_target(mivora_check_layers
        COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/CheckLayers.cmake
        COMMENT "Checking that no folder includes a layer above it"
        VERBATIM)
endif()
