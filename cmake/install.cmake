# Installation in the GNU layout under any prefix, and the Debian package made from it by CPack;
# on Windows, the folder of the download and its zip.
#   cmake --install BUILD [--prefix DIR]      bin/, libexec/tranchor/, share/man/man1/,
#                                              share/applications/, share/mime/packages/, share/doc/tranchor/,
#                                              the shells' completion folders under share/
#   (cd BUILD && cpack -G DEB)                 tranchor_VERSION_ARCH.deb, from a release build
#   (cd BUILD && cpack -G ZIP)                 tranchor-VERSION-win32.zip or -win64.zip, from a mingw build:
#                                              tranchor.exe, README.txt, LICENSE.txt
include(GNUInstallDirs)

# Directories made by the install are world-readable whatever the umask, so the package's are too.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Every file belongs to one component, which is what CPack installs (see CPACK_INSTALL_CMAKE_PROJECTS).
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME tranchor)

set(TRANCHOR_PACKAGE_MAINTAINER "Tranchor maintainers <tranchor@aldermoor.example>"
  CACHE STRING "Maintainer named in the Debian package and its changelog (Name <address>)")

if(WIN32)
  # The download holds the program and its two texts side by side, the texts with the CRLF line
  # ends that every Windows editor shows as lines. They are made again when a source changes.
  function(tranchor_windows_text source name)
    file(READ ${PROJECT_SOURCE_DIR}/${source} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    file(WRITE ${CMAKE_BINARY_DIR}/windows/${name} "${content}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${source})
    install(FILES ${CMAKE_BINARY_DIR}/windows/${name} DESTINATION .)
  endfunction()
  tranchor_windows_text(README.md README.txt)
  tranchor_windows_text(LICENSE LICENSE.txt)
  install(TARGETS tranchor RUNTIME DESTINATION .)
else()
  install(TARGETS tranchor RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/share/copyright
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # Completion of the options and names, in the folders the shells load them from on their own.
  set(TRANCHOR_COMPLETIONS ${PROJECT_SOURCE_DIR}/share/completions)
  install(FILES ${TRANCHOR_COMPLETIONS}/tranchor.bash RENAME tranchor
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
  install(FILES ${TRANCHOR_COMPLETIONS}/_tranchor DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
  install(FILES ${TRANCHOR_COMPLETIONS}/tranchor.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
endif()

if(UNIX AND NOT APPLE)
  # The man page and the changelog are installed compressed (gzip -9n: no name, no time stamp, so
  # the same sources give the same bytes). The changelog's closing line names the maintainer.
  set(TRANCHOR_DOC_BUILD_DIR ${CMAKE_BINARY_DIR}/doc)
  function(tranchor_compress source name)
    set(plain ${TRANCHOR_DOC_BUILD_DIR}/${name})
    add_custom_command(OUTPUT ${plain}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${plain}
      COMMAND gzip -9nf ${plain}
      DEPENDS ${source} VERBATIM)
  endfunction()
  # Both carry the project's version, written in one place (the project line of CMakeLists.txt).
  configure_file(${PROJECT_SOURCE_DIR}/share/changelog.in ${TRANCHOR_DOC_BUILD_DIR}/changelog.source @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/doc/tranchor.1.in ${TRANCHOR_DOC_BUILD_DIR}/tranchor.1.source @ONLY)
  tranchor_compress(${TRANCHOR_DOC_BUILD_DIR}/changelog.source changelog)
  tranchor_compress(${TRANCHOR_DOC_BUILD_DIR}/tranchor.1.source tranchor.1)
  add_custom_target(tranchor_docs ALL
    DEPENDS ${TRANCHOR_DOC_BUILD_DIR}/changelog.gz ${TRANCHOR_DOC_BUILD_DIR}/tranchor.1.gz)
  install(FILES ${TRANCHOR_DOC_BUILD_DIR}/tranchor.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${TRANCHOR_DOC_BUILD_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

  # The MIME type of piece 1; the package's file triggers (shared-mime-info, desktop-file-utils)
  # rebuild the system's MIME and desktop databases when the package comes and goes.
  install(FILES ${PROJECT_SOURCE_DIR}/share/tranchor.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

  # The desktop entry starts the launcher, which keeps the terminal window open after the run. The
  # entry names the launcher by its full path and the launcher names the program by its own; both
  # are known only when the install runs (cmake --install --prefix DIR, or /usr for the package).
  foreach(dir BINDIR LIBEXECDIR)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
      set(TRANCHOR_INSTALL_${dir} "${CMAKE_INSTALL_${dir}}")
    else()
      set(TRANCHOR_INSTALL_${dir} "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_${dir}}")
    endif()
  endforeach()
  set(TRANCHOR_DESKTOP_BUILD_DIR ${CMAKE_BINARY_DIR}/desktop)
  install(CODE "
    set(TRANCHOR_PROGRAM \"${TRANCHOR_INSTALL_BINDIR}/tranchor\")
    set(TRANCHOR_LAUNCHER \"${TRANCHOR_INSTALL_LIBEXECDIR}/tranchor/desktop-launch\")
    configure_file(\"${PROJECT_SOURCE_DIR}/share/desktop-launch.in\"
      \"${TRANCHOR_DESKTOP_BUILD_DIR}/desktop-launch\" @ONLY)
    configure_file(\"${PROJECT_SOURCE_DIR}/share/tranchor.desktop.in\"
      \"${TRANCHOR_DESKTOP_BUILD_DIR}/tranchor.desktop\" @ONLY)
    file(INSTALL DESTINATION \"${TRANCHOR_INSTALL_LIBEXECDIR}/tranchor\" TYPE PROGRAM
      FILES \"${TRANCHOR_DESKTOP_BUILD_DIR}/desktop-launch\")
    file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\" TYPE FILE
      FILES \"${TRANCHOR_DESKTOP_BUILD_DIR}/tranchor.desktop\")
  ")
endif()

set(CPACK_PACKAGE_NAME tranchor)
set(CPACK_PACKAGE_VENDOR "Aldermoor")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TRANCHOR_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "split a file into numbered pieces and glue them together again")
# One line each, as the Debian control file wants them.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Tranchor is a full-screen console tool that cuts one file into numbered"
  "pieces of a size you choose (NAME.1, NAME.2, ...) and puts such a set of"
  "pieces back together into the whole file, byte for byte. The first piece"
  "carries a small header with the file's extension and the number of pieces,"
  "so that the glue can check that the set is complete.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})
# CPack installs the component by name, so its list of installed files goes to
# install_manifest_tranchor.txt: install_manifest.txt stays the list of the last cmake --install.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};tranchor;/")
if(WIN32)
  # The Windows download: tranchor-2.1-win64.zip from a 64-bit build, -win32.zip from a 32-bit one,
  # with the three files at its top rather than in a folder of the zip's name.
  math(EXPR TRANCHOR_TARGET_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_NAME}-${PROJECT_VERSION}-win${TRANCHOR_TARGET_BITS})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
elseif(UNIX AND NOT APPLE)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Debian's zsh reads the completions of packages from vendor-completions, not site-functions.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_staging.cmake)
set(CPACK_TRANCHOR_ZSH_DIR ${CMAKE_INSTALL_DATADIR}/zsh)
# dpkg-shlibdeps (from dpkg-dev) reads the libraries and symbol versions the program really needs.
# Without it the package names the C library of a Debian 12 build (the C++ run-time is linked in).
find_program(TRANCHOR_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TRANCHOR_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= 2.34), libssl3 (>= 3.0.0)")
endif()

# A source archive holds the sources only, never a build tree or the repository.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/" "/_CPack_Packages/")

include(CPack)
