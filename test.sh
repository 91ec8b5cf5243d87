#!/usr/bin/env bash
# Builds the test build (AddressSanitizer and UndefinedBehaviorSanitizer) and runs every suite.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/tools/require.sh"
require_packages cmake:cmake g++:g++ make:make /usr/include/openssl/evp.h:libssl-dev tmux:tmux python3:python3 /usr/include/gtest/gtest.h:libgtest-dev
# The checkers of the install tests, installed here at once rather than by two tests running side
# by side; without them those tests report themselves skipped.
require_packages groff:groff-base desktop-file-validate:desktop-file-utils \
  update-mime-database:shared-mime-info xdg-mime:xdg-utils mimetype:libfile-mimeinfo-perl \
  gio:libglib2.0-bin lintian:lintian /usr/share/bash-completion/bash_completion:bash-completion \
  zsh:zsh fish:fish || echo "The install tests will be skipped." >&2
build="$here/build-test"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DTRANCHOR_SANITIZE=ON -DBUILD_TESTING=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
bash "$here/tools/windows.sh"  # the Windows builds; their tests under Wine
