# The Linux edition: an executable that links no window library and no shared C++ runtime,
# and its windows in a module that it loads only when a window is needed.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(module_folder /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/vesperon)
else()
  set(module_folder /usr/lib/vesperon)
endif()
set(VESPERON_MODULE_FOLDER ${module_folder} CACHE PATH
    "Where the vesperon-gui package puts the window module; the program looks there second")
# Empty: the settings file and the check list live beside the executable, named after it. The
# Debian package names /etc/vesperon; the names still follow the executable's.
set(VESPERON_CONFIG_FOLDER "" CACHE PATH
    "Where the settings file and the check list live; empty: beside the executable")
if(VESPERON_CONFIG_FOLDER AND NOT IS_ABSOLUTE "${VESPERON_CONFIG_FOLDER}")
  message(FATAL_ERROR "VESPERON_CONFIG_FOLDER must be an absolute path: ${VESPERON_CONFIG_FOLDER}")
endif()

# One folder per technology; the FLTK folder is the window module's alone.
set(posix_folder ${CMAKE_SOURCE_DIR}/src/platform/posix)
file(GLOB VESPERON_POSIX_SOURCES CONFIGURE_DEPENDS ${posix_folder}/core/*.cpp
     ${posix_folder}/proc/*.cpp ${posix_folder}/logind/*.cpp ${posix_folder}/regedit/*.cpp)
add_library(vesperon_posix STATIC ${VESPERON_POSIX_SOURCES})
target_link_libraries(vesperon_posix PUBLIC vesperon_core)
target_compile_definitions(vesperon_posix PRIVATE VESPERON_VERSION="${PROJECT_VERSION}"
                           VESPERON_MODULE_FOLDER="${VESPERON_MODULE_FOLDER}"
                           VESPERON_CONFIG_FOLDER="${VESPERON_CONFIG_FOLDER}")
set(VESPERON_PLATFORM_LIB vesperon_posix)

add_executable(vesperon ${CMAKE_SOURCE_DIR}/src/app/main_posix.cpp)
target_link_libraries(vesperon PRIVATE vesperon_posix)
# Its own copy of the C++ runtime: nothing to map and relocate at every scheduled start.
target_link_options(vesperon PRIVATE -static-libstdc++ -static-libgcc)

# Debian's FLTKConfig.cmake names a fluid that comes in another package; with the headers
# already found, FindFLTK looks for the libraries itself.
find_path(FLTK_INCLUDE_DIR FL/Fl.H)
set(FLTK_SKIP_FLUID ON)
set(FLTK_SKIP_OPENGL ON)
set(FLTK_SKIP_FORMS ON)
set(FLTK_SKIP_IMAGES ON)
find_package(FLTK REQUIRED)

# The FLTK backend, for the module and for the tests that drive it directly.
file(GLOB VESPERON_FLTK_SOURCES CONFIGURE_DEPENDS ${posix_folder}/fltk/*.cpp)
list(REMOVE_ITEM VESPERON_FLTK_SOURCES ${posix_folder}/fltk/fltk_module.cpp)
add_library(vesperon_fltk STATIC ${VESPERON_FLTK_SOURCES})
target_include_directories(vesperon_fltk PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_include_directories(vesperon_fltk SYSTEM PUBLIC ${FLTK_INCLUDE_DIR})
target_link_libraries(vesperon_fltk PUBLIC vesperon_base ${FLTK_LIBRARIES})

# The window module: beside the executable in the build tree, one entry point exported.
add_library(vesperon-fltk MODULE ${CMAKE_SOURCE_DIR}/src/platform/posix/fltk/fltk_module.cpp)
target_link_libraries(vesperon-fltk PRIVATE vesperon_fltk)
target_compile_definitions(vesperon-fltk PRIVATE VESPERON_VERSION="${PROJECT_VERSION}")
set(VESPERON_MODULE_EXPORTS ${CMAKE_SOURCE_DIR}/src/platform/posix/fltk/fltk_module.map)
target_link_options(vesperon-fltk PRIVATE -Wl,--no-undefined
                    -Wl,--version-script=${VESPERON_MODULE_EXPORTS})
set_target_properties(vesperon-fltk PROPERTIES PREFIX "" LINK_DEPENDS ${VESPERON_MODULE_EXPORTS}
                      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set_target_properties(vesperon_fltk vesperon-fltk PROPERTIES POSITION_INDEPENDENT_CODE ON
                      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
add_dependencies(vesperon vesperon-fltk)
include(cmake/packaging.cmake)
