# SPDX-License-Identifier: GPL-3.0-or-later
# Run by cmake --install (and cpack): installs the menu entry with an Exec
# line that starts the program where this install puts it. Under /usr the
# bare name does, as the session's PATH holds /usr/bin; under any other
# prefix (~/.local, /opt/...) the full path, for a session whose PATH lacks
# that bin folder.
# Needs SHEAFPAD_DESKTOP_TEMPLATE, SHEAFPAD_DESKTOP_STAGE, SHEAFPAD_BINDIR and
# SHEAFPAD_DATADIR (the last two as GNUInstallDirs has them).
set(bindir "${SHEAFPAD_BINDIR}")
if(NOT IS_ABSOLUTE "${bindir}")
    set(bindir "${CMAKE_INSTALL_PREFIX}/${bindir}")
endif()
cmake_path(NORMAL_PATH bindir)
string(REGEX REPLACE "/+$" "" bindir "${bindir}")
if(bindir STREQUAL "/usr/bin")
    set(SHEAFPAD_EXEC Sheafpad)
else()
    set(SHEAFPAD_EXEC "${bindir}/Sheafpad")
    if(SHEAFPAD_EXEC MATCHES "[^A-Za-z0-9/._+,:@=-]")
        # Quoted as the desktop entry standard has it: within quotes, " ` $ \
        # take a backslash; then the value's own escapes double each backslash.
        string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" SHEAFPAD_EXEC "${SHEAFPAD_EXEC}")
        set(SHEAFPAD_EXEC "\"${SHEAFPAD_EXEC}\"")
        string(REPLACE "\\" "\\\\" SHEAFPAD_EXEC "${SHEAFPAD_EXEC}")
    endif()
    string(REPLACE "%" "%%" SHEAFPAD_EXEC "${SHEAFPAD_EXEC}")
endif()
set(datadir "${SHEAFPAD_DATADIR}")
if(NOT IS_ABSOLUTE "${datadir}")
    set(datadir "${CMAKE_INSTALL_PREFIX}/${datadir}")
endif()
get_filename_component(name "${SHEAFPAD_DESKTOP_TEMPLATE}" NAME_WLE)
configure_file("${SHEAFPAD_DESKTOP_TEMPLATE}" "${SHEAFPAD_DESKTOP_STAGE}/${name}" @ONLY)
# file(INSTALL) adds DESTDIR and lists the file in the install manifest.
file(INSTALL DESTINATION "${datadir}/applications" TYPE FILE
     FILES "${SHEAFPAD_DESKTOP_STAGE}/${name}")
