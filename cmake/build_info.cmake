# Writes build_info.h with the commit the build comes from; rewritten only when it changes,
# so that an unchanged commit rebuilds nothing. Run at every build: cmake -DSOURCE=... -DOUT=... -P
execute_process(COMMAND git -C "${SOURCE}" rev-parse --short=12 HEAD
                OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                RESULT_VARIABLE failed)
if(failed OR commit STREQUAL "")
  set(commit "unknown")
endif()
execute_process(COMMAND git -C "${SOURCE}" status --porcelain --untracked-files=no
                OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT changes STREQUAL "")
  string(APPEND commit "+changes")
endif()
set(text "#pragma once\n#define VESPERON_COMMIT \"${commit}\"\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
