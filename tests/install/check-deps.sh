#!/usr/bin/env bash
# Every external command and file the build, the package step, `make run` and
# the tests use must come from a Debian package that scripts/install-deps.sh
# installs (listed in scripts/debian-packages) or that every Debian system
# has (priority required). A tool that merely happens to be on the
# developer's machine fails here instead of on a fresh one.
# Usage: check-deps.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1
build=$2
mapfile -t listed < <(sed -e 's/#.*//' -e 's/[[:space:]]//g' "$source_dir/scripts/debian-packages" | grep -v '^$')
failures=0
checked=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

is_listed() {
  local p
  for p in "${listed[@]}"; do [[ $p == "$1" ]] && return 0; done
  return 1
}

# Each need is WHAT (what it is) and PATH (the file that stands for it);
# they are gathered first and looked up in dpkg's database at once.
whats=()
paths=()
need() { whats+=("$1"); paths+=("$2"); }

need_command() {
  local path
  if path=$(command -v "$1"); then need "command $1" "$path"; else need "command $1" "(not installed)"; fi
}

# A glob dpkg matches against its files, as for the plugins and drivers.
globs_what=()
globs=()
need_glob() { globs_what+=("$1"); globs+=("$2"); }

# The tools the Makefile, the scripts, the package step and the test scripts call.
for c in cmake ctest cpack make sed grep \
         file dpkg-deb dpkg-shlibdeps desktop-file-validate strip \
         xvfb-run Xvfb xauth; do
  need_command "$c"
done
# The programs the tests start by name.
mapfile -t started < <(grep -rhoE '(start|execute)\("[A-Za-z0-9_.+-]+"' "$source_dir/tests" "$source_dir/bench" \
                         | sed -E 's/.*\("([^"]*)"/\1/' | sort -u)
[[ ${#started[@]} -gt 0 ]] || fail "found no program the tests start by name (pattern out of date?)"
for c in "${started[@]}"; do need_command "$c"; done

# What the configured build found: compilers, linker tools, Qt's CMake
# packages, SQLite.
cache="$build/CMakeCache.txt"
[[ -f $cache ]] || fail "no $cache"
value() { sed -n "s/^$1:[A-Z]*=//p" "$cache"; }
for v in CMAKE_CXX_COMPILER CMAKE_C_COMPILER CMAKE_MAKE_PROGRAM CMAKE_AR CMAKE_LINKER CMAKE_STRIP \
         PKG_CONFIG_EXECUTABLE SQLite3_LIBRARY; do
  path=$(value "$v")
  [[ -n $path && $path != *NOTFOUND ]] && need "$v" "$path"
done
need "SQLite3_INCLUDE_DIR" "$(value SQLite3_INCLUDE_DIR)/sqlite3.h"
while IFS= read -r line; do
  name=${line%%_DIR:PATH=*}
  need "$name" "${line#*=}/${name}Config.cmake"
done < <(grep -E '^Qt6[A-Za-z]*_DIR:PATH=/' "$cache")
need_glob "Qt's moc" '*/qt6/libexec/moc'

# What the program loads at run time (and the tests with it).
need_glob "Qt's SQLite driver" '*/qt6/plugins/sqldrivers/libqsqlite.so'
need_glob "Qt's ODBC driver" '*/qt6/plugins/sqldrivers/libqsqlodbc.so'
need_glob "Qt's screenless platform" '*/qt6/plugins/platforms/libqoffscreen.so'
need_glob "Qt's X11 platform" '*/qt6/plugins/platforms/libqxcb.so'
need_glob "the FreeTDS ODBC driver" '*/odbc/libtdsodbc.so'
need_glob "the SQLite ODBC driver" '*/odbc/libsqlite3odbc.so'
need_glob "the Chinese font" '*/wqy-microhei.ttc'
need_glob "Qt's Chinese texts" '*/qt6/translations/qtbase_zh_CN.qm'

# The globs, in one look-up: each stands for the first file it matches.
declare -A owner
while IFS= read -r line; do
  [[ $line == *": "* && $line != diversion* ]] || continue
  owner["${line#*: }"]=${line%%: *}
done < <(dpkg-query -S "${globs[@]}" 2>/dev/null || true)
for i in "${!globs[@]}"; do
  found="(no package holds ${globs[i]})"
  for path in "${!owner[@]}"; do
    # shellcheck disable=SC2053
    if [[ $path == ${globs[i]} ]]; then found=$path; break; fi
  done
  need "${globs_what[i]}" "$found"
done

# For each path the chain of names to try: the path, its twin under the
# other half of the merged /usr, and each link on the way to the real file
# (alternatives, compiler names), so a package that ships a link is found.
chain() {
  local path=$1 hop target
  for hop in 1 2 3 4 5 6 7 8; do
    echo "$path"
    case $path in /usr/*) echo "${path#/usr}" ;; *) echo "/usr$path" ;; esac
    [[ -L $path ]] || return 0
    target=$(readlink "$path")
    [[ $target == /* ]] || target="$(dirname "$path")/$target"
    path=$target
  done
}
candidates=()
for path in "${paths[@]}"; do
  [[ -e $path ]] && mapfile -t -O "${#candidates[@]}" candidates < <(chain "$path")
done
while IFS= read -r line; do
  [[ $line == *": "* && $line != diversion* ]] || continue
  owner["${line#*: }"]=${line%%: *}
done < <(dpkg-query -S "${candidates[@]}" 2>/dev/null || true)

# The packages every Debian system has.
declare -A required
while read -r p prio; do
  [[ $prio == required ]] && required[$p]=1
done < <(dpkg-query -W -f='${Package} ${Priority}\n')

for i in "${!paths[@]}"; do
  what=${whats[i]} path=${paths[i]}
  checked=$((checked + 1))
  if [[ ! -e $path ]]; then
    fail "$what: $path is not there"
    continue
  fi
  pkgs=""
  while IFS= read -r c; do
    if [[ -n ${owner[$c]:-} ]]; then pkgs=${owner[$c]}; break; fi
  done < <(chain "$path")
  if [[ -z $pkgs ]]; then
    fail "$what: no Debian package holds $path"
    continue
  fi
  ok=""
  for p in ${pkgs//,/ }; do
    p=${p%%:*}
    if is_listed "$p" || [[ -n ${required[$p]:-} ]]; then ok=1; break; fi
  done
  [[ -n $ok ]] || fail "$what ($path) comes from ${pkgs// /}, which scripts/debian-packages does not list"
done

if [[ $failures -gt 0 ]]; then
  echo "$failures of $checked needs not covered by scripts/debian-packages" >&2
  exit 1
fi
echo "all $checked needs come from packages scripts/install-deps.sh installs"
