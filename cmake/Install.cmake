# Install layout:
#   bin/ostrel-recovery            the window application
#   bin/<edition launcher>         one link to it per edition: the edition
#                                  follows from the name it is started as
#   bin/ostrel-recover             the headless front end
#   share/ostrel-recovery/resources  signature files and pictures (found from
#                                  bin/ as ../share/ostrel-recovery/resources)
#   share/polkit-1/actions/        the pkexec action of the window application
#   share/applications/            one desktop entry per edition
# The policy and the desktop entries are made from templates in resources/
# with the install prefix given at configure time; DESTDIR is honoured.
# Include after the program targets are defined.
include(GNUInstallDirs)

set(_ostrel_resources_src "${CMAKE_CURRENT_LIST_DIR}/../resources")
set(_ostrel_share_build "${CMAKE_BINARY_DIR}/share")

# The editions: the same table the program is built from.
include("${CMAKE_CURRENT_LIST_DIR}/../src/edition/Editions.cmake")

# Exec= value for one program path: quoted as a whole because launcher names
# hold blanks; inside the quotes " ` $ \ get a backslash, % is doubled, and
# then every backslash is doubled again for the string level of the file.
function(_ostrel_desktop_exec out path)
  string(REPLACE "\\" "\\\\" q "${path}")
  string(REPLACE "\"" "\\\"" q "${q}")
  string(REPLACE "`" "\\`" q "${q}")
  string(REPLACE "$" "\\$" q "${q}")
  string(REPLACE "%" "%%" q "${q}")
  set(q "\"${q}\"")
  string(REPLACE "\\" "\\\\" q "${q}")
  set(${out} "${q}" PARENT_SCOPE)
endfunction()

function(_ostrel_xml_escape out text)
  string(REPLACE "&" "&amp;" t "${text}")
  string(REPLACE "<" "&lt;" t "${t}")
  string(REPLACE ">" "&gt;" t "${t}")
  set(${out} "${t}" PARENT_SCOPE)
endfunction()

# polkit action for the window application.
_ostrel_xml_escape(OSTREL_POLICY_EXEC_PATH "${CMAKE_INSTALL_FULL_BINDIR}/ostrel-recovery")
configure_file("${_ostrel_resources_src}/ostrel-recovery.policy.in"
               "${_ostrel_share_build}/polkit-1/actions/org.ostrel-recovery.policy" @ONLY)

# One desktop entry per edition, named after the edition's identifier.
set(_ostrel_launchers "")
set(_ostrel_desktop_files "")
foreach(_edition IN LISTS OSTREL_EDITIONS)
  string(REPLACE "|" ";" _fields "${_edition}")
  list(GET _fields 1 _key)
  list(GET _fields 2 _launcher)
  list(GET _fields 3 _title)
  list(APPEND _ostrel_launchers "${_launcher}")
  set(OSTREL_DESKTOP_NAME "${_title}")
  _ostrel_desktop_exec(OSTREL_DESKTOP_EXEC "${CMAKE_INSTALL_FULL_BINDIR}/${_launcher}")
  string(REPLACE "\\" "\\\\" OSTREL_DESKTOP_TRYEXEC "${CMAKE_INSTALL_FULL_BINDIR}/${_launcher}")
  set(_file "${_ostrel_share_build}/applications/org.ostrel-recovery.${_key}.desktop")
  configure_file("${_ostrel_resources_src}/ostrel-recovery.desktop.in" "${_file}" @ONLY)
  list(APPEND _ostrel_desktop_files "${_file}")
endforeach()

if(TARGET ostrel-recover)
  install(TARGETS ostrel-recover RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

if(TARGET ostrel-recovery)
  install(TARGETS ostrel-recovery RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # The edition launchers: relative links beside the program, made at install
  # time under DESTDIR and the prefix in force then.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(_bindir_code "\$ENV{DESTDIR}${CMAKE_INSTALL_BINDIR}")
  else()
    set(_bindir_code "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}")
  endif()
  set(_code "set(_ostrel_bindir \"${_bindir_code}\")\n")
  foreach(_launcher IN LISTS _ostrel_launchers)
    string(APPEND _code
      "file(REMOVE \"\${_ostrel_bindir}/${_launcher}\")\n"
      "message(STATUS \"Installing: \${_ostrel_bindir}/${_launcher} -> ostrel-recovery\")\n"
      "file(CREATE_LINK ostrel-recovery \"\${_ostrel_bindir}/${_launcher}\" SYMBOLIC)\n"
      "list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${_ostrel_bindir}/${_launcher}\")\n")
  endforeach()
  install(CODE "${_code}")

  install(FILES "${_ostrel_share_build}/polkit-1/actions/org.ostrel-recovery.policy"
          DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
  install(FILES ${_ostrel_desktop_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()

# The resources as the programs in the build tree see them (bin/resources),
# placed where an installed program looks: ../share/ostrel-recovery/resources
# from its own folder.
cmake_path(SET _ostrel_resources_dest NORMALIZE "${CMAKE_INSTALL_BINDIR}/../share/ostrel-recovery/resources")
if(DEFINED OSTREL_BUILD_RESOURCE_DIR)
  install(DIRECTORY "${OSTREL_BUILD_RESOURCE_DIR}/" DESTINATION "${_ostrel_resources_dest}")
else()
  install(DIRECTORY "${_ostrel_resources_src}/" DESTINATION "${_ostrel_resources_dest}"
          FILES_MATCHING PATTERN "*.dll" PATTERN "*.png" PATTERN "*.pdf")
endif()
