# The Windows edition: a 32-bit GUI-subsystem executable that imports only Windows' own DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)

file(GLOB VESPERON_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(vesperon_win32 STATIC ${VESPERON_WIN32_SOURCES})
target_link_libraries(vesperon_win32 PUBLIC vesperon_core comdlg32 user32 gdi32 advapi32 kernel32
                      psapi shell32 ole32)
set(VESPERON_PLATFORM_LIB vesperon_win32)

# The message table that the event log shows entries with.
set(VESPERON_MC_DIR ${CMAKE_BINARY_DIR}/messages)
add_custom_command(
  OUTPUT ${VESPERON_MC_DIR}/messages.rc ${VESPERON_MC_DIR}/MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${VESPERON_MC_DIR}
  COMMAND ${CMAKE_MC_COMPILER} -U -h ${VESPERON_MC_DIR} -r ${VESPERON_MC_DIR}
          ${CMAKE_SOURCE_DIR}/src/eventlog/messages.mc
  DEPENDS ${CMAKE_SOURCE_DIR}/src/eventlog/messages.mc
  COMMENT "Compiling the message table")
set_source_files_properties(${VESPERON_MC_DIR}/messages.rc PROPERTIES GENERATED TRUE)

add_executable(vesperon WIN32 src/app/main_win32.cpp src/app/version.rc
               ${VESPERON_MC_DIR}/messages.rc)
set_target_properties(vesperon PROPERTIES OUTPUT_NAME vesperon SUFFIX .exe)
target_include_directories(vesperon PRIVATE ${VESPERON_MC_DIR})
target_link_libraries(vesperon PRIVATE vesperon_win32)
target_link_options(vesperon PRIVATE $<$<CONFIG:Release>:-s>)
