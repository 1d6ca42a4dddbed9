#!/usr/bin/env bash
# The layer check passes on the real tree and fails on a tree with one upward
# include, a same-tier include, a folder it does not know, or the program
# state included below the window or in znt, or the main window's class
# included by another window file.
set -euo pipefail
check=$1
real_src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$check" "$real_src" >/dev/null || { echo "FAIL: the real tree does not pass"; exit 1; }

make_tree() {
  rm -rf "$tmp/src"; mkdir -p "$tmp/src/core" "$tmp/src/store" "$tmp/src/ui" "$tmp/src/cli"
  printf 'core\nstore\nui cli\n' >"$tmp/src/layers.txt"
  printf '#pragma once\n' >"$tmp/src/core/A.h"
  printf '#include "core/A.h"\n#include <vector>\n' >"$tmp/src/store/B.cpp"
  printf '#include "store/B.h"\n#include "core/A.h"\n' >"$tmp/src/ui/C.cpp"
}
expect() { # expect STATUS DESCRIPTION
  set +e; out=$("$check" "$tmp/src" 2>&1); rc=$?; set -e
  if [ "$rc" -ne "$1" ]; then echo "FAIL: $2 (exit $rc): $out"; exit 1; fi
}

make_tree; expect 0 "a clean tree"
make_tree; printf '#include "store/B.h"\n' >>"$tmp/src/core/A.h"; expect 1 "core including store"
make_tree; printf '  #  include "ui/C.h"\n' >"$tmp/src/store/D.cpp"; expect 1 "an indented include upward"
make_tree; printf '#include "cli/X.h"\n' >"$tmp/src/ui/E.cpp"; expect 1 "ui including cli"
make_tree; printf '#include "core/ProgramState.h"\n' >"$tmp/src/ui/G.cpp"; expect 0 "the window including the program state"
make_tree; printf '#include "core/ProgramState.h"\n' >"$tmp/src/store/G.cpp"; expect 1 "store including the program state"
make_tree; printf '#include "core/ProgramState.h"\n' >"$tmp/src/cli/G.cpp"; expect 1 "znt including the program state"
make_tree; mkdir -p "$tmp/src/ui/main" "$tmp/src/app"; printf 'app\n' >>"$tmp/src/layers.txt"
printf '#include "ui/main/MainForm.h"\n' >"$tmp/src/ui/main/MainForm.cpp"
printf '#include "ui/main/MainForm.h"\n' >"$tmp/src/app/main.cpp"
expect 0 "the main window's class in its own source and the program"
printf '#include "ui/main/MainForm.h"\n' >"$tmp/src/ui/main/Commands.cpp"; expect 1 "a command including the main window's class"
make_tree; mkdir "$tmp/src/extra"; printf '\n' >"$tmp/src/extra/F.cpp"; expect 1 "an unknown folder"
make_tree; printf '#include <libpq-fe.h>\n' >"$tmp/src/store/G.cpp"; expect 1 "libpq outside store/server"
make_tree; mkdir "$tmp/src/store/server"; printf '#include <libpq-fe.h>\n' >"$tmp/src/store/server/H.cpp"
expect 0 "libpq in store/server"
echo "1 passed, 0 failed"
