# Run by CPack once the files of a package lie in its staging folder, before the package is made.
# A Debian package carries the zsh completion in /usr/share/zsh/vendor-completions, where Debian's
# zsh looks for the completions of packages; an install under a prefix keeps site-functions,
# where zsh looks under /usr/local and elsewhere. The folder is renamed, so it keeps the modes the
# install gave it.
if(CPACK_GENERATOR STREQUAL "DEB")
  set(zsh_dir ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_TRANCHOR_ZSH_DIR})
  if(NOT EXISTS ${zsh_dir}/site-functions/_tranchor)
    message(FATAL_ERROR "no zsh completion in ${zsh_dir}/site-functions")
  endif()
  file(RENAME ${zsh_dir}/site-functions ${zsh_dir}/vendor-completions)
endif()
