# Installs the build into a fresh prefix and checks that the program, its menu entry and its
# icon land where a desktop's menu looks for them.
#   cmake -DBUILD=<build dir> -DPREFIX=<empty dir> -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(installed
    bin/pirolex
    share/applications/pirolex.desktop
    share/icons/hicolor/scalable/apps/pirolex.svg
    share/pirolex/samples/flyby-120kmh.wav)
  if(NOT EXISTS "${PREFIX}/${installed}")
    message(FATAL_ERROR "not installed: ${installed}")
  endif()
endforeach()

file(STRINGS "${PREFIX}/share/applications/pirolex.desktop" entry)
foreach(line
    "[Desktop Entry]" "Type=Application" "Name=Pirolex" "Exec=pirolex %f" "Icon=pirolex"
    "Categories=AudioVideo;Audio;"
    "Comment=Misst die Fluggeschwindigkeit eines Modellflugzeugs aus einer WAV-Aufnahme des Vorbeiflugs")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "pirolex.desktop lacks the line: ${line}")
  endif()
endforeach()

file(READ "${PREFIX}/share/icons/hicolor/scalable/apps/pirolex.svg" icon)
if(NOT icon MATCHES "<svg[^>]*viewBox=\"0 0 64 64\"")
  message(FATAL_ERROR "pirolex.svg is not a square SVG icon")
endif()

# The desktop's own checker, where it is installed.
find_program(VALIDATE desktop-file-validate)
if(VALIDATE)
  execute_process(COMMAND "${VALIDATE}" "${PREFIX}/share/applications/pirolex.desktop"
                  RESULT_VARIABLE rc OUTPUT_VARIABLE report ERROR_VARIABLE report)
  if(NOT rc EQUAL 0 OR NOT report STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate: ${report}")
  endif()
endif()

execute_process(COMMAND "${PREFIX}/bin/pirolex" --help RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the installed program does not run: ${rc}")
endif()

# The window comes from a module beside the program's libraries. With a platform that does not
# exist, Qt itself refuses to start the window: that proves the installed program found and
# loaded the module without opening anything.
file(GLOB_RECURSE module "${PREFIX}/lib*/pirolex-window.so")
if(NOT module)
  message(FATAL_ERROR "not installed: the window module pirolex-window.so")
endif()
execute_process(COMMAND sh -c "ulimit -c 0; QT_QPA_PLATFORM=pirolex-none exec \"$0\"" "${PREFIX}/bin/pirolex"
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE report)
if(report MATCHES "Fenster" OR NOT report MATCHES "platform plugin")
  message(FATAL_ERROR "the installed program did not reach the window: ${report}")
endif()

# A program without its module says so in German and fails, instead of crashing.
set(alone "${PREFIX}-alone/bin")
file(REMOVE_RECURSE "${PREFIX}-alone")
file(COPY "${PREFIX}/bin/pirolex" DESTINATION "${alone}")
execute_process(COMMAND "${alone}/pirolex" RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE report)
if(NOT rc EQUAL 1 OR NOT report MATCHES "^pirolex: Das Fenster lässt sich nicht starten \\(pirolex-window.so fehlt neben ")
  message(FATAL_ERROR "a program without its window module: status ${rc}, ${report}")
endif()
