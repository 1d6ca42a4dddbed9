#!/usr/bin/env bash
# Checks the installed program the way a user meets it. $1 names the case;
# exit 0 passed, 1 failed, 77 skipped (a tool the case needs is missing).
set -Eeuo pipefail

BUILD=${ZENTARO_BUILD_DIR:?}
SOURCE=${ZENTARO_SOURCE_DIR:?}
CASE=${1:?which case}
WORK=$(mktemp -d)
# Every program a case starts carries this mark, so one left running is found
# at the end, ended, and fails the case.
MARK="ZENTARO_INSTALL_TEST=$WORK"
survivors() {
  local f
  for f in /proc/[0-9]*/environ; do
    tr '\0' '\n' <"$f" 2>/dev/null | grep -qxF "$MARK" && { f=${f#/proc/}; echo "${f%/environ}"; }
  done
  return 0
}
finish() {
  local status=$? left
  left=$(survivors)
  if [ -n "$left" ]; then
    echo "FAIL: left running: $(for p in $left; do tr '\0' ' ' </proc/$p/cmdline 2>/dev/null; echo; done)" >&2
    kill -9 $left 2>/dev/null || true
    status=1
  fi
  rm -rf "$WORK"
  exit $status
}
trap finish EXIT
# A command that fails unexpectedly names itself instead of ending the case silently.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "SKIP: $*"; exit 77; }
need() { command -v "$1" >/dev/null 2>&1 || skip "$1 is not installed"; }
expect_file() { [ -f "$1" ] || fail "missing $1"; }
expect_eq() { [ "$1" = "$2" ] || fail "$3: expected '$2', got '$1'"; }

# Installs the build into a DESTDIR tree under /usr; ROOT is its /usr.
install_tree() {
  ROOT=$WORK/root/usr
  DESTDIR=$WORK/root cmake --install "$BUILD" --prefix /usr >"$WORK/install.log" 2>&1 ||
    { cat "$WORK/install.log" >&2; fail "cmake --install"; }
}

# Runs a program as a new user would: its own HOME, no program folder given.
as_user() {
  local home=$1
  shift
  mkdir -p "$home"
  env -u ZNT_PROGRAM_FOLDER -u XDG_DATA_HOME -u ZNT_PASSWORD -u DISPLAY -u WAYLAND_DISPLAY \
    HOME="$home" QT_QPA_PLATFORM=offscreen "$MARK" "$@"
}

# The DefaultLibrary the program folder's settings give, as znt reads them.
# Usage: default_library HOME ZNT [OPTION...]
default_library() {
  as_user "$1" "$2" settings --json "${@:3}" | sed -n 's/.*"DefaultLibrary": *"\([^"]*\)".*/\1/p'
}

# Everything an installation holds, relative to its prefix.
INSTALLED_FILES=(
  bin/zentaro
  bin/znt
  share/zentaro/Struct10.qdb
  share/applications/zentaro.desktop
  share/mime/packages/zentaro.xml
  share/icons/hicolor/scalable/apps/zentaro.svg
  share/icons/hicolor/scalable/mimetypes/application-x-zentaro-library.svg
  share/man/man1/znt.1.gz
  share/man/man1/zentaro.1.gz
  share/bash-completion/completions/znt
)

check_tree() {
  local prefix=$1 f
  for f in "${INSTALLED_FILES[@]}"; do expect_file "$prefix/$f"; done
  [ -x "$prefix/bin/zentaro" ] && [ -x "$prefix/bin/znt" ] || fail "executables not executable"
  # The template belongs to share/zentaro; in bin it would make bin the program folder.
  [ ! -e "$prefix/bin/Struct10.qdb" ] || fail "the template was installed into bin"
  cmp -s "$prefix/share/zentaro/Struct10.qdb" "$BUILD/bin/Struct10.qdb" || fail "installed template differs"
  if [ -d "$SOURCE/doc/help" ]; then
    [ -d "$prefix/share/zentaro/HELP" ] || fail "help pages not installed"
  fi
}

case_Tree() {
  install_tree
  check_tree "$ROOT"
  local top
  top=$(cd "$WORK/root" && ls -A)
  expect_eq "$top" usr "the DESTDIR tree holds only usr"
  grep -qx 'Exec=zentaro %f' "$ROOT/share/applications/zentaro.desktop" || fail "Exec line"
  grep -qx 'MimeType=application/x-zentaro-library;' "$ROOT/share/applications/zentaro.desktop" || fail "MimeType line"

  # Installed straight into another prefix, the program still finds its template.
  cmake --install "$BUILD" --prefix "$WORK/prefix" >"$WORK/install2.log" 2>&1 ||
    { cat "$WORK/install2.log" >&2; fail "cmake --install --prefix"; }
  check_tree "$WORK/prefix"
  as_user "$WORK/home" "$WORK/prefix/bin/znt" new "$WORK/moved.ZNT" >/dev/null || fail "znt new from a moved prefix"
  expect_file "$WORK/moved.ZNT"
}

case_PerUserFolder() {
  install_tree
  local home=$WORK/home folder=$WORK/home/.local/share/zentaro
  mkdir -p "$WORK/lib" "$WORK/files"
  echo "first" >"$WORK/files/one.txt"
  echo "second" >"$WORK/files/two.txt"
  local before
  before=$(cd "$ROOT" && find . -type f | sort)

  as_user "$home" "$ROOT/bin/znt" new "$WORK/lib/Photos.ZNT" >/dev/null || fail "znt new"
  expect_file "$WORK/lib/Photos.ZNT"
  [ -d "$folder" ] || fail "the per-user folder $folder was not made"
  local added
  added=$(as_user "$home" "$ROOT/bin/znt" add "$WORK/lib/Photos.ZNT" "$WORK/files/one.txt" "$WORK/files/two.txt") ||
    fail "znt add"
  expect_eq "$(grep -c '^[0-9][0-9]*$' <<<"$added")" 2 "MainIDs printed by znt add"
  as_user "$home" "$ROOT/bin/znt" verify "$WORK/lib/Photos.ZNT" >/dev/null || fail "znt verify"
  expect_eq "$(default_library "$home" "$ROOT/bin/znt")" "$folder/Main Library.ZNT" \
    "default library of an installed znt"
  # Compaction leaves no CMPCT.TMP behind in the per-user folder.
  as_user "$home" "$ROOT/bin/znt" compact "$WORK/lib/Photos.ZNT" >/dev/null || fail "znt compact"
  [ ! -e "$folder/CMPCT.TMP" ] || fail "CMPCT.TMP left behind"
  as_user "$home" "$ROOT/bin/znt" verify "$WORK/lib/Photos.ZNT" >/dev/null || fail "verify after compact"
  expect_eq "$(cd "$ROOT" && find . -type f | sort)" "$before" "files of the installation after use"

  # XDG_DATA_HOME moves the per-user folder; a relative one is ignored.
  local home2=$WORK/home2
  as_user "$home2" env XDG_DATA_HOME="$WORK/xdg" "$ROOT/bin/znt" new "$WORK/lib/b.ZNT" >/dev/null || fail "new with XDG_DATA_HOME"
  [ -d "$WORK/xdg/zentaro" ] || fail "XDG_DATA_HOME/zentaro was not made"
  [ ! -e "$home2/.local/share/zentaro" ] || fail "~/.local/share/zentaro made although XDG_DATA_HOME is set"
  expect_eq "$(cd "$WORK" && as_user "$home2" env XDG_DATA_HOME=relative "$ROOT/bin/znt" settings --json |
    sed -n 's/.*"DefaultLibrary": *"\([^"]*\)".*/\1/p')" "$home2/.local/share/zentaro/Main Library.ZNT" \
    "a relative XDG_DATA_HOME"
  [ ! -e "$WORK/relative" ] || fail "a relative XDG_DATA_HOME was used"

  # --program-folder still wins, and an empty folder gets the installed template.
  local home3=$WORK/home3
  mkdir -p "$WORK/chosen"
  as_user "$home3" "$ROOT/bin/znt" new "$WORK/lib/c.ZNT" --program-folder "$WORK/chosen" >/dev/null ||
    fail "new with --program-folder"
  expect_eq "$(default_library "$home3" "$ROOT/bin/znt" --program-folder "$WORK/chosen")" \
    "$WORK/chosen/Main Library.ZNT" "default library with --program-folder"
  [ ! -e "$home3/.local/share/zentaro" ] || fail "per-user folder made although --program-folder was given"

  # A writable folder with the executable beside the template stays portable.
  mkdir -p "$WORK/portable"
  cp "$ROOT/bin/znt" "$ROOT/share/zentaro/Struct10.qdb" "$WORK/portable/"
  local home4=$WORK/home4
  expect_eq "$(default_library "$home4" "$WORK/portable/znt")" "$WORK/portable/Main Library.ZNT" \
    "default library of a portable znt"
  [ ! -e "$home4/.local/share/zentaro" ] || fail "a portable znt made the per-user folder"
}

# Starts the installed zentaro offscreen, waits for the files it makes, ends it.
# Usage: start_zentaro HOME FILE... -- ARGUMENT...
start_zentaro() {
  local home=$1
  shift
  local expected=()
  while [ "$1" != -- ]; do expected+=("$1"); shift; done
  shift
  # Its own process group, so ending the group ends the program and not only
  # the shell that started it.
  setsid bash -c "$(declare -f as_user); MARK='$MARK'; as_user \"\$@\"" _ \
    "$home" "$ROOT/bin/zentaro" "$@" >"$WORK/zentaro.log" 2>&1 &
  local pid=$! waited=0 f ready
  while [ $waited -lt 600 ]; do
    ready=1
    for f in "${expected[@]}"; do [ -e "$f" ] || ready=0; done
    [ $ready = 1 ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -- -$pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
  for f in "${expected[@]}"; do
    [ -e "$f" ] || { cat "$WORK/zentaro.log" >&2; fail "zentaro did not make $f"; }
  done
}

case_FirstStart() {
  install_tree
  local home=$WORK/home folder=$WORK/home/.local/share/zentaro
  start_zentaro "$home" "$folder/ZNT.CFG" "$folder/Main Library.ZNT" --
  # A library opened from the file manager arrives as the one argument (%f).
  mkdir -p "$WORK/docs"
  start_zentaro "$home" "$WORK/docs/My Photos.ZNT" -- "$WORK/docs/My Photos.ZNT"
  [ ! -e "$ROOT/bin/ZNT.CFG" ] || fail "ZNT.CFG written into bin"
}

case_DesktopEntry() {
  need desktop-file-validate
  need xmllint
  install_tree
  local out
  out=$(desktop-file-validate "$ROOT/share/applications/zentaro.desktop" 2>&1) || fail "desktop-file-validate: $out"
  expect_eq "$out" "" "desktop-file-validate output"
  local icon
  icon=$(sed -n 's/^Icon=//p' "$ROOT/share/applications/zentaro.desktop")
  expect_file "$ROOT/share/icons/hicolor/scalable/apps/$icon.svg"
  xmllint --noout "$ROOT/share/icons/hicolor/scalable/apps/$icon.svg" || fail "the icon is not well-formed"
  out=$(xmllint --noout --relaxng "$SOURCE/tests/install/mime-info.rng" "$ROOT/share/mime/packages/zentaro.xml" 2>&1) ||
    fail "xmllint: $out"
}

case_MimeType() {
  need update-mime-database
  need sqlite3
  local system=/usr/share/mime/packages/freedesktop.org.xml
  [ -f "$system" ] || skip "no $system"
  [ -x "${MIME_TYPE_OF:-}" ] || fail "mime_type_of was not built"
  install_tree
  # One database made of the system's types and ours, as on an installed system;
  # and the system's alone, to see that the package is what types a library.
  cp "$system" "$ROOT/share/mime/packages/"
  mkdir -p "$WORK/plain/mime/packages"
  cp "$system" "$WORK/plain/mime/packages/"
  local tree out
  for tree in "$ROOT/share" "$WORK/plain"; do
    # Its only output would be a parse error or a note that the tree is not searched.
    out=$(XDG_DATA_DIRS=$tree update-mime-database "$tree/mime" 2>&1) || fail "update-mime-database: $out"
    expect_eq "$out" "" "update-mime-database output"
  done
  as_user "$WORK/home" "$ROOT/bin/znt" new "$WORK/lower.znt" >/dev/null || fail "znt new"
  cp "$WORK/lower.znt" "$WORK/UPPER.ZNT"
  cp "$WORK/lower.znt" "$WORK/renamed.bin"
  sqlite3 "$WORK/plain.sqlite" 'CREATE TABLE t (x INTEGER);'
  sqlite3 "$WORK/other.bin" 'PRAGMA application_id = 1515082802; CREATE TABLE t (x INTEGER);'
  mkdir -p "$WORK/nohome"
  type_of() {
    XDG_DATA_HOME=$WORK/nohome XDG_DATA_DIRS=$1 "$MIME_TYPE_OF" "${@:2}"
  }
  local ours=$ROOT/share
  expect_eq "$(type_of "$ours" "$WORK/lower.znt")" application/x-zentaro-library "lower.znt by name"
  expect_eq "$(type_of "$ours" "$WORK/UPPER.ZNT")" application/x-zentaro-library "UPPER.ZNT by name"
  expect_eq "$(type_of "$ours" --content "$WORK/renamed.bin")" application/x-zentaro-library "a library by content"
  expect_eq "$(type_of "$ours" "$WORK/renamed.bin")" application/x-zentaro-library "a library named .bin"
  local plain
  plain=$(type_of "$ours" "$WORK/plain.sqlite")
  [ "$plain" != application/x-zentaro-library ] || fail "a plain SQLite file typed as a library"
  expect_eq "$plain" application/vnd.sqlite3 "a plain SQLite file"
  expect_eq "$(type_of "$ours" --content "$WORK/other.bin")" application/vnd.sqlite3 "another application id"
  expect_eq "$(type_of "$WORK/plain" --content "$WORK/renamed.bin")" application/vnd.sqlite3 "without the package"
}

case_BashCompletion() {
  install_tree
  mkdir -p "$WORK/here/Sub Folder"
  : >"$WORK/here/My Lib.ZNT"
  : >"$WORK/here/other.znt"
  : >"$WORK/here/notes.txt"
  local script=$ROOT/share/bash-completion/completions/znt
  # Prints what completing the words would offer, one a line.
  complete_words() {
    (cd "$WORK/here" && PATH="$ROOT/bin:$PATH" HOME="$WORK/home" bash -c '
      set +e
      source "$1"; shift
      COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
      _znt
      printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$script" "$@")
  }
  mkdir -p "$WORK/home"
  local got
  got=$(complete_words znt a)
  expect_eq "$got" add "znt a"
  got=$(complete_words znt "")
  local command
  for command in new info list search add extract reinsert delete compact copy settings verify; do
    grep -qx "$command" <<<"$got" || fail "command $command not offered"
  done
  got=$(complete_words znt add --a)
  expect_eq "$got" --author$'\n'--auto-capitalize "znt add --a"
  got=$(complete_words znt compact --program-f)
  expect_eq "$got" --program-folder "znt compact --program-f"
  got=$(complete_words znt info --level E)
  expect_eq "$got" Editor "znt info --level E"
  got=$(complete_words znt info "")
  expect_eq "$got" "My Lib.ZNT"$'\n'"Sub Folder"$'\n'other.znt "libraries and folders"
  got=$(complete_words znt add --author me lib.ZNT n)
  expect_eq "$got" notes.txt "any file after the library"
  got=$(complete_words znt extract lib.ZNT --to S)
  expect_eq "$got" "Sub Folder" "a folder after --to"
}

case_ManPages() {
  need groff
  install_tree
  local page out
  for page in znt zentaro; do
    zcat "$ROOT/share/man/man1/$page.1.gz" >"$WORK/$page.1" || fail "$page.1.gz is not gzip"
    cmp -s "$WORK/$page.1" "$SOURCE/doc/$page.1" || fail "installed $page.1 differs from doc/$page.1"
    out=$(groff -man -ww -z -Tutf8 "$WORK/$page.1" 2>&1) || fail "groff $page.1"
    expect_eq "$out" "" "groff warnings for $page.1"
  done
  # Every command znt knows is described in its page.
  local command
  for command in $(as_user "$WORK/home" "$ROOT/bin/znt" --help | awk '/^Commands:/ {on=1; next} on && /^  [a-z]/ {print $1}'); do
    grep -qE "^\.BI? $command( |\$)" "$WORK/znt.1" || fail "znt.1 does not describe $command"
  done
}

case_DebianPackage() {
  need cpack
  need dpkg-deb
  need dpkg-shlibdeps
  [ -f "$BUILD/CPackConfig.cmake" ] || fail "no CPackConfig.cmake in the build folder"
  BUILD_DIR=$BUILD SKIP_BUILD=1 OUT_DIR=$WORK/deb "$SOURCE/scripts/package" >"$WORK/package.log" 2>&1 ||
    { cat "$WORK/package.log" >&2; fail "scripts/package"; }
  local deb
  deb=$(ls "$WORK"/deb/zentaro_*.deb)
  [ -f "$deb" ] || fail "no .deb"
  [ ! -e "$WORK/deb/_CPack_Packages" ] || fail "staging tree left behind"
  local listing f
  listing=$(dpkg-deb -c "$deb" | awk '{print $NF}')
  for f in "${INSTALLED_FILES[@]}"; do
    grep -qx "./usr/$f" <<<"$listing" || fail "the package lacks /usr/$f"
  done
  expect_eq "$(dpkg-deb -f "$deb" Package)" zentaro "package name"
  expect_eq "$(dpkg-deb -f "$deb" Architecture)" "$(dpkg --print-architecture)" "architecture"
  local depends dep
  depends=$(dpkg-deb -f "$deb" Depends)
  local names
  names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')
  for dep in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libsqlite3-0 libsodium23; do
    grep -qxF "$dep" <<<"$names" || fail "Depends lacks $dep: $depends"
  done
  # Every library the programs load comes from a package the package depends on.
  local lib path owner cache
  cache=$(ldconfig -p)
  for lib in $(readelf -d "$BUILD/bin/zentaro" "$BUILD/bin/znt" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort -u); do
    path=$(awk -v lib="$lib" '$1 == lib && /x86-64|64bit/ {print $NF; exit}' <<<"$cache")
    [ -n "$path" ] || path=$(awk -v lib="$lib" '$1 == lib {print $NF; exit}' <<<"$cache")
    [ -n "$path" ] || fail "cannot find $lib"
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null ||
            dpkg -S "${path#/usr}" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null || true)
    owner=${owner%%:*}
    [ -n "$owner" ] || fail "no package owns $path"
    grep -qxF "$owner" <<<"$names" || fail "Depends lacks $owner (for $lib): $depends"
  done
  # The stripped programs still run from the unpacked package.
  dpkg-deb -x "$deb" "$WORK/unpacked"
  as_user "$WORK/home" "$WORK/unpacked/usr/bin/znt" new "$WORK/from-deb.ZNT" >/dev/null || fail "znt of the package"
  expect_file "$WORK/from-deb.ZNT"
}

declare -F "case_$CASE" >/dev/null || fail "unknown case $CASE"
"case_$CASE"
echo "PASS: $CASE"
